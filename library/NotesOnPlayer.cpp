// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/NotesOnPlayer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "library/TextLines.h"
#include "platform/TextCompare.h"

#include "library/FileErrors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace library {

namespace {

// Album folders are one level below Notes; deeper folders are only counted, never written.
constexpr int kCountedFolderDepth = 8;

constexpr std::size_t kRecordLimit = 64 << 20;

void ListFiles(const platform::DirHandle& folder, const std::string& prefix, int depth, std::vector<std::string>& files) {
  std::vector<platform::DirHandle::Entry> entries;
  folder.List(entries);
  std::vector<std::pair<std::u16string, platform::DirHandle::Entry>> sorted;
  sorted.reserve(entries.size());
  for (platform::DirHandle::Entry& entry : entries) {
    const std::u16string key = platform::CaseFold(platform::ProgramName(entry.name));
    sorted.emplace_back(key, std::move(entry));
  }
  std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [key, entry] : sorted) {
    const std::string name = prefix + platform::ProgramName(entry.name);
    if (!entry.isDirectory)
      files.push_back(name);
    else if (depth > 0)
      ListFiles(folder.Child(entry.name, false), name + "/", depth - 1, files);
  }
}

std::string Hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// The fields of one TAB-separated record line.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

bool ParseNumber(std::string_view text, int base, std::uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  const std::string copy(text);
  char* end = nullptr;
  value = std::strtoull(copy.c_str(), &end, base);
  return end == copy.c_str() + copy.size();
}

// A path below Notes/ as the record may hold it: one page, or a folder and a page.
bool IsNotesPath(std::string_view path) {
  const std::size_t slash = path.find('/');
  const auto good = [](std::string_view name) { return !name.empty() && name != "." && name != ".."; };
  if (slash == std::string_view::npos) return good(path);
  return good(path.substr(0, slash)) && good(path.substr(slash + 1)) && path.find('/', slash + 1) == std::string_view::npos;
}

PagePlace PlaceOfPath(const std::string& path) {
  const std::size_t slash = path.find('/');
  if (slash == std::string::npos) return PagePlace{std::string(), path};
  return PagePlace{path.substr(0, slash), path.substr(slash + 1)};
}

// The hash kept of each page written (64-bit FNV-1a).
std::uint64_t PageHash(const std::string& content) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : content) hash = (hash ^ byte) * 1099511628211ull;
  return hash;
}

}  // namespace

NotesOnPlayer::NotesOnPlayer(const std::string& root, Use use)
    : root_(platform::WithTrailingSlash(root)) {
  errno = 0;
  rootFolder_ = platform::DirHandle::Open(root_);
  if (!rootFolder_.IsOpen()) throw FileError("iPodのフォルダを開けません。", root_, errno);
  notes_ = rootFolder_.Child("Notes", false);
  const platform::DirHandle own = rootFolder_.Child(kOwnFolder, false);
  temporaries_ = own.Child(kTemporaryFolder, false);
  if (use == Use::Write) platform::RemoveTemporaries(temporaries_);
  LoadRecord();
}

void NotesOnPlayer::LoadRecord() {
  std::string text;
  const platform::DirHandle own = rootFolder_.Child(kOwnFolder, false);
  if (!own.ReadFile(kRecordFile, text, kRecordLimit)) return;
  // A line that does not parse is dropped: what it named is then simply no longer ours.
  LineWalker lines(text);
  for (std::string_view line; lines.Next(line);) {
    const std::vector<std::string_view> fields = Fields(line);
    Written written;
    if (fields.size() == 2 && fields[0] == "F" && IsNotesPath(fields[1]) && fields[1].find('/') == std::string_view::npos)
      recordFolders_.emplace(fields[1]);
    else if (fields.size() == 4 && fields[0] == "P" && IsNotesPath(fields[1]) && ParseNumber(fields[2], 10, written.size) &&
             ParseNumber(fields[3], 16, written.hash))
      record_[std::string(fields[1])] = written;
  }
}

platform::DirHandle NotesOnPlayer::FolderOf(const PagePlace& place) const {
  platform::DirHandle notes = rootFolder_.Child("Notes", false);
  return place.folder.empty() ? std::move(notes) : notes.Child(platform::SystemName(place.folder), false);
}

bool NotesOnPlayer::PageExists(const PagePlace& place) const {
  return FolderOf(place).IsRegularFile(platform::SystemName(place.page));
}

bool NotesOnPlayer::IsUnchangedRecordedPage(const PagePlace& place) const {
  const auto recorded = record_.find(place.Relative());
  if (recorded == record_.end()) return false;
  std::int64_t size = 0;
  const platform::DirHandle folder = FolderOf(place);
  const std::string name = platform::SystemName(place.page);
  if (!folder.IsRegularFile(name, &size) || static_cast<std::uint64_t>(size) != recorded->second.size) return false;
  std::string content;
  return folder.ReadFile(name, content, recorded->second.size) && PageHash(content) == recorded->second.hash;
}

