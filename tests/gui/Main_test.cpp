// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven through its real controls: toolbar, menus, pop-up menus, headers,
// tabs, check boxes and the filter, on players and data folders in temporary folders.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QUrl>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolBar>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>

#include "GuiSupport.h"
#include "MainHarness.h"
#include "library/MainState.h"

using gui_testing::Box;
using gui_testing::Harness;
using gui_testing::SongTags;
using gui_testing::U;
using library::ListId;

namespace {

const char* const kNotRecognised = "iPodが認識されていません。";

// Four songs in two folders; the first has lyrics in its tag.
void AddFourSongs(Harness& h) {
  h.AddSong("F00/a.mp3", {"さくら", "春", "歌手", "1", "2004", "さくら さくら\nやよいの空は", ""});
  h.AddSong("F00/b.mp3", {"Spring Song", "春", "Band", "10", "2001", "", ""});
  h.AddSong("F01/c.mp3", {"夏祭り", "夏", "Whiteberry", "2", "2000", "", ""});
  h.AddSong("F01/d.mp3", {"Love/Hate", "Best", "X", "3", "1999", "", ""});
}

int RowOf(const Harness& h, ListId list, const char* title) {
  return static_cast<int>(h.Titles(list).indexOf(U(title)));
}

QStringList MenuLayout(const QMenu* menu) {
  QStringList items;
  for (const QAction* action : menu->actions())
    items << (action->isSeparator() ? QStringLiteral("-") : action->objectName() + "=" + action->text());
  return items;
}

// A registered-list line of nine fields, each followed by a TAB.
std::string RegisteredLine(const std::string& title, const std::string& album, const std::string& track,
                           bool checked, const std::string& path = "") {
  return title + "\t" + album + "\t" + track + "\tartist\t03:00\t2004\t" + (checked ? "-1" : "0") + "\t\t" + path +
         "\t\r\n";
}

// A saved player-list line of seven fields.
std::string PlayerLine(const std::string& title, const std::string& album, const std::string& track,
                       const std::string& path = "") {
  return title + "\t" + album + "\t" + track + "\tartist\t03:00\t2004\t" + path + "\t\r\n";
}

}  // namespace

class MainTest : public QObject {
  Q_OBJECT

private slots:
  void controlsCarryTheirNamesAndCaptions() {
    Harness h;
    h.Start();
    QCOMPARE(h.window->windowTitle(), U("Lyrimate"));
    const char* const captions[] = {"接続", "リスト作成", "曲情報取得", "歌詞編集", "一覧へ追加", "一覧から削除"};
    for (int i = 0; i < 6; ++i) {
      QToolButton* button = h.Button(("ToolButton" + std::to_string(i + 1)).c_str());
      QVERIFY(button);
      QCOMPARE(button->text(), U(captions[i]));
      QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
      QCOMPARE(button->parentWidget(), static_cast<QWidget*>(h.Find<QToolBar>("Bar")));
    }
    QCOMPARE(MenuLayout(h.Find<QMenu>("File1")), QStringList({U("C1=接続(&C)"), "-", U("Close1=閉じる(&X)")}));
    QCOMPARE(MenuLayout(h.Find<QMenu>("iPodI1")),
             QStringList({U("M1=曲情報取得(&M)"), U("W1=歌詞編集(&W)"), "-", U("L1=リスト作成(&L)"), U("G1=全歌詞取得(&G)")}));
    QCOMPARE(MenuLayout(h.Find<QMenu>("S1")), QStringList({U("N3=全般(&G)")}));
    QCOMPARE(MenuLayout(h.Find<QMenu>("Help1")), QStringList({U("About1=バージョン情報(&A)")}));
    QStringList titles;
    for (QAction* action : h.window->menuBar()->actions()) titles << action->text();
    QCOMPARE(titles, QStringList({U("ファイル(&F)"), U("iPod(&I)"), U("設定(&S)"), U("ヘルプ(&H)")}));
    QCOMPARE(MenuLayout(h.Find<QMenu>("PopupMenu1")),
             QStringList({U("D1=リストから削除(&D)"), U("S2=リストを保存(&S)"), "-", U("N9=全てチェック(&A)"),
                          U("R2=チェック解除(&R)"), "-", U("M2=曲の詳細(&M)"), U("P1=ノートをプレビュー(&P)"), "-",
                          U("W2=歌詞編集(&W)"), U("L3=歌詞を取り込む(&L)")}));
    QCOMPARE(MenuLayout(h.Find<QMenu>("PopupMenu2")),
             QStringList({U("N4=登録済みリストへ追加(&A)"), U("S3=リストを保存(&S)"), "-", U("N7=全てチェック(&F)"),
                          U("R1=チェック解除(&R)"), U("Copy1=コピー(&C)"), "-", U("M3=曲の詳細(&M)"),
                          U("W3=歌詞編集(&W)"), U("L2=歌詞を取り込む(&L)")}));

    auto* tab = h.Find<QTabBar>("Tab");
    QCOMPARE(tab->count(), 2);
    QCOMPARE(tab->tabText(0), U("曲一覧"));
    QCOMPARE(tab->tabText(1), U("登録済み"));
    QCOMPARE(tab->currentIndex(), 0);
    QVERIFY(h.View(ListId::MList)->isVisible());
    QVERIFY(!h.View(ListId::AList)->isVisible());

    const QStringList columns = {U("曲名"), U("アルバム"), U("トラック"), U("アーティスト"), U("時間"), U("Year"), U("歌い出し")};
    const int widths[] = {140, 100, 60, 100, 70, 60, 200};
    for (ListId list : {ListId::MList, ListId::AList}) {
      QTableView* view = h.View(list);
      const int count = list == ListId::MList ? 6 : 7;
      QCOMPARE(view->model()->columnCount(), count);
      for (int c = 0; c < count; ++c) {
        QCOMPARE(view->model()->headerData(c, Qt::Horizontal).toString(), columns[c]);
        // The first start widens the columns to the font; the last one takes the rest.
        QVERIFY(view->horizontalHeader()->sectionSize(c) >= widths[c]);
      }
      QVERIFY(view->showGrid());
      QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
      QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
      QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
      QVERIFY(!view->isSortingEnabled());
    }
    QCOMPARE(h.window->statusBar()->objectName(), QString("Status"));
    auto* panel = h.Find<QLabel>("StatusPanel");
    auto* per = h.Find<QProgressBar>("Per");
    QCOMPARE(per->parentWidget(), h.window->statusBar());
    QCOMPARE(per->minimum(), 0);
    QCOMPARE(per->maximum(), 100);
    QCOMPARE(per->width(), 221);
    QVERIFY(per->geometry().left() > panel->geometry().right());
    QVERIFY(per->geometry().right() < h.Find<QLabel>("CountPanel")->geometry().left());
    // The status text takes the width the window gains; a long text never widens the window.
    const int narrow = panel->width();
    h.window->resize(h.window->width() + 300, h.window->height());
    QTRY_COMPARE(panel->width(), narrow + 300);
    const int wide = h.window->width();
    h.window->Feedback().SetStatus(std::string(400, 'x'));
    QTest::qWait(20);
    QCOMPARE(h.window->width(), wide);
    auto* timer = h.Find<QTimer>("Timer1");
    QCOMPARE(timer->interval(), 2000);
    QVERIFY(timer->isActive());
  }

