#pragma once
// The Notes folder of the player an export started with. The player's root is opened once;
// every folder and page is reached relative to it, so pages never land anywhere else when
// the player goes away. Pages are written as temporaries in a folder of ours at the root
// (".lyrimate/tmp", on the same disk and outside Notes/) and renamed into place, so that an
// interrupted run leaves nothing in Notes/ the note reader would list.
#include <cstddef>
#include <string>
#include <unordered_map>

#include "library/NotesNames.h"
#include "platform/DirHandle.h"
#include "platform/Error.h"

namespace library {

class NotesOnPlayer {
public:
  // root: the player's root in the program's form, ending with "/". Throws platform::Error
  // naming it when it cannot be opened. Removes the temporaries an interrupted run left.
  explicit NotesOnPlayer(const std::string& root);

  const std::string& Root() const { return root_; }
  // The path of a page below the root, for messages.
  std::string PathOf(const PagePlace& place) const;

  // Writes one page: its album folder is made when missing, a page of the same name is
  // replaced in one step. Throws platform::Error naming the page.
  void Write(const PagePlace& place, const std::string& content);
  bool WroteAny() const { return wroteAny_; }

  // The notes the reader would find: every file under Notes/, at any depth.
  std::size_t CountNotes() const;

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
  std::string rootSystem_;
  platform::DirHandle rootFolder_;
  platform::DirHandle notes_;
  platform::DirHandle temporaries_;
  std::unordered_map<std::string, platform::DirHandle> albums_;  // by folder name (code page 932)
  bool wroteAny_ = false;
};

// Our folder at the player's root and its temporaries folder.
inline constexpr const char* kOwnFolder = ".lyrimate";
inline constexpr const char* kTemporaryFolder = "tmp";

}  // namespace library