std::size_t NotesOnPlayer::RemoveStalePages() {
  std::size_t removed = 0;
  for (auto entry = record_.begin(); entry != record_.end();) {
    if (writtenNow_.contains(entry->first)) {
      ++entry;
      continue;
    }
    const PagePlace place = PlaceOfPath(entry->first);
    // A page changed since it was written is the user's now, and so is its name.
    if (IsUnchangedRecordedPage(place) && FolderOf(place).RemoveFile(platform::SystemName(place.page))) ++removed;
    entry = record_.erase(entry);
    recordChanged_ = true;
  }
  for (auto folder = recordFolders_.begin(); folder != recordFolders_.end();) {
    const platform::DirHandle notes = rootFolder_.Child("Notes", false);
    const std::string name = platform::SystemName(*folder);
    if (notes.RemoveFolder(name) || !notes.Child(name, false).IsOpen()) {
      albums_.erase(*folder);
      folder = recordFolders_.erase(folder);
      recordChanged_ = true;
    } else {
      ++folder;
    }
  }
  return removed;
}

void NotesOnPlayer::SaveRecord() {
  if (!recordChanged_) return;
  std::string text;
  for (const std::string& folder : recordFolders_) text += "F\t" + folder + "\r\n";
  for (const auto& [path, written] : record_)
    text += "P\t" + path + "\t" + std::to_string(written.size) + "\t" + Hex(written.hash) + "\r\n";
  const PagePlace recordPlace{"", kRecordFile};
  const platform::DirHandle& temporaries = Temporaries(recordPlace);
  const platform::DirHandle own = rootFolder_.Child(kOwnFolder, false);
  platform::File file;
  std::string temporary;
  errno = 0;
  if (temporaries.CreateTemporary(file, temporary) && file.Write(text) && temporaries.RenameTo(temporary, own, kRecordFile)) {
    recordChanged_ = false;
    return;
  }
  const int reason = errno;
  temporaries.RemoveFile(temporary);
  throw FileError("ファイルに書き込めません。", root_ + kOwnFolder + "/" + kRecordFile, reason);
}

std::string NotesOnPlayer::PathOf(const PagePlace& place) const { return root_ + "Notes/" + place.Relative(); }

platform::Error NotesOnPlayer::Failure(const PagePlace& place, int reason) const {
  return FileError("ノートを書き込めません。", PathOf(place), reason);
}

const platform::DirHandle& NotesOnPlayer::NotesFolder(const PagePlace& place) {
  if (!notes_.IsOpen()) {
    bool created = false;
    errno = 0;
    notes_ = rootFolder_.Child("Notes", true, &created);
    if (!notes_.IsOpen()) throw Failure(place, errno);
    wroteAny_ = wroteAny_ || created;
  }
  return notes_;
}

const platform::DirHandle& NotesOnPlayer::AlbumFolder(const PagePlace& place) {
  const platform::DirHandle& notes = NotesFolder(place);
  if (place.folder.empty()) return notes;
  platform::DirHandle& album = albums_[place.folder];
  if (!album.IsOpen()) {
    bool created = false;
    errno = 0;
    album = notes.Child(platform::SystemName(place.folder), true, &created);
    if (!album.IsOpen()) throw Failure(place, errno);
    wroteAny_ = wroteAny_ || created;
    if (created) recordChanged_ = recordFolders_.insert(place.folder).second || recordChanged_;
  }
  return album;
}

const platform::DirHandle& NotesOnPlayer::Temporaries(const PagePlace& place) {
  if (!temporaries_.IsOpen()) {
    errno = 0;
    const platform::DirHandle own = rootFolder_.Child(kOwnFolder, true);
    temporaries_ = own.Child(kTemporaryFolder, true);
    if (!temporaries_.IsOpen()) throw Failure(place, errno);
  }
  return temporaries_;
}

void NotesOnPlayer::Write(const PagePlace& place, const std::string& content) {
  const platform::DirHandle& album = AlbumFolder(place);
  const platform::DirHandle& temporaries = Temporaries(place);
  platform::File file;
  std::string temporary;
  errno = 0;
  if (!temporaries.CreateTemporary(file, temporary)) throw Failure(place, errno);
  wroteAny_ = true;
  // Renamed while still open, so that the temporary stays locked until it is in place.
  if (!file.Write(content) || !temporaries.RenameTo(temporary, album, platform::SystemName(place.page))) {
    const int reason = errno;
    temporaries.RemoveFile(temporary);
    throw Failure(place, reason);
  }
  const Written written{content.size(), PageHash(content)};
  Written& recorded = record_[place.Relative()];
  recordChanged_ = recordChanged_ || recorded != written;
  recorded = written;
  writtenNow_.insert(place.Relative());
}

std::vector<std::string> NotesOnPlayer::ListNotes() const {
  std::vector<std::string> files;
  const platform::DirHandle notes = rootFolder_.Child("Notes", false);
  if (notes.IsOpen()) ListFiles(notes, std::string(), kCountedFolderDepth, files);
  return files;
}

void NotesOnPlayer::Sync() const {
  errno = 0;
  if (!rootFolder_.SyncFileSystem()) throw FileError("iPodへの書き込みを完了できません。", root_, errno);
}

void NotesOnPlayer::TrySync() const {
  if (wroteAny_) rootFolder_.SyncFileSystem();
}

void NotesOnPlayer::CheckStillMounted() const {
  if (!rootFolder_.IsAt(root_))
    throw FileError("書き込みの途中で iPod が取り外されました。ノートは書き込まれていない可能性があります。", root_,
                    ENODEV);
}

}  // namespace library