  // --- start-up with the settings ---

  void firstStartWithoutSettingsTouchesNothing() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.Start();
    QVERIFY(!std::filesystem::exists(h.AppDir() + "Lyrimate.ini"));
    QVERIFY(!h.window->State().Connected);
    QCOMPARE(h.Model(ListId::MList).rowCount(), 0);
    QCOMPARE(h.StatusText(), U("iPod が認識されていません。"));
    QVERIFY(h.boxes.empty());
  }

  void startWithoutSkippingTheScanConnectsAndScans() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.WriteIni("AutoGetMusic=0\r\n");
    h.Start();
    QVERIFY(h.window->State().Connected);
    QCOMPARE(h.window->State().DriveRoot, h.PlayerRoot());
    QCOMPARE(h.Model(ListId::MList).rowCount(), 4);
    QVERIFY(RowOf(h, ListId::MList, "夏祭り") >= 0);
    QCOMPARE(h.StatusText(), U("4 曲を読み込みました"));
    QVERIFY(h.boxes.empty());
    QCOMPARE(h.Find<QProgressBar>("Per")->value(), 0);
  }

  void startScanWithoutPlayerShowsTheError() {
    Harness h;
    AddFourSongs(h);
    h.WriteIni("AutoGetMusic=0\r\nAutoConnect=1\r\n");
    h.Start();
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].kind, app::BoxKind::Error);
    QCOMPARE(h.boxes[0].text, U(kNotRecognised));
    QVERIFY(!h.window->State().Connected);
    QVERIFY(h.window->isVisible());
  }

  void startWithAutoConnectYesReadsAsFalse() {
    Harness h;
    h.PlugIn();
    h.WriteIni("AutoConnect=yes\r\n");
    h.Start();
    QVERIFY(!h.window->State().Connected);
    QCOMPARE(h.StatusText(), U("iPod が認識されていません。"));
  }

  void startWithAutoConnectConnectsAndShowsTheSavedLists() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.WriteIni("AutoConnect=1\r\n");
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("保存した曲", "アルバム", "5"));
    h.WriteDataFile("MusicList.lst", RegisteredLine("登録した曲", "アルバム", "1", true) +
                                         RegisteredLine("二曲目", "アルバム", "2", false));
    h.Start();
    QVERIFY(h.window->State().Connected);
    QCOMPARE(h.Titles(ListId::MList), QStringList({U("保存した曲")}));  // not scanned
    QCOMPARE(h.Titles(ListId::AList), QStringList({U("登録した曲"), U("二曲目")}));
    QVERIFY(h.Checked(ListId::AList, 0));
    QVERIFY(!h.Checked(ListId::AList, 1));
    QCOMPARE(h.Cell(ListId::MList, 0, 2), QString("5"));
  }

  void startWithAutoCopyTicksRegisteredSongs() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.WriteIni("AutoGetMusic=0\r\nAutoCopy=1\r\n");
    // Title and album joined without a separator, letter case ignored.
    h.WriteDataFile("MusicList.lst", RegisteredLine("spring", " song春", "1", false));
    h.Start();
    QCOMPARE(h.Model(ListId::MList).rowCount(), 4);
    QVERIFY(h.Checked(ListId::MList, RowOf(h, ListId::MList, "Spring Song")));
    QVERIFY(!h.Checked(ListId::MList, RowOf(h, ListId::MList, "さくら")));
  }

  void aMalformedListFileIsReportedAndTheWindowRuns() {
    Harness h;
    h.WriteDataFile("MusicList.lst", "no tab on this line\r\n");
    h.Start();
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].kind, app::BoxKind::Error);
    QVERIFY(h.boxes[0].text.contains("MusicList.lst"));
    QVERIFY(h.window->isVisible());
    h.PlugIn();
    h.Click("ToolButton1");
    QVERIFY(h.window->State().Connected);
  }

  // --- commands ---

  void toolbarButtonsReachTheirOperations() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.Start();

    h.Click("ToolButton1");
    QVERIFY(h.window->State().Connected);
    QCOMPARE(h.window->State().DriveRoot, h.PlayerRoot());

    h.Click("ToolButton3");
    QCOMPARE(h.Model(ListId::MList).rowCount(), 4);

    const int sakura = RowOf(h, ListId::MList, "さくら");
    const int summer = RowOf(h, ListId::MList, "夏祭り");
    h.ClickRow(ListId::MList, sakura);
    h.ClickRow(ListId::MList, summer, Qt::ControlModifier);
    h.Click("ToolButton5");
    QCOMPARE(h.Titles(ListId::AList).size(), 2);
    QVERIFY(h.Titles(ListId::AList).contains(U("さくら")));
    QVERIFY(h.Titles(ListId::AList).contains(U("夏祭り")));
    QVERIFY(testing_support::ReadBytes(h.DataFile("MusicList.lst")).find(platform::Sjis("夏祭り")) != std::string::npos);

    h.ClickTab(1);
    h.ClickRow(ListId::AList, h.Titles(ListId::AList).indexOf(U("夏祭り")));
    h.Click("ToolButton6");
    QCOMPARE(h.Titles(ListId::AList), QStringList({U("さくら")}));
    QVERIFY(testing_support::ReadBytes(h.DataFile("MusicList.lst")).find(platform::Sjis("夏祭り")) == std::string::npos);

    // Edit: the visible list's selection; the tag lyrics when there is no file.
    h.ClickRow(ListId::AList, 0);
    h.Click("ToolButton4");
    QVERIFY(h.edit->isVisible());
    QVERIFY(h.edit->windowTitle().contains(U("さくら (春)")));
    QVERIFY(h.edit->Memo->toPlainText().contains(U("やよいの空は")));
    h.edit->hide();

    // Export: the ticked registered song gets its page.
    h.ClickCheckBox(ListId::AList, 0);
    QVERIFY(h.Checked(ListId::AList, 0));
    h.boxes.clear();
    h.Click("ToolButton2");
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].kind, app::BoxKind::Information);
    QVERIFY(std::filesystem::exists(h.player.path() / "Notes" / platform::Cp932ToUtf8(platform::Sjis("春")) /
                                    platform::Cp932ToUtf8(platform::Sjis("さくら"))));
    QVERIFY(h.Checked(ListId::AList, 0));  // reloaded from the rewritten list file
  }

  void menuItemsReachTheirOperations() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.Start();

    h.Action("C1")->trigger();
    QVERIFY(h.window->State().Connected);
    h.Action("M1")->trigger();
    QCOMPARE(h.Model(ListId::MList).rowCount(), 4);

    h.ClickRow(ListId::MList, RowOf(h, ListId::MList, "夏祭り"));
    h.Action("W1")->trigger();
    QVERIFY(h.edit->isVisible());
    QVERIFY(h.edit->windowTitle().contains(U("夏祭り (夏)")));
    h.edit->hide();

    // Get all lyrics: asked first, then the tag lyrics become files.
    h.boxes.clear();
    h.Action("G1")->trigger();
    QCOMPARE(h.boxes.size(), std::size_t(2));
    QCOMPARE(h.boxes[0].kind, app::BoxKind::YesNo);
    QVERIFY(h.boxes[1].text.startsWith(U("完了しました。\r\n")));
    QVERIFY(std::filesystem::exists(h.DataFile(platform::Cp932ToUtf8(platform::Sjis("さくら-春.txt")))));
    QVERIFY(!h.window->State().ImportLyrics);

    h.boxes.clear();
    h.answer = false;
    h.Action("G1")->trigger();
    QCOMPARE(h.BoxTexts().size(), 1);  // declined: nothing after the question
    h.answer = true;

    h.boxes.clear();
    h.Action("L1")->trigger();  // nothing ticked: no pages, still the report
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].kind, app::BoxKind::Information);

    QWidget* modal = nullptr;
    h.CloseNextModal(&modal);
    h.Action("N3")->trigger();
    QCOMPARE(modal, static_cast<QWidget*>(h.setting.get()));
    h.CloseNextModal(&modal);
    h.Action("About1")->trigger();
    QCOMPARE(modal, static_cast<QWidget*>(h.about.get()));

    QSignalSpy closed(h.window.get(), &app::MainWindow::Closed);
    h.Action("Close1")->trigger();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!h.window->isVisible());
  }

  void registeredListPopupItems() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.WriteDataFile("MusicList.lst", RegisteredLine("さくら", "春", "1", false, h.PlayerRoot() + "iPod_Control/Music/F00/a.mp3") +
                                         RegisteredLine("夏祭り", "夏", "2", false) + RegisteredLine("三", "x", "3", false));
    h.Start();
    h.ClickTab(1);

    h.PopupKey(ListId::AList, 0, Qt::Key_A);  // N9 tick all
    QVERIFY(h.Checked(ListId::AList, 0) && h.Checked(ListId::AList, 1) && h.Checked(ListId::AList, 2));
    h.PopupKey(ListId::AList, 0, Qt::Key_R);  // R2 untick
    QVERIFY(!h.Checked(ListId::AList, 0) && !h.Checked(ListId::AList, 1) && !h.Checked(ListId::AList, 2));

    h.ClickRow(ListId::AList, 2);
    h.PopupKey(ListId::AList, 2, Qt::Key_D);  // D1 remove
    QCOMPARE(h.Titles(ListId::AList), QStringList({U("さくら"), U("夏祭り")}));

    // S2: saved and loaded again; the opening line comes from the lyrics file.
    h.WriteDataFile(platform::Cp932ToUtf8(platform::Sjis("夏祭り-夏.txt")), "君がいた夏は\r\n遠い夢の中\r\n");
    h.PopupKey(ListId::AList, 0, Qt::Key_S);
    QCOMPARE(h.Cell(ListId::AList, 1, 6), U("君がいた夏は"));

    // M2 details of the current row.
    h.ClickRow(ListId::AList, 0);
    QWidget* modal = nullptr;
    h.CloseNextModal(&modal);
    h.PopupKey(ListId::AList, 0, Qt::Key_M);
    QCOMPARE(modal, static_cast<QWidget*>(h.status.get()));
    QCOMPARE(h.status->Label17->text(), U("さくら"));
    QCOMPARE(h.status->Label3->text(), U("歌手"));
    QVERIFY(h.status->Memo2->toPlainText().isEmpty());  // no lyrics file, and the tag's are not read here

    // A row without a SongTable entry: the dialog opens with what it showed last.
    h.ClickRow(ListId::AList, 1);
    h.CloseNextModal(&modal);
    modal = nullptr;
    h.PopupKey(ListId::AList, 1, Qt::Key_M);
    QCOMPARE(modal, static_cast<QWidget*>(h.status.get()));
    QCOMPARE(h.status->Label17->text(), U("さくら"));
  }

  void songListPopupItems() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.WriteDataFile("MusicList.lst", RegisteredLine("夏祭り", "夏", "2", false));
    h.Start();
    h.Click("ToolButton1");
    h.Click("ToolButton3");
    QCOMPARE(h.Model(ListId::MList).rowCount(), 4);

    h.PopupKey(ListId::MList, 0, Qt::Key_F);  // N7 tick all
    for (int r = 0; r < 4; ++r) QVERIFY(h.Checked(ListId::MList, r));
    h.PopupKey(ListId::MList, 0, Qt::Key_R);  // R1 untick
    for (int r = 0; r < 4; ++r) QVERIFY(!h.Checked(ListId::MList, r));

    h.PopupKey(ListId::MList, 0, Qt::Key_C);  // Copy1 marks the registered song
    for (int r = 0; r < 4; ++r) QCOMPARE(h.Checked(ListId::MList, r), h.Cell(ListId::MList, r, 0) == U("夏祭り"));

    const int sakura = RowOf(h, ListId::MList, "さくら");
    h.ClickRow(ListId::MList, sakura);
    h.PopupKey(ListId::MList, sakura, Qt::Key_A);  // N4 register
    QCOMPARE(h.Titles(ListId::AList), QStringList({U("夏祭り"), U("さくら")}));

    h.boxes.clear();
    h.PopupKey(ListId::MList, sakura, Qt::Key_S);  // S3 save the song list
    QCOMPARE(h.BoxTexts(), QStringList({U("保存しました。\r\n次回からはこの設定で読み込みます。")}));
    QVERIFY(std::filesystem::exists(h.DataFile("iPodMusicList.lst")));

    h.boxes.clear();
    h.PopupKey(ListId::MList, sakura, Qt::Key_L);  // L2 lyrics from the tag
    QCOMPARE(h.BoxTexts(), QStringList({U("歌詞を保存しました。")}));
    const int summer = RowOf(h, ListId::MList, "夏祭り");
    h.ClickRow(ListId::MList, summer);
    h.boxes.clear();
    h.PopupKey(ListId::MList, summer, Qt::Key_L);
    QCOMPARE(h.BoxTexts(), QStringList({U("歌詞が設定されていません。")}));

    QWidget* modal = nullptr;
    h.CloseNextModal(&modal);
    h.PopupKey(ListId::MList, summer, Qt::Key_M);  // M3 details
    QCOMPARE(modal, static_cast<QWidget*>(h.status.get()));
  }

  void popupItemsDoNothingWithoutARow() {
    Harness h;
    h.Start();
    h.Action("N4")->trigger();
    h.Action("D1")->trigger();
    h.Action("M3")->trigger();
    h.Action("W1")->trigger();
    QCOMPARE(h.Model(ListId::AList).rowCount(), 0);
    QVERIFY(!h.edit->isVisible());
    QVERIFY(h.boxes.empty());
  }

  void previewShowsThePageAsTheReaderDoes() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("a", "x", "1", false) + RegisteredLine("b", "x", "2", true));
    h.WriteDataFile("a-x.txt", "la la\r\n");
    h.Start();
    h.ClickTab(1);
    QString shown;
    QString name;
    QTimer::singleShot(20, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      name = modal->objectName();
      if (auto* memo = modal->findChild<QTextBrowser*>("Memo1")) shown = memo->toPlainText();
      modal->close();
    });
    h.ClickRow(ListId::AList, 0);
    h.PopupKey(ListId::AList, 0, Qt::Key_P);
    QCOMPARE(name, QStringLiteral("TNotePreview"));
    QVERIFY2(shown.contains(U("Title:  a")), qPrintable(shown));
    QVERIFY(shown.contains(U("la la")));
    QVERIFY(shown.contains(U("Next:b")));  // the ticked neighbour; the link text without its tag
    QVERIFY(!shown.contains(U("<a href")));
    QVERIFY(!shown.contains(U("<?xml")));
  }

  void checkBoxClicksTickOneRow() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("a", "x", "1", false) + RegisteredLine("b", "x", "2", false));
    h.Start();
    h.ClickTab(1);
    h.ClickCheckBox(ListId::AList, 1);
    QVERIFY(!h.window->State().AList[0].checked);
    QVERIFY(h.window->State().AList[1].checked);
    h.ClickCheckBox(ListId::AList, 1);
    QVERIFY(!h.window->State().AList[1].checked);
  }

  // --- headers, tabs, double clicks ---

  void headerClicksSortWithSharedFlags() {
    Harness h;
    h.PlugIn();
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("b", "x", "2") + PlayerLine("c", "x", "10") + PlayerLine("a", "x", "1"));
    h.WriteDataFile("MusicList.lst", RegisteredLine("y", "x", "1", false) + RegisteredLine("z", "x", "2", false) +
                                         RegisteredLine("x", "x", "3", false));
    h.Start();
    QHeaderView* mHeader = h.View(ListId::MList)->horizontalHeader();
    QHeaderView* aHeader = h.View(ListId::AList)->horizontalHeader();

    // No player: the song list stays and so does the flag.
    QTest::mouseClick(mHeader->viewport(), Qt::LeftButton, {}, QPoint(mHeader->sectionViewportPosition(0) + 10, 5));
    QCOMPARE(h.Titles(ListId::MList), QStringList({"b", "c", "a"}));
    QVERIFY(!h.window->State().SortFlags[0]);

    h.Click("ToolButton1");
    h.ClickRow(ListId::MList, 1);  // "c": the selection moves with its row
    QTest::mouseClick(mHeader->viewport(), Qt::LeftButton, {}, QPoint(mHeader->sectionViewportPosition(0) + 10, 5));
    QCOMPARE(h.Titles(ListId::MList), QStringList({"a", "b", "c"}));
    const QModelIndexList selected = h.View(ListId::MList)->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].row(), 2);
    QCOMPARE(mHeader->sortIndicatorOrder(), Qt::AscendingOrder);
    QTest::mouseClick(mHeader->viewport(), Qt::LeftButton, {}, QPoint(mHeader->sectionViewportPosition(0) + 10, 5));
    QCOMPARE(h.Titles(ListId::MList), QStringList({"c", "b", "a"}));
    QCOMPARE(mHeader->sortIndicatorOrder(), Qt::DescendingOrder);
    QTest::mouseClick(mHeader->viewport(), Qt::LeftButton, {}, QPoint(mHeader->sectionViewportPosition(0) + 10, 5));

    // The flag of the title column is now set: the registered list sorts descending first.
    h.ClickTab(1);
    QTest::mouseClick(aHeader->viewport(), Qt::LeftButton, {}, QPoint(aHeader->sectionViewportPosition(0) + 10, 5));
    QCOMPARE(h.Titles(ListId::AList), QStringList({"z", "y", "x"}));

    // Track numbers compare as text.
    h.ClickTab(0);
    QTest::mouseClick(mHeader->viewport(), Qt::LeftButton, {}, QPoint(mHeader->sectionViewportPosition(2) + 10, 5));
    QCOMPARE(h.Titles(ListId::MList), QStringList({"a", "c", "b"}));
  }

  void tabPressesSwitchTheLists() {
    Harness h;
    h.Start();
    h.ClickTab(1, Qt::RightButton);
    QVERIFY(h.View(ListId::MList)->isVisible());
    QCOMPARE(h.window->State().Visible, ListId::MList);
    h.ClickTab(1);
    QVERIFY(h.View(ListId::AList)->isVisible());
    QVERIFY(!h.View(ListId::MList)->isVisible());
    QCOMPARE(h.window->State().Visible, ListId::AList);
    h.ClickTab(0);
    QVERIFY(h.View(ListId::MList)->isVisible());
    QCOMPARE(h.window->State().Visible, ListId::MList);
  }

  void doubleClickOpensTheEditorOfItsList() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("AC/DC Live", "X/Y", "1", false));
    h.WriteDataFile("AC_DC Live-X_Y.txt", "Highway\r\n");
    h.Start();
    h.ClickTab(1);
    h.DoubleClickRow(ListId::AList, 0);
    WAIT_UNTIL(h.edit->isVisible());
    QVERIFY(h.edit->isVisible());
    QVERIFY(h.edit->windowTitle().contains(U("AC_DC Live (X_Y)")));
    QCOMPARE(h.edit->Memo->toPlainText().trimmed(), QString("Highway"));
  }

  // Typed lyrics are never replaced or dropped without a question: opening another song and
  // closing the program ask 保存 / 破棄 / キャンセル, and キャンセル keeps everything.
  void changedLyricsAreSettledBeforeAnotherSongOrTheEnd() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("One", "A", "1", false) + RegisteredLine("Two", "A", "2", false));
    h.WriteDataFile("One-A.txt", "first\r\n");
    h.Start();
    h.ClickTab(1);
    h.DoubleClickRow(ListId::AList, 0);
    WAIT_UNTIL(h.edit->isVisible());
    h.edit->Memo->moveCursor(QTextCursor::End);
    h.edit->Memo->insertPlainText(QStringLiteral("typed"));
    {
      gui_support::ModalAnswer<QMessageBox> cancel(gui_support::Press(QMessageBox::Cancel));
      h.DoubleClickRow(ListId::AList, 1);
      WAIT_UNTIL(cancel.answered());
      QVERIFY(cancel.answered());
    }
    QVERIFY(h.edit->windowTitle().startsWith(U("One")));
    QCOMPARE(h.edit->Memo->toPlainText(), QStringLiteral("first\ntyped"));
    {
      gui_support::ModalAnswer<QMessageBox> cancel(gui_support::Press(QMessageBox::Cancel));
      QSignalSpy closed(h.window.get(), &app::MainWindow::Closed);
      h.window->close();
      QVERIFY(cancel.answered());
      QCOMPARE(closed.count(), 0);
      QVERIFY(h.window->isVisible());
    }
    gui_support::ModalAnswer<QMessageBox> save(gui_support::Press(QMessageBox::Save));
    h.DoubleClickRow(ListId::AList, 1);
    WAIT_UNTIL(h.edit->windowTitle().startsWith(U("Two")));
    QVERIFY(save.answered());
    QCOMPARE(testing_support::ReadBytes(h.DataFile("One-A.txt")), std::string("first\r\ntyped\r\n"));
  }

  // --- device changes, errors, timer ---

  void deviceArrivalAndRemovalFollowTheMountTable() {
    Harness h;
    h.Start();
    QVERIFY(!h.window->State().Connected);
    h.PlugIn();
    h.window->MountTableChanged();
    QVERIFY(h.window->State().Connected);
    QCOMPARE(h.window->State().DriveRoot, h.PlayerRoot());
    QCOMPARE(h.StatusText(), app::FromCp932(platform::Sjis("iPodは " + h.PlayerRoot() + " にありました。")));

    h.Unplug();
    h.window->MountTableChanged();
    QVERIFY(!h.window->State().Connected);
    QVERIFY(h.window->State().DriveRoot.empty());
    QCOMPARE(h.StatusText(), U(kNotRecognised));

    // An unrelated stick arriving while no player is known finds nothing.
    h.mounts += gui_testing::MountInfoLine(9, h.data.path().string());
    h.window->MountTableChanged();
    QVERIFY(!h.window->State().Connected);
    QCOMPARE(h.StatusText(), U(kNotRecognised));
  }

  void timerPutsTheStatusBack() {
    Harness h;
    h.Start();
    h.window->Feedback().SetStatus(platform::Sjis("デバイスに変更がありました。"));
    h.window->Timer1Timer();
    QCOMPARE(h.StatusText(), U(kNotRecognised));
  }

  void anErrorInACommandIsShownAndTheProgramGoesOn() {
    Harness h;
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("a", "x", "1"));
    h.Start();
    // The registered list cannot be written: its file's place is taken by a folder.
    std::filesystem::create_directories(h.DataFile("MusicList.lst"));
    h.ClickRow(ListId::MList, 0);
    h.Click("ToolButton5");
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes[0].kind, app::BoxKind::Error);
    QVERIFY(h.boxes[0].text.contains("MusicList.lst"));
    QVERIFY(h.window->isVisible());
    std::filesystem::remove_all(h.DataFile("MusicList.lst"));
    h.Click("ToolButton5");
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QVERIFY(std::filesystem::is_regular_file(h.DataFile("MusicList.lst")));
  }

  // --- filter, long operations ---

  void filterNarrowsBothListsAndCommandsActOnShownRows() {
    Harness h;
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("Sakura", "Haru", "1") + PlayerLine("夏祭り", "Natsu", "2") +
                                             PlayerLine("Other", "SAKURA best", "3") + PlayerLine("Ｓａｋｕｒａ", "x", "4"));
    h.WriteDataFile("MusicList.lst", RegisteredLine("nothing", "x", "1", false) + RegisteredLine("sakura", "y", "2", false));
    h.Start();
    auto* filter = h.Find<QLineEdit>("Filter");
    QTest::keyClicks(filter, "saKUra");
    QCOMPARE(h.Titles(ListId::MList), QStringList({"Sakura", "Other", U("Ｓａｋｕｒａ")}));  // width folds too
    QCOMPARE(h.Titles(ListId::AList), QStringList({"sakura"}));

    h.PopupKey(ListId::MList, 0, Qt::Key_F);  // tick all: the shown rows only
    const library::SongList& rows = h.window->State().MList;
    QVERIFY(rows[0].checked && !rows[1].checked && rows[2].checked && rows[3].checked);

    h.ClickRow(ListId::MList, 1);  // "Other", full row 2
    h.Click("ToolButton5");
    filter->clear();
    QCOMPARE(h.Titles(ListId::AList), QStringList({"nothing", "sakura", "Other"}));
    QCOMPARE(h.Model(ListId::MList).rowCount(), 4);

    // Japanese text arrives committed by the input method.
    QInputMethodEvent typed;
    typed.setCommitString(U("祭"));
    QApplication::sendEvent(filter, &typed);
    QCOMPARE(h.Titles(ListId::MList), QStringList({U("夏祭り")}));
  }

  void longOperationsDisableTheCommandsThatStartAnother() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.WriteDataFile("MusicList.lst", RegisteredLine("さくら", "春", "1", true));
    h.Start();
    h.Click("ToolButton1");
    bool disabledDuringExport = false;
    h.onBox = [&](const Box&) {
      disabledDuringExport = h.window->Busy() && !h.Button("ToolButton2")->isEnabled() &&
                             !h.Button("ToolButton3")->isEnabled() && !h.Action("G1")->isEnabled() &&
                             !h.Action("M1")->isEnabled() && h.Action("Close1")->isEnabled();
    };
    h.Click("ToolButton2");
    QVERIFY(disabledDuringExport);
    QVERIFY(!h.window->Busy());
    QVERIFY(h.Button("ToolButton2")->isEnabled());
    QVERIFY(h.Action("G1")->isEnabled());
  }

  void escapeStopsAScanAfterTheCurrentFile() {
    Harness h;
    for (int folder = 0; folder < 6; ++folder)
      for (int song = 0; song < 3; ++song)
        h.AddSong("F0" + std::to_string(folder) + "/s" + std::to_string(song) + ".mp3",
                  {"t" + std::to_string(folder) + std::to_string(song), "a", "x", "1", "", "", ""});
    h.PlugIn();
    h.Start();
    h.Click("ToolButton1");
    // The key arrives at the first point where the scan lets events through.
    QTimer::singleShot(0, [&h] { QTest::keyClick(h.View(ListId::MList), Qt::Key_Escape); });
    h.Action("M1")->trigger();
    QVERIFY(h.window->State().MList.size() < 18);
    QCOMPARE(h.Model(ListId::MList).rowCount(), static_cast<int>(h.window->State().MList.size()));
    QVERIFY(!h.window->Busy());
    h.Action("M1")->trigger();  // the next scan is not stopped by the old key
    QCOMPARE(h.Model(ListId::MList).rowCount(), 18);
  }

  void closingDuringAScanWaitsForItsEnd() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.Start();
    h.Click("ToolButton1");
    QSignalSpy closed(h.window.get(), &app::MainWindow::Closed);
    QTimer::singleShot(0, [&h] { h.window->close(); });
    h.Action("M1")->trigger();
    QCOMPARE(closed.count(), 0);
    QTRY_COMPARE(closed.count(), 1);
  }

  // --- keyboard, status, views, drops ---

  void keysSwitchTabsAndEnterEditsTheRow() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("One", "A", "1", false));
    h.WriteDataFile("One-A.txt", "first\r\n");
    h.Start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    auto* tab = h.Find<QTabBar>("Tab");
    QVERIFY(tab->focusPolicy() & Qt::TabFocus);
    const std::pair<QKeyCombination, int> presses[] = {
        {Qt::CTRL | Qt::Key_Tab, 1},      {Qt::CTRL | Qt::Key_Tab, 0},      {Qt::ALT | Qt::Key_2, 1},
        {Qt::ALT | Qt::Key_2, 1},         {Qt::ALT | Qt::Key_1, 0},         {Qt::CTRL | Qt::Key_PageDown, 1},
        {Qt::CTRL | Qt::Key_PageUp, 0},   {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, 1},
    };
    for (const auto& [key, expected] : presses) {
      QTest::keyClick(h.window->focusWidget() ? h.window->focusWidget() : h.window.get(), key.key(), key.keyboardModifiers());
      QCOMPARE(tab->currentIndex(), expected);
      QCOMPARE(h.window->State().Visible, expected == 0 ? ListId::MList : ListId::AList);
      QCOMPARE(h.View(ListId::AList)->isVisible(), expected == 1);
    }
    // Keys on the tab bar itself move between the tabs too.
    tab->setFocus();
    QTest::keyClick(tab, Qt::Key_Left);
    QCOMPARE(h.window->State().Visible, ListId::MList);
    QTest::keyClick(tab, Qt::Key_Right);
    QCOMPARE(h.window->State().Visible, ListId::AList);

    QTableView* view = h.View(ListId::AList);
    view->setFocus();
    view->selectRow(0);
    QTest::keyClick(view, Qt::Key_Return);
    WAIT_UNTIL(h.edit->isVisible());
    QVERIFY(h.edit->windowTitle().startsWith(U("One")));
    QCOMPARE(h.edit->Memo->toPlainText(), QStringLiteral("first\n"));
  }

  void menuKeysShortcutsAndTheFilterKeys() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("One", "A", "1", false));
    h.Start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QCOMPARE(h.Action("M1")->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(h.Action("W1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    QCOMPARE(h.Action("D1")->shortcut(), QKeySequence(Qt::Key_Delete));
    h.ClickTab(1);
    QTableView* view = h.View(ListId::AList);
    view->setFocus();
    view->selectRow(0);
    for (const QKeyCombination key : {QKeyCombination(Qt::SHIFT | Qt::Key_F10), QKeyCombination(Qt::Key_Menu)}) {
      QTest::keyClick(view, key.key(), key.keyboardModifiers());
      QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu != nullptr);
      QCOMPARE(menu->objectName(), QStringLiteral("PopupMenu1"));
      menu->close();
    }
    // Ctrl+F goes to the filter, Esc there clears it (and Esc on an empty filter does nothing).
    auto* filter = h.Find<QLineEdit>("Filter");
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(filter->hasFocus());
    QTest::keyClicks(filter, "zzz");
    QVERIFY(h.Find<QLabel>("AListEmptyHint")->isVisible());
    QCOMPARE(h.Find<QLabel>("FilterCount")->text(), QStringLiteral("0 / 1"));
    QTest::keyClick(filter, Qt::Key_Escape);
    QVERIFY(filter->text().isEmpty());
    QVERIFY(!h.Find<QLabel>("AListEmptyHint")->isVisible());
    QVERIFY(!h.Find<QLabel>("FilterCount")->isVisible());
  }

  void deleteAsksForMoreThanOneRowOnly() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("a", "x", "1", false) + RegisteredLine("b", "x", "2", false) +
                                         RegisteredLine("c", "x", "3", false));
    h.Start();
    h.ClickTab(1);
    QTableView* view = h.View(ListId::AList);
    view->setFocus();
    h.ClickRow(ListId::AList, 0);
    h.ClickRow(ListId::AList, 1, Qt::ShiftModifier);
    h.answer = false;
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(h.boxes.size(), std::size_t(1));
    QCOMPARE(h.boxes.back().kind, app::BoxKind::YesNo);
    QCOMPARE(h.boxes.back().text, U("選択した 2 曲を登録済みリストから削除しますか？"));
    QCOMPARE(h.Titles(ListId::AList), QStringList({"a", "b", "c"}));
    h.answer = true;
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(h.Titles(ListId::AList), QStringList({"c"}));
    QCOMPARE(h.StatusText(), U("2 曲を登録済みリストから削除しました"));
    h.ClickRow(ListId::AList, 0);
    QTest::keyClick(view, Qt::Key_Delete);  // one row: no question
    QCOMPARE(h.boxes.size(), std::size_t(2));
    QVERIFY(h.Titles(ListId::AList).isEmpty());
  }

  void theFilterFindsHalfWidthFromFullWidthAndCounts() {
    Harness h;
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("Best Song", "x", "1") + PlayerLine("Other", "The BEST", "2") +
                                             PlayerLine("Else", "y", "3") + PlayerLine("ｶﾞｸ", "y", "4"));
    h.Start();
    auto* filter = h.Find<QLineEdit>("Filter");
    QInputMethodEvent typed;
    typed.setCommitString(U("ｂｅｓｔ"));
    QApplication::sendEvent(filter, &typed);
    QCOMPARE(h.Titles(ListId::MList), QStringList({"Best Song", "Other"}));
    QCOMPARE(h.Find<QLabel>("FilterCount")->text(), QStringLiteral("2 / 4"));
    QVERIFY(h.Find<QLabel>("FilterCount")->isVisible());
    filter->setText(U("ガク"));
    QCOMPARE(h.Titles(ListId::MList), QStringList({U("ｶﾞｸ")}));
  }

  // The permanent count follows add, tick (box, Space, tick-all) and remove; each command
  // ends with a status line.
  void theStatusCountFollowsEveryChange() {
    Harness h;
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("a", "x", "1") + PlayerLine("b", "x", "2") + PlayerLine("c", "x", "3"));
    h.Start();
    auto count = [&h] { return h.Find<QLabel>("CountPanel")->text(); };
    QCOMPARE(count(), U("3 曲 / 登録 0 曲 / チェック 0 曲"));
    h.ClickRow(ListId::MList, 0);
    h.ClickRow(ListId::MList, 1, Qt::ShiftModifier);
    h.Click("ToolButton5");
    QCOMPARE(count(), U("3 曲 / 登録 2 曲 / チェック 0 曲"));
    QCOMPARE(h.StatusText(), U("2 曲を登録しました"));
    h.ClickTab(1);
    h.ClickCheckBox(ListId::AList, 0);
    QCOMPARE(count(), U("3 曲 / 登録 2 曲 / チェック 1 曲"));
    QTableView* view = h.View(ListId::AList);
    view->setFocus();
    h.ClickRow(ListId::AList, 1);
    QTest::keyClick(view, Qt::Key_Space);
    QCOMPARE(count(), U("3 曲 / 登録 2 曲 / チェック 2 曲"));
    QTest::keyClick(view, Qt::Key_Space);
    QCOMPARE(count(), U("3 曲 / 登録 2 曲 / チェック 1 曲"));
    h.PopupKey(ListId::AList, 0, Qt::Key_A);  // tick all
    QCOMPARE(count(), U("3 曲 / 登録 2 曲 / チェック 2 曲"));
    QCOMPARE(h.StatusText(), U("2 曲にチェックしました"));
    h.ClickRow(ListId::AList, 0);
    h.Click("ToolButton6");
    QCOMPARE(count(), U("3 曲 / 登録 1 曲 / チェック 1 曲"));
    QCOMPARE(h.StatusText(), U("1 曲を登録済みリストから削除しました"));
  }

  // Rows added at the end are out of the order the header showed; a reload too.
  void theSortIndicatorGoesWhenTheOrderDoes() {
    Harness h;
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("b", "x", "1") + PlayerLine("a", "x", "2"));
    h.WriteDataFile("MusicList.lst", RegisteredLine("z", "x", "1", false) + RegisteredLine("y", "x", "2", false));
    h.Start();
    h.ClickTab(1);
    h.window->MListColumnClick(ListId::AList, 0);
    QHeaderView* header = h.View(ListId::AList)->horizontalHeader();
    QCOMPARE(header->sortIndicatorSection(), 0);
    h.ClickTab(0);
    h.ClickRow(ListId::MList, 0);
    h.Click("ToolButton5");
    QCOMPARE(header->sortIndicatorSection(), -1);
    // A later unsorted click (a column the library leaves alone) does not bring the old one back.
    h.window->MListColumnClick(ListId::AList, 99);
    QCOMPARE(header->sortIndicatorSection(), -1);
  }

  // The opening-line column follows a save in the editor at once.
  void theOpeningLineFollowsTheEditor() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("One", "A", "1", false) + RegisteredLine("Two", "A", "2", false));
    h.Start();
    h.ClickTab(1);
    h.DoubleClickRow(ListId::AList, 1);
    WAIT_UNTIL(h.edit->isVisible());
    h.edit->Memo->setPlainText(U("新しい一行目\n二行目"));
    QTest::mouseClick(h.edit->ToolBar1->findChild<QToolButton*>("ToolButton3"), Qt::LeftButton);
    QVERIFY(!h.edit->isVisible());
    QCOMPARE(h.Cell(ListId::AList, 1, 6), U("新しい一行目"));
    QCOMPARE(h.Cell(ListId::AList, 0, 6), QString());
  }

  // An LRC file dropped on a row opens the editor for that song with the lyrics alone, as
  // changed text that only Save writes; other files and drops beside the rows are refused.
  void anLrcDropOnARowStripsTheTimeTags() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("One", "A", "1", false) + RegisteredLine("Two", "A", "2", false));
    h.Start();
    h.ClickTab(1);
    const std::string lrc = h.data.File("two.lrc");
    testing_support::WriteBytes(lrc, "\xEF\xBB\xBF[ti:Two]\n[ar:X]\n[00:01.00]\xE6\xA1\x9C\xE3\x81\xAE\n[00:02.50][00:09.00]la la\n");
    QTableView* view = h.View(ListId::AList);
    auto drop = [&](const std::string& file, const QPoint& at) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(view->viewport(), &enter);
      QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(view->viewport(), &dropped);
      return enter.isAccepted();
    };
    const QPoint rowTwo = view->visualRect(view->model()->index(1, 1)).center();
    const std::string mp3 = h.data.File("song.mp3");
    testing_support::WriteBytes(mp3, "ID3");
    QVERIFY(!drop(mp3, rowTwo));
    QVERIFY(!drop(lrc, QPoint(5, view->viewport()->height() - 3)));  // below the rows
    QTest::qWait(20);
    QVERIFY(!h.edit->isVisible());
    QVERIFY(drop(lrc, rowTwo));
    WAIT_UNTIL(h.edit->isVisible());
    QVERIFY(h.edit->windowTitle().startsWith(U("Two")));
    QCOMPARE(h.edit->Memo->toPlainText(), U("桜の\nla la\n"));
    QVERIFY(h.edit->Memo->document()->isModified());
    QVERIFY(!std::filesystem::exists(h.DataFile("Two-A.txt")));
  }

  // The registered list's pop-up edits and imports as the song list's does.
  void theRegisteredPopupEditsAndImports() {
    Harness h;
    AddFourSongs(h);
    h.PlugIn();
    h.Start();
    h.Click("ToolButton1");
    h.Click("ToolButton3");
    h.ClickRow(ListId::MList, RowOf(h, ListId::MList, "さくら"));
    h.Click("ToolButton5");
    h.ClickTab(1);
    h.ClickRow(ListId::AList, 0);
    h.boxes.clear();
    h.PopupKey(ListId::AList, 0, Qt::Key_L);
    QCOMPARE(h.BoxTexts(), QStringList({U("歌詞を保存しました。")}));
    QCOMPARE(testing_support::ReadBytes(h.DataFile("さくら-春.txt")),
             platform::Utf8ToCp932("さくら さくら\r\nやよいの空は\r\n"));
    QCOMPARE(h.Cell(ListId::AList, 0, 6), U("さくら さくら"));
    QCOMPARE(h.StatusText(), U("「さくら」の歌詞の取り込みを終えました"));
    h.PopupKey(ListId::AList, 0, Qt::Key_W);
    WAIT_UNTIL(h.edit->isVisible());
    QCOMPARE(h.edit->Memo->toPlainText(), U("さくら さくら\nやよいの空は\n"));
  }

  // A scan has a stop button beside the progress bar and ends with a count.
  void theScanShowsItsProgressAndEndsWithACount() {
    Harness h;
    for (int folder = 0; folder < 6; ++folder)
      for (int song = 0; song < 3; ++song)
        h.AddSong("F0" + std::to_string(folder) + "/s" + std::to_string(song) + ".mp3",
                  {"t" + std::to_string(folder) + std::to_string(song), "a", "x", "1", "", "", ""});
    h.PlugIn();
    h.Start();
    h.Click("ToolButton1");
    bool stopShown = false;
    QTimer::singleShot(0, [&h, &stopShown] {
      auto* stop = h.Find<QToolButton>("StopButton");
      stopShown = stop->isVisible() && h.Find<QLabel>("ScanPanel")->isVisible();
      QTest::mouseClick(stop, Qt::LeftButton);
    });
    h.Action("M1")->trigger();
    QVERIFY(stopShown);
    QVERIFY(!h.Find<QToolButton>("StopButton")->isVisible());
    QCOMPARE(h.StatusText(), U("中断しました（%1 曲）").arg(h.window->State().MList.size()));
    h.Action("M1")->trigger();
    QCOMPARE(h.StatusText(), U("18 曲を読み込みました"));
  }

  void theStatusComesBackAfterAFailure() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("a", "x", "1", true));
    h.Start();
    h.window->State().Connected = true;
    h.window->State().DriveRoot = h.data.File("gone") + "/";
    h.window->Feedback().SetStatus(platform::Sjis("前の文"));
    h.Click("ToolButton2");
    QVERIFY(!h.boxes.empty());
    QCOMPARE(h.StatusText(), U("前の文"));
  }

  // The current row of the focused list is framed in the palette's highlight colour.
  void theFocusedRowIsFramed() {
    Harness h;
    h.WriteDataFile("iPodMusicList.lst", PlayerLine("a", "x", "1") + PlayerLine("b", "x", "2"));
    h.Start();
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    QTableView* view = h.View(ListId::MList);
    view->setFocus();
    view->selectionModel()->clearSelection();
    view->selectionModel()->setCurrentIndex(view->model()->index(1, 0), QItemSelectionModel::NoUpdate);
    QTRY_VERIFY(view->hasFocus());
    const QImage image = view->viewport()->grab().toImage();
    const QColor frame = view->palette().color(QPalette::Active, QPalette::Highlight);
    const QRect current = view->visualRect(view->model()->index(1, 2));
    const QRect other = view->visualRect(view->model()->index(0, 2));
    const qreal ratio = image.devicePixelRatio();
    auto pixel = [&](int x, int y) { return image.pixelColor(QPoint(x, y) * ratio); };
    QCOMPARE(pixel(current.center().x(), current.top()), frame);
    QCOMPARE(pixel(current.center().x(), current.bottom()), frame);
    QVERIFY(pixel(other.center().x(), other.top() + 1) != frame);
    view->clearFocus();
    QTRY_VERIFY(!view->hasFocus());
    QVERIFY(view->viewport()->grab().toImage().pixelColor(QPoint(current.center().x(), current.top()) * ratio) != frame);
  }
};

QTEST_MAIN(MainTest)
#include "Main_test.moc"
