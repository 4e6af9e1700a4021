// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DirEnum.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"

namespace platform {

namespace {

// Closes the directory stream on every path.
class DirectoryStream {
public:
  explicit DirectoryStream(const std::string& systemPath) : dir_(::opendir(systemPath.c_str())) {}
  ~DirectoryStream() {
    if (dir_) ::closedir(dir_);
  }
  DirectoryStream(const DirectoryStream&) = delete;
  DirectoryStream& operator=(const DirectoryStream&) = delete;

  DIR* get() const { return dir_; }

private:
  DIR* dir_;
};

bool IsEveryName(std::string_view wildcard) { return wildcard == "*" || wildcard == "*.*"; }

// What the entry is and, for a link, what it leads to.
DirEntry DescribeEntry(DIR* dir, const dirent* entry, std::string name) {
  DirEntry result{std::move(name), entry->d_type == DT_DIR, entry->d_type == DT_LNK};
  if (entry->d_type == DT_UNKNOWN) {
    struct stat own {};
    result.isLink = ::fstatat(::dirfd(dir), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
    if (!result.isLink) result.isDirectory = S_ISDIR(own.st_mode);
  }
  if (result.isLink) {
    struct stat target {};
    result.isDirectory = ::fstatat(::dirfd(dir), entry->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
  }
  return result;
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Matching on folded forms; a final ".*" may also stand for "no extension at all".
bool MatchesFolded(std::u16string_view name, std::u16string_view wildcard) {
  if (MatchWildcardCharacters(name, wildcard, WildcardStar::AnyRun)) return true;
  return wildcard.size() >= 2 && wildcard.substr(wildcard.size() - 2) == u".*" &&
         MatchWildcardCharacters(name, wildcard.substr(0, wildcard.size() - 2), WildcardStar::AnyRun);
}

std::u16string Folded(std::string_view text) { return WildcardCharacters(text, WildcardCase::Folded); }

// Hands take each entry with its name as the system gave it.
template <class Take>
void ForEachEntry(DIR* dir, Take take) {
  while (const dirent* entry = ::readdir(dir)) take(entry, std::string(entry->d_name));
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view wildcard) {
  return IsEveryName(wildcard) || MatchesFolded(Folded(name), Folded(wildcard));
}

std::vector<DirEntry> ListDirectory(const std::string& folder, std::string_view wildcard) {
  std::vector<DirEntry> entries;
  DirectoryStream stream(folder.empty() ? std::string(".") : folder);
  if (!stream.get()) return entries;
  const bool everyName = IsEveryName(wildcard);
  const std::u16string foldedWildcard = everyName ? std::u16string() : Folded(wildcard);
  ForEachEntry(stream.get(), [&](const dirent* entry, std::string name) {
    // The wildcard is code page 932 text: it is matched against the name's shown form.
    if (everyName || MatchesFolded(Folded(DisplayPath(name)), foldedWildcard))
      entries.push_back(DescribeEntry(stream.get(), entry, std::move(name)));
  });
  return entries;
}

FolderListing ListFolder(const std::string& folder) {
  FolderListing listing;
  DirectoryStream stream(folder.empty() ? std::string(".") : folder);
  struct stat info {};
  if (!stream.get() || ::fstat(::dirfd(stream.get()), &info) != 0) return listing;
  listing.opened = true;
  listing.device = static_cast<std::uint64_t>(info.st_dev);
  listing.inode = static_cast<std::uint64_t>(info.st_ino);
  ForEachEntry(stream.get(), [&](const dirent* entry, std::string name) {
    if (!IsDotOrDotDot(entry->d_name)) listing.entries.push_back(DescribeEntry(stream.get(), entry, std::move(name)));
  });
  return listing;
}

}  // namespace platform
