// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's status bar beyond the status text: the permanent song count, the scan's
// progress and stop button, one status line after each command; the filter's count and the
// lists' empty hints; the sort indicator and the opening lines kept true.
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Main.h"
#include "app/QtText.h"
#include "app/SongListModel.h"

namespace app {

using library::ListId;

namespace {

// A hint over a list's empty area, shown while a filter leaves no row.
QLabel* NewEmptyHint(QTableView* view, const char* name) {
  auto* hint = new QLabel(Ui("絞り込みに一致する曲はありません"), view->viewport());
  hint->setObjectName(QString::fromLatin1(name));
  hint->setAlignment(Qt::AlignCenter);
  hint->setEnabled(false);  // drawn in the palette's disabled text colour
  hint->setAttribute(Qt::WA_TransparentForMouseEvents);
  auto* layout = new QVBoxLayout(view->viewport());
  layout->addWidget(hint, 0, Qt::AlignCenter);
  hint->hide();
  return hint;
}

}  // namespace

void MainWindow::BuildStatusExtras(QStatusBar* status) {
  scanPanel_ = new QLabel(status);
  scanPanel_->setObjectName("ScanPanel");
  scanPanel_->hide();
  stopButton_ = new QToolButton(status);
  stopButton_->setObjectName("StopButton");
  stopButton_->setText(Ui("中止"));
  stopButton_->setToolTip(Ui("曲情報取得を中止します（Esc）"));
  stopButton_->hide();
  connect(stopButton_, &QToolButton::clicked, this, &MainWindow::StopScan);
  countPanel_ = new QLabel(status);
  countPanel_->setObjectName("CountPanel");
  countPanel_->setFrameShape(QFrame::StyledPanel);
  countPanel_->setFrameShadow(QFrame::Sunken);
  status->addPermanentWidget(scanPanel_);
  status->addPermanentWidget(per_);
  status->addPermanentWidget(stopButton_);
  status->addPermanentWidget(countPanel_);

  // The filter's count stands beside the field.
  filterCount_ = new QLabel(filter_->parentWidget());
  filterCount_->setObjectName("FilterCount");
  filterCount_->hide();
  if (auto* top = qobject_cast<QBoxLayout*>(filter_->parentWidget()->layout()->itemAt(0)->layout()))
    top->insertWidget(top->indexOf(filter_) + 1, filterCount_, 0, Qt::AlignVCenter);
  mHint_ = NewEmptyHint(mList_, "MListEmptyHint");
  aHint_ = NewEmptyHint(aList_, "AListEmptyHint");

  for (SongListModel* model : {mModel_, aModel_}) {
    const auto update = [this] {
      UpdateCounts();
      UpdateFilterCount();
    };
    connect(model, &QAbstractItemModel::modelReset, this, update);
    connect(model, &QAbstractItemModel::rowsInserted, this, update);
    connect(model, &QAbstractItemModel::rowsRemoved, this, update);
    connect(model, &QAbstractItemModel::dataChanged, this, [this] { UpdateCounts(); });
  }
  connect(filter_, &QLineEdit::textChanged, this, &MainWindow::UpdateFilterCount);
  UpdateCounts();
}

void MainWindow::UpdateCounts() {
  const auto ticked = std::count_if(state_.AList.begin(), state_.AList.end(),
                                    [](const library::SongRow& row) { return row.checked; });
  countPanel_->setText(Ui("%1 曲 / 登録 %2 曲 / チェック %3 曲")
                           .arg(state_.MList.size())
                           .arg(state_.AList.size())
                           .arg(static_cast<qlonglong>(ticked)));
}

void MainWindow::UpdateFilterCount() {
  const SongListModel& model = Model(state_.Visible);
  const bool filtered = !filter_->text().isEmpty();
  filterCount_->setVisible(filtered);
  if (filtered) filterCount_->setText(Ui("%1 / %2").arg(model.rowCount()).arg(state_.List(state_.Visible).size()));
  mHint_->setVisible(mModel_->Filtered() && mModel_->rowCount() == 0);
  aHint_->setVisible(aModel_->Filtered() && aModel_->rowCount() == 0);
}

void MainWindow::ShowScanProgress(bool running) {
  scanPanel_->setVisible(running);
  stopButton_->setVisible(running);
  stopButton_->setEnabled(running && !scanStopped_);
  if (!running) return;
  // The folder being read is the one of the last song read.
  QString folder;
  if (!state_.MList.empty()) folder = QFileInfo(FromSystemPath(state_.MList.back().sub[library::kPath])).dir().dirName();
  scanPanel_->setText(folder.isEmpty() ? Ui("%1 曲").arg(state_.MList.size())
                                       : Ui("%1 曲（%2）").arg(state_.MList.size()).arg(folder));
}

void MainWindow::StopScan() {
  if (!busy_ || !feedback_->StopArmed()) return;
  scanStopped_ = true;
  stopButton_->setEnabled(false);
  feedback_->RequestStop();
}

void MainWindow::ReportStatus(const QString& text) { feedback_->SetStatus(ToCp932(text)); }

void MainWindow::ClearSortIndicator(ListId list) {
  QHeaderView* header = View(list)->horizontalHeader();
  const QSignalBlocker blocker(header);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setProperty("sortedColumn", QVariant());
  header->setProperty("sortedOrder", QVariant());
}

void MainWindow::ShowOpeningLines(std::size_t changed) {
  if (changed > 0) aModel_->RefreshCells();
}

}  // namespace app
