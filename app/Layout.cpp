// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Layout.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <numeric>

#include "app/Edit_Words.h"
#include "app/Main.h"
#include "app/QtText.h"
#include "app/SongListModel.h"
#include "library/ListCommands.h"
#include "library/MainState.h"

namespace app {

using library::ListId;

namespace {

// What a typical row holds in each column: the longest text that should show in full.
const char* const kTypicalTexts[] = {
    "ああああああああああああああああ",  // title, 16 full-width characters
    "ああああああああああああ",          // album
    "トラック",                          // track (the title is wider than "12/12")
    "ああああああああああ",              // artist
    "00:00:00",                          // time
    "Year",                              // year (the title is as wide as "2004")
    "ああああああああああああああああ",  // opening line
};

QRect AvailableFor(const QWidget* widget) {
  const QScreen* screen = widget->screen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
}

// Remembers the folder of every file the editor's Open dialog accepts in the main window's
// layout, and centres the editor over the main window whenever it is shown.
class EditorPlacement : public QObject {
public:
  EditorPlacement(TEdit* edit, QWidget* over, std::string* folder) : QObject(edit), edit_(edit), over_(over), folder_(folder) {
    edit->installEventFilter(this);
    connect(edit->Od, &QFileDialog::fileSelected, this, [this](const QString& file) { RememberFolder(file); });
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == edit_ && event->type() == QEvent::Show && !event->spontaneous() && over_)
      edit_->move(CentredPosition(edit_->frameGeometry().size(), over_->frameGeometry(), AvailableFor(over_)));
    return QObject::eventFilter(watched, event);
  }

private:
  void RememberFolder(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    // A folder code page 932 cannot name is not remembered rather than remembered wrongly.
    // The folder lives in the main window: nothing is kept once that is gone.
    const std::string cp932 = ToCp932(folder);
    if (over_ && FromCp932(cp932) == folder) *folder_ = cp932;
  }

  TEdit* edit_;
  QPointer<QWidget> over_;
  std::string* folder_;
};

}  // namespace

std::vector<int> TypicalColumnWidths(const QFontMetrics& metrics, const std::vector<int>& base) {
  // Room for the cell's margins, the check box of the first column and the sort arrow.
  const int padding = metrics.height() * 2;
  std::vector<int> widths;
  for (std::size_t c = 0; c < base.size() && c < std::size(kTypicalTexts); ++c) {
    int width = metrics.horizontalAdvance(Ui(kTypicalTexts[c])) + padding;
    if (c == 0) width += metrics.height() + 4;
    widths.push_back(std::max(width, base[c]));
  }
  return widths;
}

QSize FirstStartSize(const std::vector<int>& columns, int extra, const QRect& available) {
  const int wanted = std::accumulate(columns.begin(), columns.end(), 0) + extra;
  const int width = std::max(wanted, kSmallestFirstSize.width());
  return QSize(std::min(width, available.width()), std::min(kSmallestFirstSize.height(), available.height()));
}

QPoint CentredPosition(const QSize& size, const QRect& over, const QRect& available) {
  QPoint at(over.x() + (over.width() - size.width()) / 2, over.y() + (over.height() - size.height()) / 2);
  at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), available.right() + 1 - size.width())));
  at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), available.bottom() + 1 - size.height())));
  return at;
}

// ---------------------------------------------------------------------------------------
// The main window's remembered layout

void MainWindow::RestoreLayout() {
  layout_ = library::ReadWindowLayout(state_.AppDir);
  int widest = 0;
  for (ListId list : {ListId::MList, ListId::AList}) {
    QHeaderView* header = View(list)->horizontalHeader();
    std::vector<int> widths = layout_.List(list).columnWidths;
    if (widths.empty()) {
      std::vector<int> base;
      for (int c = 0; c < header->count(); ++c) base.push_back(header->sectionSize(c));
      widths = TypicalColumnWidths(View(list)->fontMetrics(), base);
      widest = std::max(widest, std::accumulate(widths.begin(), widths.end(), 0));
    }
    // A column squeezed to nothing could not be found again to widen it.
    for (int c = 0; c < header->count() && c < static_cast<int>(widths.size()); ++c)
      header->resizeSection(c, std::max(widths[c], header->minimumSectionSize()));
  }

  const QByteArray geometry = QByteArray::fromBase64(QByteArray::fromStdString(layout_.geometry));
  if (geometry.isEmpty() || !restoreGeometry(geometry)) {
    const int extra = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8;
    resize(FirstStartSize({widest}, extra, AvailableFor(this)));
  }
  const QByteArray windowState = QByteArray::fromBase64(QByteArray::fromStdString(layout_.windowState));
  if (!windowState.isEmpty()) restoreState(windowState);

  state_.Visible = layout_.tab;
  // Tab is Main.cpp's own tab bar class; its QTabBar side is all this needs.
  if (auto* tab = findChild<QTabBar*>(QStringLiteral("Tab"))) tab->setCurrentIndex(layout_.tab == ListId::MList ? 0 : 1);
  ShowVisibleList();
}

void MainWindow::RestoreSort() {
  for (ListId list : {ListId::MList, ListId::AList}) {
    const library::ListLayout& remembered = layout_.List(list);
    if (remembered.sortColumn < 0 || remembered.sortColumn >= Model(list).columnCount()) continue;
    // The flag says which way the next sort goes; the sort then turns it round.
    state_.SortFlags[static_cast<std::size_t>(remembered.sortColumn)] = remembered.sortDescending;
    if (!library::SortByColumn(state_, list, remembered.sortColumn)) continue;
    Model(list).Refresh();
    UpdateSortIndicator(list, remembered.sortColumn, true);
  }
}

void MainWindow::RestoreEditorLayout() {
  if (!edit_) return;
  if (layout_.editorWidth > 0 && layout_.editorHeight > 0) {
    const QRect available = AvailableFor(this);
    edit_->resize(std::min(layout_.editorWidth, available.width()), std::min(layout_.editorHeight, available.height()));
  }
  const QString folder = FromCp932(layout_.editorFolder);
  if (!folder.isEmpty() && QFileInfo(folder).isDir()) edit_->Od->setDirectory(folder);
  new EditorPlacement(edit_, this, &layout_.editorFolder);
}

void MainWindow::SaveLayout() {
  layout_.geometry = saveGeometry().toBase64().toStdString();
  layout_.windowState = saveState().toBase64().toStdString();
  for (ListId list : {ListId::MList, ListId::AList}) {
    const QHeaderView* header = View(list)->horizontalHeader();
    library::ListLayout& remembered = layout_.List(list);
    remembered.columnWidths.clear();
    for (int c = 0; c < header->count(); ++c) remembered.columnWidths.push_back(header->sectionSize(c));
    const int sorted = header->sortIndicatorSection();
    remembered.sortColumn = sorted >= 0 && sorted < header->count() ? sorted : -1;
    remembered.sortDescending = header->sortIndicatorOrder() == Qt::DescendingOrder;
  }
  layout_.tab = state_.Visible;
  if (edit_) {
    layout_.editorWidth = edit_->width();
    layout_.editorHeight = edit_->height();
  }
  if (!library::WriteWindowLayout(state_.AppDir, layout_))
    std::fprintf(stderr, "lyrimate: the window layout could not be written to %s\n",
                 library::SettingsPath(state_.AppDir).c_str());
}

}  // namespace app
