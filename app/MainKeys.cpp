// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's keyboard: tab switching, the list keys (Enter, Delete, Space, the menu
// keys), the filter's keys and the shortcuts the menus show; the lyrics items of both
// pop-up menus; text files dropped on a row.
#include <QAction>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTabBar>
#include <QTableView>
#include <QTimer>

#include "app/CommandGuard.h"
#include "app/Edit_Words.h"
#include "app/Main.h"
#include "app/QtText.h"
#include "app/RowFocusDelegate.h"
#include "app/SongListModel.h"
#include "library/LyricsStore.h"
#include "library/OpeningLines.h"

namespace app {

using library::ListId;

namespace {

// A file whose text can become lyrics.
bool IsLyricsTextFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QStringLiteral("txt") || suffix == QStringLiteral("lrc");
}

QAction* WindowAction(QWidget* window, const char* name, const QList<QKeySequence>& keys) {
  auto* action = new QAction(window);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  window->addAction(action);
  return action;
}

}  // namespace

void MainWindow::BuildKeyboard() {
  // The tab bar takes focus and follows the keys; a mouse press still goes to TabMouseDown.
  TabBar()->setFocusPolicy(Qt::TabFocus);
  connect(TabBar(), &QTabBar::currentChanged, this, &MainWindow::SelectTab);
  const auto other = [this] { SelectTab(TabBar()->currentIndex() == 0 ? 1 : 0); };
  connect(WindowAction(this, "NextTabAction", {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}),
          &QAction::triggered, this, other);
  connect(WindowAction(this, "PreviousTabAction",
                       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                        QKeySequence(Qt::CTRL | Qt::Key_PageUp)}),
          &QAction::triggered, this, other);
  connect(WindowAction(this, "FirstTabAction", {QKeySequence(Qt::ALT | Qt::Key_1)}), &QAction::triggered, this,
          [this] { SelectTab(0); });
  connect(WindowAction(this, "SecondTabAction", {QKeySequence(Qt::ALT | Qt::Key_2)}), &QAction::triggered, this,
          [this] { SelectTab(1); });
  connect(WindowAction(this, "FindAction", {QKeySequence::Find}), &QAction::triggered, this, [this] {
    filter_->setFocus(Qt::ShortcutFocusReason);
    filter_->selectAll();
  });
  filter_->installEventFilter(this);

  // The menus show the keys. Delete is taken by the registered list itself (it asks first
  // for several rows), so the pop-up's item only shows it.
  findChild<QAction*>("M1")->setShortcut(Qt::Key_F5);
  findChild<QAction*>("W1")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  findChild<QAction*>("Close1")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  QAction* remove = popupMenu1_->findChild<QAction*>("D1");
  if (remove == nullptr) remove = findChild<QAction*>("D1");
  remove->setShortcut(Qt::Key_Delete);
  remove->setShortcutContext(Qt::WidgetShortcut);

  for (QTableView* view : {mList_, aList_}) {
    view->setItemDelegate(new RowFocusDelegate(view));
    view->installEventFilter(this);
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
  }
}

void MainWindow::AddLyricsItems() {
  auto item = [this](QMenu* menu, const char* name, const char* caption, const QKeySequence& key, auto handler) {
    auto* action = new QAction(Ui(caption), menu);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, handler);
    commands_.append(action);
    return action;
  };
  // The registered list: the same commands with the same access keys as elsewhere.
  popupMenu1_->addSeparator();
  popupMenu1_->addAction(item(popupMenu1_, "W2", "歌詞編集(&W)", QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
    if (!busy_ && aList_->selectionModel()->hasSelection()) OpenEditorFor(ListId::AList);
  }));
  popupMenu1_->addAction(item(popupMenu1_, "L3", "歌詞を取り込む(&L)", QKeySequence(), [this] { ImportLyricsOf(ListId::AList); }));
  // The song list has the import already; edit goes before it.
  QAction* import = findChild<QAction*>("L2");
  popupMenu2_->insertAction(import, item(popupMenu2_, "W3", "歌詞編集(&W)", QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
    if (!busy_ && mList_->selectionModel()->hasSelection()) OpenEditorFor(ListId::MList);
  }));
}

