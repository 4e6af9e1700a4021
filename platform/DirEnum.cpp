#include "platform/DirEnum.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/FileSystem.h"
#include "platform/TextCompare.h"

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

// "*" and "?" over already folded text; backtracks to the last "*" only, which is enough
// because a later "*" can absorb whatever an earlier one would.
bool MatchFolded(std::u16string_view name, std::u16string_view wildcard) {
  std::size_t n = 0, w = 0;
  std::size_t starW = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (w < wildcard.size() && wildcard[w] == u'*') {
      starW = w++;
      starN = n;
    } else if (w < wildcard.size() && (wildcard[w] == u'?' || wildcard[w] == name[n])) {
      ++w;
      ++n;
    } else if (starW != std::u16string_view::npos) {
      w = starW + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (w < wildcard.size() && wildcard[w] == u'*') ++w;
  return w == wildcard.size();
}

bool IsEveryName(std::string_view wildcard) { return wildcard == "*" || wildcard == "*.*"; }

bool IsDirectoryEntry(DIR* dir, const dirent* entry) {
  if (entry->d_type == DT_DIR) return true;
  if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) return false;
  // The entry's type is not known, or it is a link: ask for what it leads to.
  struct stat info {};
  return ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view wildcard) {
  if (IsEveryName(wildcard)) return true;
  const std::u16string foldedName = CaseFold(name);
  const std::u16string foldedWildcard = CaseFold(wildcard);
  if (MatchFolded(foldedName, foldedWildcard)) return true;
  // A final ".*" may also stand for "no extension at all".
  std::u16string_view view = foldedWildcard;
  return view.size() >= 2 && view.substr(view.size() - 2) == u".*" &&
         MatchFolded(foldedName, view.substr(0, view.size() - 2));
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
    entries.push_back({std::move(name), IsDirectoryEntry(stream.get(), entry)});
  }
  return entries;
}

}  // namespace platform
