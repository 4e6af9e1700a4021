// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <unordered_map>

#include "app/AppIcon.h"
#include "app/CommandGuard.h"
#include "app/Edit_Words.h"
#include "app/NotePreview.h"
#include "app/QtText.h"
#include "app/SettingU.h"
#include "app/SongListModel.h"
#include "app/StatusU.h"
#include "app/Version.h"
#include "library/ListCommands.h"
#include "library/ListFiles.h"
#include "library/LyricsStore.h"
#include "library/MusicScan.h"
#include "library/NotesWriter.h"
#include "library/OpeningLines.h"
#include "library/PlayerDetect.h"

namespace app {

using library::ListId;

// The tab bar above the lists. A mouse press reports a tab to TabMouseDown; the keys reach
// the lists through the bar's current tab (see BuildKeyboard). It ignores the wheel.
class ListTabBar : public QTabBar {
public:
  using QTabBar::QTabBar;
  std::function<void(Qt::MouseButton, const QPoint&)> mouseDown;

protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (mouseDown) mouseDown(event->button(), event->position().toPoint());
    QTabBar::mousePressEvent(event);
  }
  void wheelEvent(QWheelEvent* event) override { event->ignore(); }
};

namespace {

// Column titles and initial widths of the lists.
const char* const kColumnTitles[] = {"曲名", "アルバム", "トラック", "アーティスト", "時間", "Year", "歌い出し"};
const int kColumnWidths[] = {140, 100, 60, 100, 70, 60, 200};

}  // namespace

MainWindow::MainWindow(const std::string& appDir, std::unique_ptr<platform::MountWatcher> watcher, QWidget* parent)
    : QMainWindow(parent), state_(appDir), watcher_(std::move(watcher)) {
  setObjectName("MainWindow");
  setWindowTitle(Ui("Lyrimate"));
  resize(731, 511);
  BuildControls();
  RestoreLayout();
  feedback_ = std::make_unique<QtFeedback>(this, statusPanel_, per_);
  feedback_->SetBeforeProcessing([this] { BeforeProcessing(); });
  StartWatching();
  timer1_->start();
}

MainWindow::~MainWindow() {
  if (busy_) qApp->removeEventFilter(this);
}

void MainWindow::SetWindows(TEdit* edit, TSetting* setting, TAbout* about, TStatus* status) {
  edit_ = edit;
  setting_ = setting;
  about_ = about;
  status_ = status;
  RestoreEditorLayout();
  // What the editor saved shows at once in the registered list's opening-line column.
  if (edit_)
    connect(edit_, &TEdit::Saved, this,
            [this] { ShowOpeningLines(library::RefreshOpeningLines(state_, state_.LyricsPath)); });
}

// ---------------------------------------------------------------------------------------
// Controls

void MainWindow::BuildControls() {
  BuildToolBar();
  BuildMenus();
  auto* central = new QWidget(this);
  BuildLists(central);
  setCentralWidget(central);
  BuildStatusBar();
  BuildKeyboard();
  AddLyricsItems();
  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(2000);
  connect(timer1_, &QTimer::timeout, this, &MainWindow::Timer1Timer);
}

