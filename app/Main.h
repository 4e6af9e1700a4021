// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: toolbar, main menu, the song list MList and the registered list AList
// under the tab bar, the status bar with Per, Timer1 and the mount-table watcher. Every
// command calls the library's operation on the window's MainState inside RunCommand and
// then brings the lists up to date.
#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <unordered_map>

#include "app/QtFeedback.h"
#include "library/MainState.h"
#include "library/SongRow.h"
#include "library/WindowLayout.h"
#include "platform/Volumes.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QStackedWidget;
class QTableView;
class QKeyEvent;
class QStatusBar;
class QTabBar;
class QTimer;
class QToolBar;
class QToolButton;

namespace app {

class ListTabBar;
class SongListModel;
class TEdit;
class TSetting;
class TAbout;
class TStatus;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  // FormCreate: the state on appDir (its Lyrimate.ini read once), the controls, Timer1
  // started. watcher: the mount table to follow; by default the process's own.
  explicit MainWindow(const std::string& appDir, std::unique_ptr<platform::MountWatcher> watcher = nullptr,
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  // The secondary windows, created after the main window; the window does not own them.
  void SetWindows(TEdit* edit, TSetting* setting, TAbout* about, TStatus* status);

  library::MainState& State() { return state_; }
  QtFeedback& Feedback() { return *feedback_; }
  // True once the start-up sequence has run.
  bool Started() const { return started_; }
  // True while a scan, the get-all-lyrics run or the Notes export runs.
  bool Busy() const { return busy_; }
  SongListModel& Model(library::ListId list);
  QTableView* View(library::ListId list);
  // The lists' models and views are brought up to date with the state.
  void RefreshLists();

signals:
  // The window was closed; the program ends.
  void Closed();

public slots:
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton4Click();
  void ToolButton5Click();
  void ToolButton6Click();
  void C1Click();
  void Close1Click();
  void M1Click();
  void W1Click();
  void L1Click();
  void G1Click();
  void N3Click();
  void About1Click();
  void D1Click();
  void S2Click();
  void S3Click();
  void N4Click();
  void L2Click();
  void AlChkClick();
  void uChkClick();
  void M2Click(library::ListId list);
  void P1Click();
  void Button1Click();
  void MListColumnClick(library::ListId list, int column);
  void MListDblClick();
  void AListDblClick();
  void TabMouseDown(Qt::MouseButton button, const QPoint& position);
  void Timer1Timer();
  void FormShow();
  // The mount table signalled a change: every removal and arrival goes to the device-change
  // handler.
  void MountTableChanged();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // Closes the lyrics editor, which asks about changed text; false when the user kept it open.
  bool CloseEditor();
  void BuildControls();
  void BuildToolBar();
  void BuildMenus();
  void BuildLists(QWidget* central);
  void BuildStatusBar();
  void StartWatching();
  QTableView* MakeList(library::ListId list, const char* name, QMenu* popup);

  // The commands behind several controls.
  void ConnectPlayer();
  void GetSongInfo();
  void ExportNotes();
  void EditLyrics();
  void RegisterSelected();
  void RemoveSelected();
  // True when the editor shows the song of the list's current row.
  bool OpenEditorFor(library::ListId list);
  // Ticks or unticks every row of the visible list that the filter shows.
  void SetVisibleChecks(bool tick);

  // Runs a scan, the get-all-lyrics run or the export: the commands that could start
  // another are disabled meanwhile; a scan ends after the current file on Esc. False when
  // the operation ended with an error (or another one was running). Afterwards the list the
  // operation changed is shown afresh: the song list after a scan, else the registered list.
  template <typename Operation>
  bool RunLongOperation(bool scan, Operation&& operation);
  void SetCommandsEnabled(bool enabled);
  void BeforeProcessing();

  library::ListSelection Selection(library::ListId list) const;
  // The contents of the selected rows (with their counts), and selecting such rows again.
  std::unordered_map<std::string, int> SelectedRowContents(library::ListId list) const;
  void Reselect(library::ListId list, std::unordered_map<std::string, int> contents);
  void ShowVisibleList();
  void ApplyFilter();
  void UpdateSortIndicator(library::ListId list, int column, bool sorted);

  // The remembered layout (Layout.cpp): the window, columns and tab when the window is made,
  // the editor's size and folder once it is known, each list's sort once the start-up loaded
  // the rows; all of it saved when the window closes.
  void RestoreLayout();
  void RestoreEditorLayout();
  void RestoreSort();
  void SaveLayout();

  // Keyboard, the lyrics items of both pop-up menus and text files dropped on rows
  // (MainKeys.cpp).
  void BuildKeyboard();
  QTabBar* TabBar() const;
  void AddLyricsItems();
  void SelectTab(int tab);
  // Keys and drops on a list; true when the event was taken.
  bool ListEvent(library::ListId list, QEvent* event);
  bool FilterKeyPress(QKeyEvent* key);
  void ShowRowMenu(library::ListId list);
  void ToggleSelectedChecks(library::ListId list);
  void DeleteKeyPressed();
  void ImportLyricsOf(library::ListId list);
  void OpenDroppedFile(library::ListId list, int shownRow, const QString& path);

  // The status bar's count, the scan's progress and stop button, the filter's count and the
  // lists' empty hints, status lines, and views kept true after a change (MainStatus.cpp).
  void BuildStatusExtras(QStatusBar* status);
  void UpdateCounts();
  void UpdateFilterCount();
  void ShowScanProgress(bool running);
  void StopScan();
  void ReportStatus(const QString& text);
  bool ScanSongs();
  void ClearSortIndicator(library::ListId list);
  // The registered list shows the opening lines that changed (a count from the library).
  void ShowOpeningLines(std::size_t changed);

  library::MainState state_;
  library::WindowLayout layout_;
  std::unique_ptr<QtFeedback> feedback_;
  std::unique_ptr<platform::MountWatcher> watcher_;

  QPointer<TEdit> edit_;
  QPointer<TSetting> setting_;
  QPointer<TAbout> about_;
  QPointer<TStatus> status_;

  QToolBar* bar_ = nullptr;
  ListTabBar* tab_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QTableView* mList_ = nullptr;
  QTableView* aList_ = nullptr;
  SongListModel* mModel_ = nullptr;
  SongListModel* aModel_ = nullptr;
  QMenu* popupMenu1_ = nullptr;
  QMenu* popupMenu2_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  QProgressBar* per_ = nullptr;
  QTimer* timer1_ = nullptr;
  QLabel* countPanel_ = nullptr;
  QLabel* scanPanel_ = nullptr;
  QToolButton* stopButton_ = nullptr;
  QLabel* filterCount_ = nullptr;
  QLabel* mHint_ = nullptr;
  QLabel* aHint_ = nullptr;
  bool scanStopped_ = false;  // the user stopped the running scan
  QList<QAction*> commands_;  // disabled while a long operation runs

  bool started_ = false;
  bool busy_ = false;
  bool closeWhenIdle_ = false;
  bool mListReplaced_ = false;  // a running scan emptied the song list
};

}  // namespace app
