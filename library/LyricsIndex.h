// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics files of MusicDatas, from one listing of the folder per command. A song's
// lyrics file is found by the song key's letter-case rule: the exact name first, then a name
// that is equal to it when letter case is ignored (the same folding as the song key). So
// "LOVE-Best.txt" is the file of the song "Love" in album "best" too, as it is on a disk
// that ignores letter case, and a write replaces the file that was found under its name.
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "library/MainState.h"
#include "platform/DirHandle.h"

namespace library {

class LyricsIndex {
public:
  // Lists state's MusicDatas once; a missing folder gives an empty index.
  explicit LyricsIndex(const MainState& state);

  // The path of the song's lyrics file when one exists (whatever kind of file it is: the
  // reader refuses what is not a regular file).
  std::optional<std::string> Existing(const std::string& title, const std::string& album) const;
  // The same as the file's name in Folder(); null when the song has no file.
  const std::string* ExistingName(const std::string& title, const std::string& album) const;
  // The path to read or write: the existing file, else the exact name (a new file).
  std::string Find(const std::string& title, const std::string& album) const;
  // Tells the index that a file now exists at path (written during this command), so that
  // the songs after it find it. Lookups (the const members) may run on several threads at
  // once, but never while Add runs.
  void Add(const std::string& path);

  std::size_t Size() const { return names_.size(); }
  // MusicDatas, opened when the index was made (closed when it could not be listed).
  const platform::DirHandle& Folder() const { return handle_; }
  // Its path, ending with "/".
  const std::string& FolderPath() const { return folder_; }

private:
  // Listed names by their fold (the fold CaseFold gives their code page 932 form), made at
  // the first lookup that needs them. ASCII names and the others are kept apart: no other
  // character of the code page folds to ASCII, so the two kinds never match each other, and
  // a lookup of an ASCII name never has the others folded.
  struct FoldedNames {
    std::unordered_map<std::u16string, std::string> names;
    std::once_flag once;
    bool built = false;
  };

  // The listed name equal to name when letter case is ignored; the lowest in byte order
  // when several are.
  const std::string* CaseInsensitiveMatch(const std::string& cp932Name) const;
  static void AddFolded(FoldedNames& folded, const std::string& systemName);

  std::string folder_;
  platform::DirHandle handle_;
  std::unordered_set<std::string> names_;  // system names in the folder
  mutable FoldedNames asciiFolded_;
  mutable FoldedNames otherFolded_;
};

// The path of the song's lyrics file (FindLyricsFile) and its content as lines joined with
// CR LF (nothing without a file; a file that is not a regular one is refused with
// platform::Error naming it).
std::string FindLyricsFile(const LyricsIndex& index, const std::string& title, const std::string& album);
std::optional<std::string> ReadLyrics(const LyricsIndex& index, const std::string& title, const std::string& album);
// The first line of the song's lyrics file; empty when it has none. No file is opened for a
// song without one.
std::string OpeningLineOf(const LyricsIndex& index, const std::string& title, const std::string& album);

}  // namespace library