void MainWindow::BuildToolBar() {
  bar_ = new QToolBar(this);
  bar_->setObjectName("Bar");
  bar_->setMovable(false);
  bar_->setFloatable(false);
  bar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  bar_->setIconSize(QSize(20, 20));
  bar_->setContextMenuPolicy(Qt::PreventContextMenu);
  addToolBar(Qt::TopToolBarArea, bar_);

  struct Button {
    const char* name;
    const char* caption;
    const char* icon;
    QStyle::StandardPixmap fallback;
    void (MainWindow::*handler)();
  };
  const Button buttons[] = {
      {"ToolButton1", "接続", "network-connect", QStyle::SP_DriveHDIcon, &MainWindow::ToolButton1Click},
      {"ToolButton2", "リスト作成", "document-export", QStyle::SP_DialogSaveButton, &MainWindow::ToolButton2Click},
      {"ToolButton3", "曲情報取得", "view-refresh", QStyle::SP_BrowserReload, &MainWindow::ToolButton3Click},
      {"ToolButton4", "歌詞編集", "document-edit", QStyle::SP_FileDialogDetailedView, &MainWindow::ToolButton4Click},
      {"ToolButton5", "一覧へ追加", "list-add", QStyle::SP_ArrowDown, &MainWindow::ToolButton5Click},
      {"ToolButton6", "一覧から削除", "list-remove", QStyle::SP_TrashIcon, &MainWindow::ToolButton6Click},
  };
  for (const Button& button : buttons) {
    QAction* action = bar_->addAction(ThemeIcon(button.icon, button.fallback), Ui(button.caption));
    action->setObjectName(QString::fromLatin1(button.name) + "Action");
    action->setToolTip(Ui(button.caption));
    connect(action, &QAction::triggered, this, button.handler);
    QWidget* widget = bar_->widgetForAction(action);
    widget->setObjectName(QString::fromLatin1(button.name));
    widget->setMinimumSize(77, 39);
    commands_.append(action);
  }
}

void MainWindow::BuildMenus() {
  auto action = [this](QMenu* menu, const char* name, const char* caption, auto handler, bool command = true) {
    QAction* made = menu->addAction(Ui(caption));
    made->setObjectName(QString::fromLatin1(name));
    connect(made, &QAction::triggered, this, handler);
    if (command) commands_.append(made);
    return made;
  };
  auto submenu = [this](const char* name, const char* caption) {
    QMenu* menu = menuBar()->addMenu(Ui(caption));
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + "Action");
    return menu;
  };

  QMenu* file = submenu("File1", "ファイル(&F)");
  action(file, "C1", "接続(&C)", &MainWindow::C1Click);
  file->addSeparator();
  action(file, "Close1", "閉じる(&X)", &MainWindow::Close1Click, false);

  QMenu* player = submenu("iPodI1", "iPod(&I)");
  action(player, "M1", "曲情報取得(&M)", &MainWindow::M1Click);
  action(player, "W1", "歌詞編集(&W)", &MainWindow::W1Click);
  player->addSeparator();
  action(player, "L1", "リスト作成(&L)", &MainWindow::L1Click);
  action(player, "G1", "全歌詞取得(&G)", &MainWindow::G1Click);

  QMenu* settings = submenu("S1", "設定(&S)");
  action(settings, "N3", "全般(&G)", &MainWindow::N3Click, false);

  QMenu* help = submenu("Help1", "ヘルプ(&H)");
  action(help, "About1", "バージョン情報(&A)", &MainWindow::About1Click, false);

  popupMenu1_ = new QMenu(this);
  popupMenu1_->setObjectName("PopupMenu1");
  action(popupMenu1_, "D1", "リストから削除(&D)", &MainWindow::D1Click);
  action(popupMenu1_, "S2", "リストを保存(&S)", &MainWindow::S2Click);
  popupMenu1_->addSeparator();
  action(popupMenu1_, "N9", "全てチェック(&A)", &MainWindow::AlChkClick);
  action(popupMenu1_, "R2", "チェック解除(&R)", &MainWindow::uChkClick);
  popupMenu1_->addSeparator();
  action(popupMenu1_, "M2", "曲の詳細(&M)", [this] { M2Click(ListId::AList); });
  action(popupMenu1_, "P1", "ノートをプレビュー(&P)", &MainWindow::P1Click);

  popupMenu2_ = new QMenu(this);
  popupMenu2_->setObjectName("PopupMenu2");
  action(popupMenu2_, "N4", "登録済みリストへ追加(&A)", &MainWindow::N4Click);
  action(popupMenu2_, "S3", "リストを保存(&S)", &MainWindow::S3Click);
  popupMenu2_->addSeparator();
  action(popupMenu2_, "N7", "全てチェック(&F)", &MainWindow::AlChkClick);
  action(popupMenu2_, "R1", "チェック解除(&R)", &MainWindow::uChkClick);
  action(popupMenu2_, "Copy1", "コピー(&C)", &MainWindow::Button1Click);
  popupMenu2_->addSeparator();
  action(popupMenu2_, "M3", "曲の詳細(&M)", [this] { M2Click(ListId::MList); });
  action(popupMenu2_, "L2", "歌詞を取り込む(&L)", &MainWindow::L2Click);
}

