// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Volumes.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace platform {

namespace {

// Kernel and user-space file systems that are never a disk: process and kernel state,
// memory-backed folders, device nodes, automount triggers and desktop helper mounts.
constexpr std::string_view kPseudoFileSystems[] = {
    "autofs",   "binder",          "binfmt_misc", "bpf",        "cgroup",     "cgroup2",
    "configfs", "debugfs",         "devpts",      "devtmpfs",   "efivarfs",   "fuse.gvfsd-fuse",
    "fuse.lxcfs", "fuse.portal",   "fusectl",     "hugetlbfs",  "mqueue",     "nfsd",
    "nsfs",     "pipefs",          "proc",        "pstore",     "ramfs",      "rpc_pipefs",
    "securityfs", "selinuxfs",     "sockfs",      "sysfs",      "tmpfs",      "tracefs",
    "xenfs",
};

constexpr std::string_view kPlayerOption = "--player";

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The kernel writes space, tab, newline and backslash in paths as \040, \011, \012, \134.
std::string DecodeOctalEscapes(std::string_view field) {
  std::string decoded;
  decoded.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
        IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3])) {
      int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      if (value <= 0xFF) {
        decoded.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    decoded.push_back(field[i]);
  }
  return decoded;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start < line.size()) {
    std::size_t end = line.find(' ', start);
    if (end == std::string_view::npos) end = line.size();
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// mountinfo: id parent major:minor root mount-point options [optional...] - type source super
std::optional<MountEntry> ParseMountInfoLine(std::string_view line) {
  const std::vector<std::string_view> fields = SplitFields(line);
  constexpr std::size_t kMountPoint = 4;
  constexpr std::size_t kFirstOptional = 6;
  if (fields.size() < kFirstOptional + 2) return std::nullopt;

  long id = 0;
  auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), id);
  if (error != std::errc() || end != fields[0].data() + fields[0].size()) return std::nullopt;

  std::size_t separator = kFirstOptional;
  while (separator < fields.size() && fields[separator] != "-") ++separator;
  if (separator + 1 >= fields.size()) return std::nullopt;

  const std::string systemPath = DecodeOctalEscapes(fields[kMountPoint]);
  if (systemPath.empty() || systemPath.front() != '/') return std::nullopt;

  MountEntry entry;
  entry.mountId = id;
  entry.root = WithTrailingSlash(systemPath);
  entry.fsType = std::string(fields[separator + 1]);
  return entry;
}

std::string CurrentFolder() {
  std::vector<char> buffer(4096);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return std::string();
  return std::string(buffer.data());
}

std::vector<std::string>& ExtraRootStore() {
  static std::vector<std::string> roots;
  return roots;
}

}  // namespace

bool IsPseudoFileSystem(std::string_view fsType) {
  return std::find(std::begin(kPseudoFileSystems), std::end(kPseudoFileSystems), fsType) !=
         std::end(kPseudoFileSystems);
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::optional<MountEntry> entry = ParseMountInfoLine(text.substr(start, end - start));
    if (entry && !IsPseudoFileSystem(entry->fsType)) entries.push_back(std::move(*entry));
    start = end + 1;
  }
  return entries;
}

std::vector<std::string> VolumeRoots(const std::vector<MountEntry>& mounted,
                                     const std::vector<std::string>& extraRoots) {
  std::vector<std::string> roots;
  roots.reserve(mounted.size() + extraRoots.size());
  for (const MountEntry& entry : mounted) roots.push_back(entry.root);
  for (const std::string& root : extraRoots)
    if (!root.empty()) roots.push_back(WithTrailingSlash(root));
  std::sort(roots.begin(), roots.end());
  roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
  return roots;
}

std::vector<std::string> VolumeRoots(std::string_view mountInfoText,
                                     const std::vector<std::string>& extraRoots) {
  return VolumeRoots(ParseMountInfo(mountInfoText), extraRoots);
}

