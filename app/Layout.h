// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sizes and places for the windows: the first start's size worked out from the font, the
// column widths that show typical titles in full, and a window centred over another.
// MainWindow's own RestoreLayout, RestoreSort, RestoreEditorLayout and SaveLayout live in
// Layout.cpp beside these.
#include <QRect>
#include <QSize>
#include <vector>

class QFontMetrics;
class QWidget;

namespace app {

// The smallest first-start size of the main window.
inline constexpr QSize kSmallestFirstSize(960, 600);

// Widths of the first columns count (at most seven) that show typical titles, albums, artists
// and opening lines in full in fonts of these metrics; never narrower than base's widths.
std::vector<int> TypicalColumnWidths(const QFontMetrics& metrics, const std::vector<int>& base);
// The main window's first-start size: wide enough for columns plus extra pixels of frame and
// scroll bar, at least kSmallestFirstSize, and never larger than available.
QSize FirstStartSize(const std::vector<int>& columns, int extra, const QRect& available);
// The top-left position that centres a window of size over the frame of over, kept inside
// available.
QPoint CentredPosition(const QSize& size, const QRect& over, const QRect& available);

}  // namespace app