QTableView* MainWindow::MakeList(ListId list, const char* name, QMenu* popup) {
  const int columns = list == ListId::MList ? 6 : 7;
  QStringList titles;
  for (int c = 0; c < columns; ++c) titles << Ui(kColumnTitles[c]);
  auto* model = new SongListModel(state_.List(list), titles, this);
  (list == ListId::MList ? mModel_ : aModel_) = model;

  auto* view = new QTableView(pages_);
  view->setObjectName(QString::fromLatin1(name));
  view->setModel(model);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setShowGrid(true);
  view->setSortingEnabled(false);
  view->setWordWrap(false);
  view->setTabKeyNavigation(false);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  QHeaderView* rowsHeader = view->verticalHeader();
  rowsHeader->hide();
  rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
  rowsHeader->setDefaultSectionSize(view->fontMetrics().height() + 6);

  QHeaderView* header = view->horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setStretchLastSection(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int c = 0; c < columns; ++c) header->resizeSection(c, kColumnWidths[c]);
  connect(header, &QHeaderView::sectionClicked, this, [this, list](int column) { MListColumnClick(list, column); });

  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this,
          [view, popup](const QPoint& at) { popup->popup(view->viewport()->mapToGlobal(at)); });
  view->viewport()->installEventFilter(this);
  return view;
}

void MainWindow::BuildLists(QWidget* central) {
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);

  auto* top = new QHBoxLayout();
  top->setContentsMargins(0, 0, 0, 0);
  tab_ = new ListTabBar(central);
  tab_->setObjectName("Tab");
  tab_->setExpanding(false);
  tab_->setDrawBase(false);
  tab_->addTab(Ui("曲一覧"));
  tab_->addTab(Ui("登録済み"));
  tab_->setCurrentIndex(0);
  tab_->mouseDown = [this](Qt::MouseButton button, const QPoint& at) { TabMouseDown(button, at); };
  top->addWidget(tab_, 0, Qt::AlignBottom);
  top->addStretch(1);

  filter_ = new QLineEdit(central);
  filter_->setObjectName("Filter");
  filter_->setClearButtonEnabled(true);
  filter_->setPlaceholderText(Ui("絞り込み（曲名・アルバム・アーティスト）"));
  filter_->setToolTip(Ui("曲名・アルバム・アーティストにこの文字を含む曲だけを表示します"));
  filter_->setMinimumWidth(300);
  connect(filter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  top->addWidget(filter_, 0, Qt::AlignVCenter);
  layout->addLayout(top);

  pages_ = new QStackedWidget(central);
  pages_->setObjectName("TabPages");
  mList_ = MakeList(ListId::MList, "MList", popupMenu2_);
  aList_ = MakeList(ListId::AList, "AList", popupMenu1_);
  pages_->addWidget(mList_);
  pages_->addWidget(aList_);
  layout->addWidget(pages_, 1);
  ShowVisibleList();
}

void MainWindow::BuildStatusBar() {
  QStatusBar* status = statusBar();
  status->setObjectName("Status");
  status->setSizeGripEnabled(true);
  statusPanel_ = new QLabel(Ui("iPod が認識されていません。"), status);
  statusPanel_->setObjectName("StatusPanel");
  // The text takes the width the other panels leave, however long it is.
  statusPanel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusPanel_->setFrameShape(QFrame::StyledPanel);
  statusPanel_->setFrameShadow(QFrame::Sunken);
  status->addWidget(statusPanel_, 1);
  per_ = new QProgressBar(status);
  per_->setObjectName("Per");
  per_->setRange(0, 100);
  per_->setValue(0);
  per_->setTextVisible(false);
  per_->setFixedWidth(221);
  BuildStatusExtras(status);
}

