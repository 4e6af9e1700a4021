// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SongListModel.h"

#include <algorithm>

#include "app/QtText.h"
#include "platform/TextCompare.h"

namespace app {

SongListModel::SongListModel(library::SongList& rows, QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), headers_(std::move(headers)), knownCount_(rows.size()) {}

int SongListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(filtered_ ? shown_.size() : knownCount_);
}

int SongListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(headers_.size());
}

std::size_t SongListModel::FullRow(int shownRow) const {
  return filtered_ ? shown_[static_cast<std::size_t>(shownRow)] : static_cast<std::size_t>(shownRow);
}

// The list may change under the model while an operation runs (a scan empties it and
// appends); a row that no longer exists reads as nothing until the next refresh.
const library::SongRow* SongListModel::RowAt(int shownRow) const {
  if (shownRow < 0 || shownRow >= rowCount()) return nullptr;
  const std::size_t full = FullRow(shownRow);
  return full < rows_.size() ? &rows_[full] : nullptr;
}

library::SongRow* SongListModel::RowAt(int shownRow) {
  return const_cast<library::SongRow*>(static_cast<const SongListModel*>(this)->RowAt(shownRow));
}

QVariant SongListModel::data(const QModelIndex& index, int role) const {
  const library::SongRow* row = index.isValid() ? RowAt(index.row()) : nullptr;
  if (!row) return {};
  const int column = index.column();
  if (role == Qt::DisplayRole) {
    if (column == 0) return FromCp932(row->caption);
    // Column c shows sub-item c - 1: album, track, artist, time, year, opening line.
    return FromCp932(row->sub[static_cast<std::size_t>(column - 1)]);
  }
  if (role == Qt::CheckStateRole && column == 0) return row->checked ? Qt::Checked : Qt::Unchecked;
  return {};
}

bool SongListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0) return false;
  library::SongRow* row = RowAt(index.row());
  if (!row) return false;
  row->checked = value.toInt() == Qt::Checked;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

QVariant SongListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers_.size())
    return headers_[section];
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags SongListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool SongListModel::Matches(std::size_t fullRow) {
  if (folded_.size() <= fullRow) {
    folded_.reserve(rows_.size());
    for (std::size_t i = folded_.size(); i <= fullRow; ++i) {
      const library::SongRow& row = rows_[i];
      folded_.push_back(platform::SearchFold(row.caption) + u'\n' + platform::SearchFold(row.sub[library::kAlbum]) +
                        u'\n' + platform::SearchFold(row.sub[library::kArtist]));
    }
  }
  return folded_[fullRow].find(needle_) != std::u16string::npos;
}

void SongListModel::Rebuild() {
  beginResetModel();
  knownCount_ = rows_.size();
  shown_.clear();
  if (filtered_) {
    for (std::size_t i = 0; i < knownCount_; ++i)
      if (Matches(i)) shown_.push_back(i);
  }
  endResetModel();
}

void SongListModel::Refresh() {
  folded_.clear();
  Rebuild();
}

void SongListModel::RefreshAppended() {
  if (rows_.size() < knownCount_) {
    Refresh();
    return;
  }
  if (rows_.size() == knownCount_) return;
  const std::size_t first = knownCount_;
  std::vector<std::size_t> added;
  if (filtered_) {
    for (std::size_t i = first; i < rows_.size(); ++i)
      if (Matches(i)) added.push_back(i);
  }
  const int newRows = static_cast<int>(filtered_ ? added.size() : rows_.size() - first);
  if (newRows == 0) {
    knownCount_ = rows_.size();
    return;
  }
  const int at = rowCount();
  beginInsertRows(QModelIndex(), at, at + newRows - 1);
  knownCount_ = rows_.size();
  shown_.insert(shown_.end(), added.begin(), added.end());
  endInsertRows();
}

void SongListModel::RefreshChecks() {
  if (rowCount() == 0) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

void SongListModel::RefreshCells() {
  if (rowCount() == 0) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void SongListModel::SetFilter(const QString& text) {
  const std::u16string needle =
      platform::SearchFoldWide(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                   static_cast<std::size_t>(text.size())));
  if (needle == needle_ && filtered_ == !needle.empty()) return;
  needle_ = needle;
  filtered_ = !needle_.empty();
  Rebuild();
}

std::vector<std::size_t> SongListModel::ShownRows() const {
  if (filtered_) return shown_;
  std::vector<std::size_t> all(knownCount_);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  return all;
}

int SongListModel::ShownRow(std::size_t fullRow) const {
  if (!filtered_) return fullRow < knownCount_ ? static_cast<int>(fullRow) : -1;
  const auto it = std::lower_bound(shown_.begin(), shown_.end(), fullRow);
  return it != shown_.end() && *it == fullRow ? static_cast<int>(it - shown_.begin()) : -1;
}

}  // namespace app
