// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A table model over one of the library's song lists: the caption in column 0 with the row's
// check mark, the sub-items in the following columns. Rows can be narrowed by a filter text
// (title, album or artist contains it, ignoring letter case and character width, half-width
// kana taken as full-width); the model then maps its rows
// to positions in the full list.
#include <QAbstractTableModel>
#include <QStringList>
#include <cstddef>
#include <string>
#include <vector>

#include "library/SongRow.h"

namespace app {

class SongListModel : public QAbstractTableModel {
  Q_OBJECT
public:
  // rows stays owned by the caller and outlives the model; headers are the column titles.
  SongListModel(library::SongList& rows, QStringList headers, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The list changed in any way: the shown rows are taken afresh.
  void Refresh();
  // Only rows were appended since the last refresh; a shortened list falls back to Refresh.
  void RefreshAppended();
  // Check marks changed, nothing else.
  void RefreshChecks();
  // Texts of rows changed in place (no row came or went).
  void RefreshCells();

  // Narrows the shown rows; an empty text shows every row.
  void SetFilter(const QString& text);
  bool Filtered() const { return filtered_; }
  // The full-list position of a shown row, and every shown position in ascending order.
  std::size_t FullRow(int shownRow) const;
  std::vector<std::size_t> ShownRows() const;
  // The shown row of a full-list position; -1 when it is not shown.
  int ShownRow(std::size_t fullRow) const;

private:
  const library::SongRow* RowAt(int shownRow) const;
  library::SongRow* RowAt(int shownRow);
  bool Matches(std::size_t fullRow);
  // Resets the model: the shown rows taken afresh from the list and the filter.
  void Rebuild();

  library::SongList& rows_;
  QStringList headers_;
  bool filtered_ = false;
  std::u16string needle_;              // search-folded filter text
  std::vector<std::size_t> shown_;     // full positions of the shown rows, when filtered
  std::size_t knownCount_ = 0;         // rows of the list at the last refresh
  std::vector<std::u16string> folded_; // search-folded "title\nalbum\nartist", built as needed
};

}  // namespace app