void MainWindow::StartWatching() {
  if (!watcher_) watcher_ = std::make_unique<platform::MountWatcher>();
  if (watcher_->Fd() >= 0) {
    auto* notifier = new QSocketNotifier(watcher_->Fd(), QSocketNotifier::Exception, this);
    connect(notifier, &QSocketNotifier::activated, this, &MainWindow::MountTableChanged);
  }
}

// ---------------------------------------------------------------------------------------
// Models and views

SongListModel& MainWindow::Model(ListId list) { return list == ListId::MList ? *mModel_ : *aModel_; }
QTableView* MainWindow::View(ListId list) { return list == ListId::MList ? mList_ : aList_; }

void MainWindow::RefreshLists() {
  mModel_->Refresh();
  aModel_->Refresh();
}

library::ListSelection MainWindow::Selection(ListId list) const {
  const QTableView* view = list == ListId::MList ? mList_ : aList_;
  const SongListModel* model = list == ListId::MList ? mModel_ : aModel_;
  library::ListSelection selection;
  const std::size_t listSize = state_.List(list).size();
  for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
    const std::size_t full = model->FullRow(index.row());
    if (full < listSize) selection.rows.push_back(full);
  }
  std::sort(selection.rows.begin(), selection.rows.end());
  return selection;
}

// A row's whole content, so that the same rows can be selected again after a sort moved them.
static std::string RowContent(const library::SongRow& row) {
  std::string content = row.caption;
  for (const std::string& sub : row.sub) content += '\t' + sub;
  content += row.checked ? "\t1" : "\t0";
  return content;
}

std::unordered_map<std::string, int> MainWindow::SelectedRowContents(ListId list) const {
  std::unordered_map<std::string, int> contents;
  const library::SongList& rows = state_.List(list);
  for (std::size_t row : Selection(list).rows) ++contents[RowContent(rows[row])];
  return contents;
}