void MainWindow::SelectTab(int tab) {
  if (tab < 0 || tab > 1) return;
  if (TabBar()->currentIndex() != tab) {
    TabBar()->setCurrentIndex(tab);  // comes back here through currentChanged
    return;
  }
  state_.Visible = tab == 0 ? ListId::MList : ListId::AList;
  ShowVisibleList();
  UpdateFilterCount();
}

bool MainWindow::FilterKeyPress(QKeyEvent* key) {
  if (key->key() != Qt::Key_Escape || filter_->text().isEmpty()) return false;
  filter_->clear();
  return true;
}

bool MainWindow::ListEvent(ListId list, QEvent* event) {
  QTableView* view = View(list);
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (busy_) return false;
      const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        if (view->selectionModel()->hasSelection()) OpenEditorFor(list);
        return true;
      }
      if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        ShowRowMenu(list);
        return true;
      }
      if (key->key() == Qt::Key_Delete && modifiers == Qt::NoModifier && list == ListId::AList) {
        DeleteKeyPressed();
        return true;
      }
      if (key->key() == Qt::Key_Space && modifiers == Qt::NoModifier) {
        ToggleSelectedChecks(list);
        return true;
      }
      return false;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      const bool onRow = view->indexAt(drag->position().toPoint()).isValid();
      if (!busy_ && onRow && IsLyricsTextFile(DroppedFile(drag->mimeData()))) drag->acceptProposedAction();
      else drag->ignore();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QString path = DroppedFile(drop->mimeData());
      const QModelIndex index = view->indexAt(drop->position().toPoint());
      if (busy_ || !index.isValid() || !IsLyricsTextFile(path)) return true;
      drop->acceptProposedAction();
      // The drop ends first; the editor and its questions come after.
      const int row = index.row();
      QTimer::singleShot(0, this, [this, list, row, path] { OpenDroppedFile(list, row, path); });
      return true;
    }
    default: return false;
  }
}

void MainWindow::OpenDroppedFile(ListId list, int shownRow, const QString& path) {
  if (busy_ || !edit_ || shownRow >= Model(list).rowCount()) return;
  library::OpenedText opened;
  if (!RunCommand(this, [&] { opened = ReadLyricsTextFile(path); })) return;
  View(list)->selectRow(shownRow);
  // Shown for review as changed text: only Save writes it.
  if (OpenEditorFor(list)) edit_->ShowOpenedText(opened, true);
}

void MainWindow::ShowRowMenu(ListId list) {
  QTableView* view = View(list);
  QMenu* popup = list == ListId::MList ? popupMenu2_ : popupMenu1_;
  const QModelIndex current = view->currentIndex();
  const QPoint at = current.isValid() ? view->visualRect(current).bottomLeft() : QPoint(0, 0);
  popup->popup(view->viewport()->mapToGlobal(at));
}

void MainWindow::ToggleSelectedChecks(ListId list) {
  QTableView* view = View(list);
  const QModelIndexList rows = view->selectionModel()->selectedRows();
  if (rows.isEmpty()) return;
  SongListModel& model = Model(list);
  const QModelIndex current = view->currentIndex();
  const QModelIndex lead = model.index(current.isValid() ? current.row() : rows.front().row(), 0);
  const bool tick = lead.data(Qt::CheckStateRole).toInt() != Qt::Checked;
  for (const QModelIndex& row : rows) model.setData(model.index(row.row(), 0), tick ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

void MainWindow::DeleteKeyPressed() {
  const std::size_t selected = Selection(ListId::AList).rows.size();
  if (selected == 0) return;
  if (selected > 1 && !ShowBox(this, BoxKind::YesNo, Ui("選択した %1 曲を登録済みリストから削除しますか？").arg(selected)))
    return;
  RemoveSelected();
}

void MainWindow::ImportLyricsOf(ListId list) {
  const library::ListSelection selection = Selection(list);
  const bool done = RunCommand(this, [&] { library::ImportLyricsOfRow(state_, *feedback_, selection, list); });
  if (selection.Empty()) return;
  ShowOpeningLines(library::RefreshOpeningLinesOfRow(state_, list, selection));
  const library::SongList& rows = state_.List(list);
  if (done && selection.Current() < rows.size())
    ReportStatus(Ui("「%1」の歌詞の取り込みを終えました").arg(FromCp932(rows[selection.Current()].caption)));
}

}  // namespace app
