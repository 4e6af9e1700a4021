// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Notes folder of the player an export started with. The player's root is opened once;
// every folder and page is reached relative to it, so pages never land anywhere else when
// the player goes away. Pages are written as temporaries in a folder of ours at the root
// (".lyrimate/tmp", on the same disk and outside Notes/) and renamed into place, so that an
// interrupted run leaves nothing in Notes/ the note reader would list.
// Beside it lies the record of what the exports wrote (".lyrimate/notes.lst": each page with
// its size and hash, each album folder they made), so that pages of songs no longer exported
// can be removed later, and nothing else: not a note the user wrote, not a page changed
// since, not a folder that holds anything.
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>

#include "library/NotesNames.h"
#include "platform/DirHandle.h"
#include "platform/Error.h"

namespace library {

class NotesOnPlayer {
public:
  enum class Use { Write, ReadOnly };
  // root: the player's root in the program's form, ending with "/". Throws platform::Error
  // naming it when it cannot be opened. For writing, removes the temporaries an interrupted
  // run left.
  explicit NotesOnPlayer(const std::string& root, Use use = Use::Write);

  const std::string& Root() const { return root_; }
  // The path of a page below the root, for messages.
  std::string PathOf(const PagePlace& place) const;

  // Writes one page: its album folder is made when missing, a page of the same name is
  // replaced in one step. Throws platform::Error naming the page.
  void Write(const PagePlace& place, const std::string& content);
  bool WroteAny() const { return wroteAny_; }

  // The notes the reader would find: every file under Notes/ at any depth, as paths below
  // Notes/ (code page 932), in the order of names ignoring case, folder by folder.
  std::vector<std::string> ListNotes() const;

  // Whether a page exists now, and whether the clean-up would remove it (it is in the record,
  // not written in this run, and unchanged since it was written).
  bool PageExists(const PagePlace& place) const;
  bool IsUnchangedRecordedPage(const PagePlace& place) const;
  // Removes the recorded pages this run did not write and that are unchanged, then the
  // recorded folders that ended up empty. Returns the number of pages removed.
  std::size_t RemoveStalePages();
  // Writes the record when it changed. Throws platform::Error when it cannot.
  void SaveRecord();

  // Flushes what was written; Sync throws when it cannot, TrySync does what it can.
  void Sync() const;
  void TrySync() const;
  // Throws the removal as a failure unless the root's path still leads to the folder opened
  // at the start (same device and inode).
  void CheckStillMounted() const;

private:
  const platform::DirHandle& NotesFolder(const PagePlace& place);
  const platform::DirHandle& AlbumFolder(const PagePlace& place);
  const platform::DirHandle& Temporaries(const PagePlace& place);
  platform::Error Failure(const PagePlace& place, int reason) const;

  std::string root_;
  platform::DirHandle rootFolder_;
  platform::DirHandle notes_;
  platform::DirHandle temporaries_;
  std::unordered_map<std::string, platform::DirHandle> albums_;  // by folder name (code page 932)
  bool wroteAny_ = false;

  struct Written {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const Written&) const = default;
  };
  void LoadRecord();
  platform::DirHandle FolderOf(const PagePlace& place) const;
  std::map<std::string, Written> record_;  // path below Notes/ -> what was written there
  std::set<std::string> recordFolders_;     // album folders an export made
  std::set<std::string> writtenNow_;        // paths below Notes/ written in this run
  bool recordChanged_ = false;
};

// Our folder at the player's root and its temporaries folder.
inline constexpr const char* kOwnFolder = ".lyrimate";
inline constexpr const char* kTemporaryFolder = "tmp";
inline constexpr const char* kRecordFile = "notes.lst";

}  // namespace library