void MainWindow::Reselect(ListId list, std::unordered_map<std::string, int> contents) {
  if (contents.empty()) return;
  const library::SongList& rows = state_.List(list);
  const SongListModel& model = Model(list);
  int missing = 0;
  for (const auto& [content, count] : contents) missing += count;
  QItemSelection selection;
  for (int shown = 0; shown < model.rowCount() && missing > 0; ++shown) {
    const auto found = contents.find(RowContent(rows[model.FullRow(shown)]));
    if (found == contents.end() || found->second == 0) continue;
    --found->second;
    --missing;
    const QModelIndex first = model.index(shown, 0);
    if (!selection.isEmpty() && selection.last().bottom() == shown - 1)
      selection.last() = QItemSelectionRange(selection.last().topLeft(), first);
    else
      selection.select(first, first);
  }
  View(list)->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void MainWindow::ShowVisibleList() {
  pages_->setCurrentWidget(state_.Visible == ListId::MList ? mList_ : aList_);
}

void MainWindow::ApplyFilter() {
  mModel_->SetFilter(filter_->text());
  aModel_->SetFilter(filter_->text());
}

void MainWindow::UpdateSortIndicator(ListId list, int column, bool sorted) {
  QHeaderView* header = View(list)->horizontalHeader();
  const QSignalBlocker blocker(header);
  if (sorted) {
    header->setSortIndicator(column, state_.SortFlags[static_cast<std::size_t>(column)] ? Qt::AscendingOrder
                                                                                        : Qt::DescendingOrder);
    header->setProperty("sortedColumn", column);
    header->setProperty("sortedOrder", static_cast<int>(header->sortIndicatorOrder()));
  } else {
    // The header turned its indicator on its own when clicked; put back the last real sort.
    const QVariant last = header->property("sortedColumn");
    header->setSortIndicator(last.isValid() ? last.toInt() : -1,
                             static_cast<Qt::SortOrder>(header->property("sortedOrder").toInt()));
  }
}

// ---------------------------------------------------------------------------------------
// Long operations

template <typename Operation>
bool MainWindow::RunLongOperation(bool scan, Operation&& operation) {
  if (busy_) return false;
  busy_ = true;
  mListReplaced_ = false;
  scanStopped_ = false;
  SetCommandsEnabled(false);
  const std::string statusBefore = ToCp932(statusPanel_->text());
  if (scan) {
    feedback_->ArmStop();
    qApp->installEventFilter(this);
    ShowScanProgress(true);
  }
  const bool completed = RunCommand(this, std::forward<Operation>(operation));
  if (scan) {
    qApp->removeEventFilter(this);
    feedback_->DisarmStop();
    ShowScanProgress(false);
  }
  // A failure leaves no "in progress" text behind.
  if (!completed) feedback_->SetStatus(statusBefore);
  busy_ = false;
  SetCommandsEnabled(true);
  // A scan rebuilds the song list and leaves the registered list alone; the export reloads
  // only the registered list.
  (scan ? mModel_ : aModel_)->Refresh();
  if (closeWhenIdle_) QTimer::singleShot(0, this, &QWidget::close);
  return completed;
}

void MainWindow::SetCommandsEnabled(bool enabled) {
  for (QAction* action : std::as_const(commands_)) action->setEnabled(enabled);
}

// A running scan empties the song list first and then appends to it: the first processing
// point shows the emptied list, later ones only the new rows.
void MainWindow::BeforeProcessing() {
  // Stopping is armed exactly while a scan runs.
  if (!busy_ || !feedback_->StopArmed()) return;
  if (!mListReplaced_) {
    mModel_->Refresh();
    mListReplaced_ = true;
  } else {
    mModel_->RefreshAppended();
  }
  ShowScanProgress(true);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && busy_ && feedback_->StopArmed()) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (key->key() == Qt::Key_Escape && widget && widget->window() == this) {
      StopScan();
      return true;
    }
  }
  for (ListId list : {ListId::MList, ListId::AList}) {
    QTableView* view = View(list);
    if ((watched == view || watched == view->viewport()) && ListEvent(list, event)) return true;
  }
  if (watched == filter_ && event->type() == QEvent::KeyPress && FilterKeyPress(static_cast<QKeyEvent*>(event)))
    return true;
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == mList_->viewport()) QTimer::singleShot(0, this, &MainWindow::MListDblClick);
    if (watched == aList_->viewport()) QTimer::singleShot(0, this, &MainWindow::AListDblClick);
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Commands

void MainWindow::ConnectPlayer() {
  RunCommand(this, [this] { library::ConnectPlayer(state_, *feedback_); });
}

void MainWindow::GetSongInfo() { ScanSongs(); }

bool MainWindow::ScanSongs() {
  if (busy_) return false;
  library::ScanReport report;
  const bool completed = RunLongOperation(true, [this, &report] { report = library::GetSongInfo(state_, *feedback_); });
  ClearSortIndicator(ListId::MList);
  if (!completed) return false;
  // Without a player nothing was read, and the library has said why.
  if (!state_.Connected) return true;
  ReportStatus(report.stopped || scanStopped_ ? Ui("中断しました（%1 曲）").arg(state_.MList.size())
                                              : Ui("%1 曲を読み込みました").arg(state_.MList.size()));
  return true;
}

QTabBar* MainWindow::TabBar() const { return tab_; }

void MainWindow::ExportNotes() {
  std::size_t ticked = 0;
  for (const library::SongRow& row : state_.AList) ticked += row.checked ? 1 : 0;
  if (RunLongOperation(false, [this] { library::ExportNotes(state_, *feedback_); }) && state_.Connected)
    ReportStatus(Ui("チェックした %1 曲のリストを作成しました").arg(ticked));
}

