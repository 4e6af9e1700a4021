// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The mounted volumes (what a drive letter was on Windows) and a watcher of the mount table
// that turns its changes into device arrivals and removals. Roots are paths in the system's
// form, exactly as the system gives them, ending with "/", in ascending byte order.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Event codes of a device change, as the player detection expects them.
constexpr unsigned kDeviceArrival = 0x8000;
constexpr unsigned kDeviceRemoval = 0x8004;

// One mounted file system from the mount table.
struct MountEntry {
  long mountId = -1;   // the kernel's mount id; -1 for an extra root
  std::string root;    // the system's form, ending with "/"
  std::string fsType;  // as the kernel names it
};

// File systems that never hold a player (proc, sysfs, cgroup, devpts, tmpfs, ...).
bool IsPseudoFileSystem(std::string_view fsType);

// The volumes in a /proc/self/mountinfo text, in the order of the text. Pseudo file systems,
// and malformed lines are left out; octal escapes
// such as \040 in mount points are decoded.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Sorted, duplicate-free roots of the entries plus the extra roots.
std::vector<std::string> VolumeRoots(const std::vector<MountEntry>& mounted,
                                     const std::vector<std::string>& extraRoots);
std::vector<std::string> VolumeRoots(std::string_view mountInfoText,
                                     const std::vector<std::string>& extraRoots);

// Roots given on the command line ("--player DIR", repeatable), used beside the mounted ones.
// A missing trailing "/" is added. Arguments are system (UTF-8) paths; relative ones are
// made absolute.
std::vector<std::string> PlayerArguments(int argc, char** argv);
void SetExtraRoots(std::vector<std::string> roots);
const std::vector<std::string>& ExtraRoots();

// The text of /proc/self/mountinfo; nothing when it cannot be read.
std::optional<std::string> ReadMountInfo();
// The current volume list: the real mount table plus ExtraRoots().
std::vector<std::string> CurrentVolumes();

// Watches the mount table. The real one is /proc/self/mounts, whose descriptor signals a
// change with POLLPRI (a GUI listens on Fd()); Check() then compares the volume list with
// the one of the last check and reports what vanished and what appeared.
class MountWatcher {
public:
  struct Change {
    unsigned code;     // kDeviceRemoval or kDeviceArrival
    std::string root;  // the volume concerned
    bool operator==(const Change&) const = default;
  };
  using MountTableSource = std::function<std::optional<std::string>()>;

  // Watches the real mount table of the process.
  MountWatcher();
  // Reads the mount table text from source (no descriptor); for tests.
  explicit MountWatcher(MountTableSource source);
  ~MountWatcher();
  MountWatcher(const MountWatcher&) = delete;
  MountWatcher& operator=(const MountWatcher&) = delete;

  // The descriptor to wait on for POLLPRI; -1 when there is none.
  int Fd() const { return fd_; }
  // Waits up to timeoutMs for the kernel's change signal (0: just looks); false without a descriptor.
  bool WaitForSignal(int timeoutMs);

  // Re-reads the volumes: removals first, then arrivals, each in ascending order of root.
  // A volume mounted anew at the same root since the last check is a removal and an arrival.
  // When the table cannot be read nothing is reported and the last list is kept.
  std::vector<Change> Check();
  // The volume list of the last check (or of construction).
  const std::vector<std::string>& Volumes() const { return roots_; }

private:
  struct Known {
    long mountId;
    std::string root;
    bool operator<(const Known& other) const;
    bool operator==(const Known& other) const = default;
  };
  std::optional<std::vector<Known>> ReadKnown() const;
  void Remember(std::vector<Known> known);

  MountTableSource source_;
  int fd_ = -1;
  std::vector<Known> known_;  // sorted
  std::vector<std::string> roots_;
};

}  // namespace platform
