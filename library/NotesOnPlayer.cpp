#include "library/NotesOnPlayer.h"

#include <cerrno>

#include "library/FileErrors.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace library {

namespace {

// Album folders are one level below Notes; deeper folders are only counted, never written.
constexpr int kCountedFolderDepth = 8;

std::size_t CountFiles(const platform::DirHandle& folder, int depth) {
  std::vector<platform::DirHandle::Entry> entries;
  folder.List(entries);
  std::size_t count = 0;
  for (const platform::DirHandle::Entry& entry : entries) {
    if (!entry.isDirectory)
      ++count;
    else if (depth > 0)
      count += CountFiles(folder.Child(entry.name, false), depth - 1);
  }
  return count;
}

}  // namespace

NotesOnPlayer::NotesOnPlayer(const std::string& root)
    : root_(platform::WithTrailingSlash(root)), rootSystem_(platform::SystemPath(root_)) {
  errno = 0;
  rootFolder_ = platform::DirHandle::Open(rootSystem_);
  if (!rootFolder_.IsOpen()) throw FileError("iPodのフォルダを開けません。", root_, errno);
  notes_ = rootFolder_.Child("Notes", false);
  const platform::DirHandle own = rootFolder_.Child(kOwnFolder, false);
  temporaries_ = own.Child(kTemporaryFolder, false);
  platform::RemoveTemporaries(temporaries_);
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
}

std::size_t NotesOnPlayer::CountNotes() const {
  const platform::DirHandle notes = rootFolder_.Child("Notes", false);
  return notes.IsOpen() ? CountFiles(notes, kCountedFolderDepth) : 0;
}

void NotesOnPlayer::Sync() const {
  errno = 0;
  if (!rootFolder_.SyncFileSystem()) throw FileError("iPodへの書き込みを完了できません。", root_, errno);
}

void NotesOnPlayer::TrySync() const {
  if (wroteAny_) rootFolder_.SyncFileSystem();
}

void NotesOnPlayer::CheckStillMounted() const {
  if (!rootFolder_.IsAt(rootSystem_))
    throw FileError("書き込みの途中で iPod が取り外されました。ノートは書き込まれていない可能性があります。", root_,
                    ENODEV);
}

}  // namespace library