std::vector<std::string> PlayerArguments(int argc, char** argv) {
  std::vector<std::string> roots;
  const std::string current = CurrentFolder();
  auto add = [&](std::string_view dir) {
    if (dir.empty()) return;
    std::string path(dir);
    if (path.front() != '/' && !current.empty()) path = WithTrailingSlash(current) + path;
    roots.push_back(WithTrailingSlash(path));
  };
  for (int i = 1; i < argc && argv && argv[i]; ++i) {
    std::string_view arg = argv[i];
    if (arg == kPlayerOption) {
      if (i + 1 < argc && argv[i + 1]) add(argv[++i]);
    } else if (arg.size() > kPlayerOption.size() && arg.substr(0, kPlayerOption.size()) == kPlayerOption &&
               arg[kPlayerOption.size()] == '=') {
      add(arg.substr(kPlayerOption.size() + 1));
    }
  }
  return roots;
}

void SetExtraRoots(std::vector<std::string> roots) {
  for (std::string& root : roots) root = WithTrailingSlash(std::move(root));
  ExtraRootStore() = std::move(roots);
}

const std::vector<std::string>& ExtraRoots() { return ExtraRootStore(); }

std::optional<std::string> ReadMountInfo() {
  // Files under /proc report size 0, so read until the end instead of by size.
  int fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  char buffer[8192];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return text;
}

std::vector<std::string> CurrentVolumes() {
  std::optional<std::string> text = ReadMountInfo();
  return VolumeRoots(text ? std::string_view(*text) : std::string_view(), ExtraRoots());
}

bool MountWatcher::Known::operator<(const Known& other) const {
  if (root != other.root) return root < other.root;
  return mountId < other.mountId;
}

MountWatcher::MountWatcher() : source_(ReadMountInfo) {
  fd_ = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
  if (std::optional<std::vector<Known>> known = ReadKnown()) Remember(std::move(*known));
}

MountWatcher::MountWatcher(MountTableSource source) : source_(std::move(source)) {
  if (std::optional<std::vector<Known>> known = ReadKnown()) Remember(std::move(*known));
}

MountWatcher::~MountWatcher() {
  if (fd_ >= 0) ::close(fd_);
}

bool MountWatcher::WaitForSignal(int timeoutMs) {
  if (fd_ < 0) return false;
  pollfd watched{fd_, POLLPRI, 0};
  int ready = ::poll(&watched, 1, timeoutMs);
  return ready > 0 && (watched.revents & (POLLPRI | POLLERR)) != 0;
}

std::optional<std::vector<MountWatcher::Known>> MountWatcher::ReadKnown() const {
  if (!source_) return std::nullopt;
  std::optional<std::string> text = source_();
  if (!text) return std::nullopt;
  std::vector<Known> known;
  for (MountEntry& entry : ParseMountInfo(*text)) known.push_back({entry.mountId, std::move(entry.root)});
  for (const std::string& root : ExtraRoots()) known.push_back({-1, root});
  std::sort(known.begin(), known.end());
  known.erase(std::unique(known.begin(), known.end()), known.end());
  return known;
}

void MountWatcher::Remember(std::vector<Known> known) {
  known_ = std::move(known);
  roots_.clear();
  for (const Known& k : known_)
    if (roots_.empty() || roots_.back() != k.root) roots_.push_back(k.root);
}

std::vector<MountWatcher::Change> MountWatcher::Check() {
  std::optional<std::vector<Known>> now = ReadKnown();
  if (!now) return {};
  std::vector<Known> removed, arrived;
  std::set_difference(known_.begin(), known_.end(), now->begin(), now->end(), std::back_inserter(removed));
  std::set_difference(now->begin(), now->end(), known_.begin(), known_.end(), std::back_inserter(arrived));

  std::vector<Change> changes;
  auto report = [&changes](unsigned code, const std::vector<Known>& which) {
    for (const Known& k : which)
      if (changes.empty() || changes.back().code != code || changes.back().root != k.root)
        changes.push_back({code, k.root});
  };
  report(kDeviceRemoval, removed);
  report(kDeviceArrival, arrived);
  Remember(std::move(*now));
  return changes;
}

}  // namespace platform
