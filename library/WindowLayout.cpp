// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/WindowLayout.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "library/MainState.h"
#include "platform/Profile.h"

namespace library {

namespace {

constexpr const char* kSection = "Layout";
constexpr int kLargestWidth = 10000;  // pixels; beyond any screen
constexpr std::size_t kLargestRecord = 4096;

std::string Read(const std::string& path, const char* key) { return platform::ReadProfileString(path, kSection, key, ""); }

// Splits "a,b,c" into whole numbers within [low, high]; nothing when any part does not fit.
std::vector<int> Numbers(const std::string& text, int low, int high) {
  std::vector<int> numbers;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    long long value = 0;
    if (!ParseWholeNumber(text.substr(start, comma - start), value) || value < low || value > high) return {};
    numbers.push_back(static_cast<int>(value));
    start = comma + 1;
  }
  return numbers;
}

std::string Joined(const std::vector<int>& numbers) {
  std::string text;
  for (int number : numbers) text += (text.empty() ? "" : ",") + std::to_string(number);
  return text;
}

bool IsBase64(std::string_view text) {
  if (text.size() > kLargestRecord) return false;
  for (char c : text)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' || c == '='))
      return false;
  return true;
}

// A folder survives the file's trimming and unquoting only without line breaks, blanks at its
// ends and a leading quote.
bool KeepsAsWritten(std::string_view text) {
  if (text.empty() || text.find_first_of("\r\n") != text.npos) return false;
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  return !blank(text.front()) && !blank(text.back()) && text.front() != '"' && text.front() != '\'';
}

ListLayout ReadList(const std::string& path, const char* columnsKey, const char* sortKey) {
  ListLayout list;
  list.columnWidths = Numbers(Read(path, columnsKey), 0, kLargestWidth);
  if (list.columnWidths.size() > static_cast<std::size_t>(kLayoutColumns)) list.columnWidths.clear();
  const std::string sort = Read(path, sortKey);
  const std::size_t comma = sort.find(',');
  if (comma != std::string::npos) {
    const std::vector<int> column = Numbers(sort.substr(0, comma), 0, kLayoutColumns - 1);
    const std::string order = sort.substr(comma + 1);
    if (column.size() == 1 && (order == "A" || order == "D")) {
      list.sortColumn = column.front();
      list.sortDescending = order == "D";
    }
  }
  return list;
}

std::string SortText(const ListLayout& list) {
  if (list.sortColumn < 0 || list.sortColumn >= kLayoutColumns) return "";
  return std::to_string(list.sortColumn) + (list.sortDescending ? ",D" : ",A");
}

std::string ColumnsText(const ListLayout& list) {
  if (list.columnWidths.size() > static_cast<std::size_t>(kLayoutColumns)) return "";
  for (int width : list.columnWidths)
    if (width < 0 || width > kLargestWidth) return "";
  return Joined(list.columnWidths);
}

}  // namespace

WindowLayout ReadWindowLayout(const std::string& appDir) {
  const std::string path = SettingsPath(appDir);
  WindowLayout layout;
  layout.geometry = Read(path, "Geometry");
  if (!IsBase64(layout.geometry)) layout.geometry.clear();
  layout.windowState = Read(path, "WindowState");
  if (!IsBase64(layout.windowState)) layout.windowState.clear();
  layout.mList = ReadList(path, "MListColumns", "MListSort");
  layout.aList = ReadList(path, "AListColumns", "AListSort");
  layout.tab = Read(path, "Tab") == "1" ? ListId::AList : ListId::MList;
  const std::vector<int> editor = Numbers(Read(path, "EditorSize"), 1, kLargestWidth);
  if (editor.size() == 2) {
    layout.editorWidth = editor[0];
    layout.editorHeight = editor[1];
  }
  layout.editorFolder = Read(path, "EditorFolder");
  return layout;
}

bool WriteWindowLayout(const std::string& appDir, const WindowLayout& layout) {
  const bool editorSized = layout.editorWidth > 0 && layout.editorHeight > 0 && layout.editorWidth <= kLargestWidth &&
                           layout.editorHeight <= kLargestWidth;
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"Geometry", IsBase64(layout.geometry) ? layout.geometry : ""},
      {"WindowState", IsBase64(layout.windowState) ? layout.windowState : ""},
      {"Tab", layout.tab == ListId::AList ? "1" : "0"},
      {"MListColumns", ColumnsText(layout.mList)},
      {"MListSort", SortText(layout.mList)},
      {"AListColumns", ColumnsText(layout.aList)},
      {"AListSort", SortText(layout.aList)},
      {"EditorSize", editorSized ? Joined({layout.editorWidth, layout.editorHeight}) : ""},
      {"EditorFolder", KeepsAsWritten(layout.editorFolder) ? layout.editorFolder : ""},
  };
  return platform::WriteProfileStrings(SettingsPath(appDir), kSection, entries);
}

}  // namespace library
