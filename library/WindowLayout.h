// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windows' remembered layout, kept in section "Layout" of the settings file beside the
// program's four settings: the main window's geometry and state, each list's column widths
// and sort, the current tab, the editor's size and the last folder of its Open dialog.
// Values read back are checked; one that does not fit counts as not remembered.
#include <string>
#include <vector>

#include "library/SongRow.h"

namespace library {

inline constexpr int kLayoutColumns = 7;

struct ListLayout {
  std::vector<int> columnWidths;  // empty: not remembered
  int sortColumn = -1;            // -1: not sorted
  bool sortDescending = false;
};

struct WindowLayout {
  std::string geometry;     // the window system's opaque record (base64), empty: not remembered
  std::string windowState;  // likewise, for toolbars and docks
  ListLayout mList;
  ListLayout aList;
  ListId tab = ListId::MList;
  int editorWidth = 0;  // 0: not remembered
  int editorHeight = 0;
  std::string editorFolder;  // code page 932; empty: not remembered

  ListLayout& List(ListId list) { return list == ListId::MList ? mList : aList; }
  const ListLayout& List(ListId list) const { return list == ListId::MList ? mList : aList; }
};

// The layout remembered in appDir's settings file; all "not remembered" when there is none.
WindowLayout ReadWindowLayout(const std::string& appDir);
// Writes the whole layout with one atomic replacement of the settings file, keeping its other
// sections; a value that could not be read back as written is left out. False when the file
// cannot be written.
bool WriteWindowLayout(const std::string& appDir, const WindowLayout& layout);

}  // namespace library
