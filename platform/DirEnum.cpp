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

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view wildcard) {
  if (IsEveryName(wildcard)) return true;
  const std::u16string foldedName = WildcardCharacters(name, WildcardCase::Folded);
  const std::u16string foldedWildcard = WildcardCharacters(wildcard, WildcardCase::Folded);
  if (MatchWildcardCharacters(foldedName, foldedWildcard, WildcardStar::AnyRun)) return true;
  // A final ".*" may also stand for "no extension at all".
  std::u16string_view view = foldedWildcard;
  return view.size() >= 2 && view.substr(view.size() - 2) == u".*" &&
         MatchWildcardCharacters(foldedName, view.substr(0, view.size() - 2), WildcardStar::AnyRun);
}

std::vector<DirEntry> ListDirectory(const std::string& folder, std::string_view wildcard) {
  std::vector<DirEntry> entries;
  DirectoryStream stream(folder.empty() ? std::string(".") : SystemPath(folder));
  if (!stream.get()) return entries;
  const bool everyName = IsEveryName(wildcard);
  while (const dirent* entry = ::readdir(stream.get())) {
    const std::string systemName = entry->d_name;
    std::string name = ProgramPath(systemName);
    if (SystemPath(name) != systemName) continue;
    if (!everyName && !MatchesWildcard(name, wildcard)) continue;
    entries.push_back(DescribeEntry(stream.get(), entry, std::move(name)));
  }
  return entries;
}

FolderListing ListFolder(const std::string& folder) {
  FolderListing listing;
  DirectoryStream stream(folder.empty() ? std::string(".") : SystemPath(folder));
  struct stat info {};
  if (!stream.get() || ::fstat(::dirfd(stream.get()), &info) != 0) return listing;
  listing.opened = true;
  listing.device = static_cast<std::uint64_t>(info.st_dev);
  listing.inode = static_cast<std::uint64_t>(info.st_ino);
  while (const dirent* entry = ::readdir(stream.get())) {
    if (IsDotOrDotDot(entry->d_name)) continue;
    const std::string systemName = entry->d_name;
    std::string name = ProgramPath(systemName);
    if (SystemPath(name) != systemName) {
      ++listing.unconvertibleNames;
      continue;
    }
    listing.entries.push_back(DescribeEntry(stream.get(), entry, std::move(name)));
  }
  return listing;
}

}  // namespace platform
