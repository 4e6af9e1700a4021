// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window on a data folder and a player built in temporary folders, with an injected
// mount table and a box presenter that records every message box and answers it.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PlayerSupport.h"
#include "TestSupport.h"
#include "app/Boxes.h"
#include "app/Edit_Words.h"
#include "app/Main.h"
#include "app/QtText.h"
#include "app/SettingU.h"
#include "app/SongListModel.h"
#include "app/StatusU.h"
#include "app/Version.h"
#include "platform/AppDir.h"
#include "platform/CodePage.h"
#include "platform/Volumes.h"

// Waits up to five seconds for a condition, processing events (usable outside a test function).
#define WAIT_UNTIL(expr) \
  do {                                        \
    for (int waited = 0; !(expr) && waited < 5000; waited += 10) QTest::qWait(10); \
  } while (0)

namespace gui_testing {

using testing_support::SongTags;
using testing_support::TempDir;

struct Box {
  app::BoxKind kind;
  QString text;
};

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// One line of /proc/self/mountinfo for a volume mounted at path.
inline std::string MountInfoLine(int id, const std::string& path, const char* fsType = "vfat") {
  return std::to_string(id) + " 1 8:" + std::to_string(id) + " / " + path + " rw,relatime shared:1 - " + fsType +
         " /dev/sd" + std::to_string(id) + " rw\n";
}

class Harness {
public:
  Harness()
      : presenter_([this](QWidget*, app::BoxKind kind, const QString& text) {
          boxes.push_back({kind, text});
          if (onBox) onBox(boxes.back());
          return answer;
        }) {
    platform::SetAppDir(AppDir());
    testing_support::MakePlayer(player.path());
    std::filesystem::create_directories(player.path() / "Notes");
  }
  ~Harness() {
    // The dialogs are children of the main window: they go first.
    status.reset();
    about.reset();
    setting.reset();
    edit.reset();
    window.reset();
  }

  TempDir data;
  TempDir player;
  TempDir shelf;  // where an unplugged player's files are kept
  std::string mounts = MountInfoLine(1, "/");
  std::vector<Box> boxes;
  bool answer = true;
  std::function<void(const Box&)> onBox;

  std::unique_ptr<app::TEdit> edit;
  std::unique_ptr<app::TSetting> setting;
  std::unique_ptr<app::TAbout> about;
  std::unique_ptr<app::TStatus> status;
  std::unique_ptr<app::MainWindow> window;

  std::string AppDir() const { return data.path().string() + "/"; }
  std::string PlayerRoot() const { return player.path().string() + "/"; }
  std::string DataFile(const std::string& name) const { return AppDir() + "MusicDatas/" + name; }

  void PlugIn() {
    std::error_code absent;
    std::filesystem::rename(Unplugged(), player.path() / "iPod_Control", absent);
    mounts = MountInfoLine(1, "/") + MountInfoLine(7, player.path().string());
  }
  // The player's file system goes: out of the mount table, and its files (with the marker)
  // no longer under the mount point.
  void Unplug() {
    std::filesystem::rename(player.path() / "iPod_Control", Unplugged());
    mounts = MountInfoLine(1, "/");
  }
  std::filesystem::path Unplugged() const { return shelf.path() / "iPod_Control"; }

  void WriteIni(const std::string& body) { testing_support::WriteBytes(AppDir() + "Lyrimate.ini", "[Lyrimate]\r\n" + body); }
  void WriteDataFile(const std::string& name, const std::string& utf8) {
    std::filesystem::create_directories(data.path() / "MusicDatas");
    testing_support::WriteBytes(DataFile(name), platform::Utf8ToCp932(utf8));
  }

  std::string AddSong(const std::string& relative, const SongTags& tags) {
    return testing_support::AddSong(player.path(), relative, tags);
  }

  // Creates the windows in the program's order and shows the main window; returns after the
  // start-up sequence ran.
  void Start() {
    auto watcher = std::make_unique<platform::MountWatcher>([this] { return std::optional<std::string>(mounts); });
    window = std::make_unique<app::MainWindow>(AppDir(), std::move(watcher));
    window->State().Volumes = [this] { return platform::VolumeRoots(mounts, {}); };
    edit = std::make_unique<app::TEdit>(window->State());
    setting = std::make_unique<app::TSetting>(AppDir(), window.get());
    about = std::make_unique<app::TAbout>(window.get());
    status = std::make_unique<app::TStatus>(window.get());
    window->SetWindows(edit.get(), setting.get(), about.get(), status.get());
    window->show();
    WAIT_UNTIL(window->Started());
  }

  // --- controls ---
  template <typename T>
  T* Find(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QToolButton* Button(const char* name) const { return Find<QToolButton>(name); }
  QAction* Action(const char* name) const { return Find<QAction>(name); }
  QTableView* View(library::ListId list) const { return window->View(list); }
  app::SongListModel& Model(library::ListId list) const { return window->Model(list); }
  QString StatusText() const { return Find<QLabel>("StatusPanel")->text(); }

  void Click(const char* buttonName) { QTest::mouseClick(Button(buttonName), Qt::LeftButton); }

  // Clicks a tab of Tab with the given mouse button.
  void ClickTab(int tab, Qt::MouseButton button = Qt::LeftButton) {
    auto* bar = Find<QTabBar>("Tab");
    QTest::mouseClick(bar, button, {}, bar->tabRect(tab).center());
  }

  // Clicks a shown row (away from its check box); modifiers extend the selection.
  void ClickRow(library::ListId list, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTableView* view = View(list);
    view->scrollTo(view->model()->index(row, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(view->model()->index(row, 1)).center());
  }

  // Clicks the check box of a shown row.
  void ClickCheckBox(library::ListId list, int row) {
    QTableView* view = View(list);
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(index);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.state |= QStyle::State_Enabled;
    const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
  }

  void DoubleClickRow(library::ListId list, int row) {
    QTableView* view = View(list);
    const QPoint at = view->visualRect(view->model()->index(row, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
  }

  // Opens the pop-up menu of a list over a row and presses an access key in it.
  QMenu* OpenPopup(library::ListId list, int row) {
    QTableView* view = View(list);
    const QPoint at = view->visualRect(view->model()->index(row, 1)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }
  void PopupKey(library::ListId list, int row, Qt::Key key) {
    QMenu* menu = OpenPopup(list, row);
    QVERIFY(menu);
    QTest::keyClick(menu, key);
  }

  // Closes the next modal dialog once it is shown and tells which one it was.
  void CloseNextModal(QWidget** seen) {
    QTimer::singleShot(20, [seen] {
      QWidget* modal = QApplication::activeModalWidget();
      *seen = modal;
      if (modal) modal->close();
    });
  }

  QString Cell(library::ListId list, int row, int column) const {
    return Model(list).index(row, column).data().toString();
  }
  bool Checked(library::ListId list, int row) const {
    return Model(list).index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked;
  }
  QStringList Titles(library::ListId list) const {
    QStringList titles;
    for (int r = 0; r < Model(list).rowCount(); ++r) titles << Cell(list, r, 0);
    return titles;
  }
  QStringList BoxTexts() const {
    QStringList texts;
    for (const Box& box : boxes) texts << box.text;
    return texts;
  }

private:
  app::ScopedBoxPresenter presenter_;
};

}  // namespace gui_testing