bool MainWindow::OpenEditorFor(ListId list) {
  // Changed lyrics of the song in the editor are settled before another song replaces them.
  if (edit_ && edit_->isVisible() && !edit_->SettleChanges()) return false;
  bool shown = false;
  RunCommand(this, [this, list, &shown] {
    std::optional<library::EditorContent> content = library::OpenLyricsEditor(state_, list, Selection(list));
    if (content && edit_) {
      edit_->ShowSong(*content);
      shown = true;
    }
  });
  return shown;
}

void MainWindow::EditLyrics() {
  if (busy_) return;
  const std::optional<ListId> list = library::EditLyricsList(state_, mList_->selectionModel()->hasSelection(),
                                                             aList_->selectionModel()->hasSelection());
  if (list) OpenEditorFor(*list);
}

void MainWindow::RegisterSelected() {
  const std::size_t before = state_.AList.size();
  const bool done = RunCommand(this, [this] { library::RegisterSelected(state_, Selection(ListId::MList)); });
  aModel_->Refresh();
  // The new rows are at the end, out of any order the list had.
  if (state_.AList.size() > before) ClearSortIndicator(ListId::AList);
  if (done) ReportStatus(Ui("%1 曲を登録しました").arg(state_.AList.size() - before));
}

void MainWindow::RemoveSelected() {
  const std::size_t before = state_.AList.size();
  const bool done = RunCommand(this, [this] { library::RemoveSelected(state_, Selection(ListId::AList)); });
  aModel_->Refresh();
  if (done) ReportStatus(Ui("%1 曲を登録済みリストから削除しました").arg(before - state_.AList.size()));
}

void MainWindow::ToolButton1Click() { ConnectPlayer(); }
void MainWindow::ToolButton2Click() { ExportNotes(); }
void MainWindow::ToolButton3Click() { GetSongInfo(); }
void MainWindow::ToolButton4Click() { EditLyrics(); }
void MainWindow::ToolButton5Click() { RegisterSelected(); }
void MainWindow::ToolButton6Click() { RemoveSelected(); }
void MainWindow::C1Click() { ConnectPlayer(); }
void MainWindow::Close1Click() { close(); }
void MainWindow::M1Click() { GetSongInfo(); }
void MainWindow::W1Click() { EditLyrics(); }
void MainWindow::L1Click() { ExportNotes(); }

void MainWindow::G1Click() {
  if (busy_) return;
  const bool done = RunLongOperation(true, [this] { library::GetAllLyrics(state_, *feedback_); });
  ClearSortIndicator(ListId::MList);
  if (!done) return;
  ShowOpeningLines(library::RefreshAllOpeningLines(state_));
  ReportStatus(Ui("全歌詞取得を終えました（%1 曲）").arg(state_.MList.size()));
}

void MainWindow::N3Click() {
  if (setting_) setting_->exec();
}

void MainWindow::About1Click() {
  if (about_) about_->exec();
}

void MainWindow::D1Click() { RemoveSelected(); }

void MainWindow::S2Click() {
  RunCommand(this, [this] {
    library::SaveRegistered(state_);
    library::LoadLists(state_, library::ListsToLoad::RegisteredOnly);
  });
  aModel_->Refresh();
  ClearSortIndicator(ListId::AList);
}

void MainWindow::S3Click() {
  RunCommand(this, [this] { library::SavePlayerList(state_, *feedback_); });
}

void MainWindow::N4Click() { RegisterSelected(); }

void MainWindow::L2Click() { ImportLyricsOf(ListId::MList); }

void MainWindow::AlChkClick() { SetVisibleChecks(true); }
void MainWindow::uChkClick() { SetVisibleChecks(false); }

void MainWindow::SetVisibleChecks(bool tick) {
  SongListModel& model = Model(state_.Visible);
  const int shown = model.rowCount();
  const bool done = RunCommand(this, [this, &model, tick] {
    const auto apply = tick ? library::TickAll : library::UntickAll;
    if (model.Filtered()) {
      const std::vector<std::size_t> shown = model.ShownRows();
      apply(state_, &shown);
    } else {
      apply(state_, nullptr);
    }
  });
  model.RefreshChecks();
  if (done) ReportStatus((tick ? Ui("%1 曲にチェックしました") : Ui("%1 曲のチェックを外しました")).arg(shown));
}

void MainWindow::M2Click(ListId list) {
  const library::ListSelection selection = Selection(list);
  if (selection.Empty()) return;
  const bool read = RunCommand(this, [this, list, &selection] {
    std::optional<library::TMusicData> details = library::ShowDetails(state_, list, selection);
    if (details && status_) status_->Fill(*details);
  });
  if (read && status_) status_->exec();
}

void MainWindow::P1Click() {
  const library::ListSelection selection = Selection(ListId::AList);
  if (selection.Empty()) return;
  std::vector<library::NotePart> parts;
  const bool built = RunCommand(this, [&] {
    parts = library::PreviewNotesPages(state_, selection.rows.front(), state_.SplitPages);
  });
  if (!built) return;
  TNotePreview preview(this);
  preview.Show(parts);
  preview.exec();
}

void MainWindow::Button1Click() {
  RunCommand(this, [this] { library::MarkRegistered(state_); });
  mModel_->RefreshChecks();
}

void MainWindow::MListColumnClick(ListId list, int column) {
  if (busy_) return;
  const std::unordered_map<std::string, int> selected = SelectedRowContents(list);
  bool sorted = false;
  RunCommand(this, [&] { sorted = library::SortByColumn(state_, list, column); });
  if (sorted) {
    Model(list).Refresh();
    Reselect(list, selected);
  }
  UpdateSortIndicator(list, column, sorted);
}

void MainWindow::MListDblClick() {
  if (!busy_ && mList_->selectionModel()->hasSelection()) OpenEditorFor(ListId::MList);
}

void MainWindow::AListDblClick() {
  if (!busy_ && aList_->selectionModel()->hasSelection()) OpenEditorFor(ListId::AList);
}

void MainWindow::TabMouseDown(Qt::MouseButton button, const QPoint& position) {
  const int tab = tab_->tabAt(position);
  if (tab < 0 || button != Qt::LeftButton) return;
  state_.Visible = tab == 0 ? ListId::MList : ListId::AList;
  ShowVisibleList();
}

void MainWindow::Timer1Timer() {
  RunCommand(this, [this] { library::Timer1Timer(state_, *feedback_); });
}

void MainWindow::MountTableChanged() {
  if (!watcher_) return;
  for (const platform::MountWatcher::Change& change : watcher_->Check())
    RunCommand(this, [this, &change] { library::DeviceChange(state_, *feedback_, change.code); });
}

// ---------------------------------------------------------------------------------------
// Start and end

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Runs once: a later showing finds the sequence started and returns at once.
  if (!started_) QTimer::singleShot(0, this, &MainWindow::FormShow);
}

void MainWindow::FormShow() {
  if (started_) return;
  started_ = true;
  activateWindow();
  raise();
  QCoreApplication::processEvents();
  bool scan = false;
  RunCommand(this, [this, &scan] {
    if (library::ConnectsAtStart(state_)) library::ConnectPlayer(state_, *feedback_);
    library::LoadLists(state_, library::ListsToLoad::Both);
    scan = !state_.AutoGetMusic;
  });
  RefreshLists();
  if (scan) {
    ConnectPlayer();
    const bool scanned = ScanSongs();
    if (scanned && state_.AutoCopy) {
      RunCommand(this, [this] { library::MarkRegistered(state_); });
      mModel_->RefreshChecks();
    }
  }
  RestoreSort();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    // The running operation ends first (a scan after its current file); the window closes then.
    closeWhenIdle_ = true;
    feedback_->RequestStop();
    event->ignore();
    return;
  }
  if (!CloseEditor()) {
    event->ignore();
    return;
  }
  SaveLayout();
  event->accept();
  emit Closed();
}

bool MainWindow::CloseEditor() {
  // The editor asks about changed lyrics; its キャンセル keeps the program running.
  return !edit_ || !edit_->isVisible() || edit_->close();
}

}  // namespace app
