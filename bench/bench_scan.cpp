// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-bench scan ROOT [--lyrics]: walks ROOT/iPod_Control/Music/ like the music scan
// (a folder's files first, then each sub-folder depth-first) and reads every file
// through the dispatcher with the names the scan asks for.
// lyrimate-bench cold-scan ROOT: the same scan with every file evicted from the page cache
// first, then counts the pages of the files that the scan brought in (mincore); the same
// for bench/taglib_scan when it was built next to this program.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "platform/DirEnum.h"
#include "platform/FileSystem.h"
#include "tags/sMediaTagReader.h"

namespace {

struct ScanCount {
  long files = 0;
  std::size_t textBytes = 0;
};

// The names the music scan asks every song for (lyrics only while importing them).
void ReadSongValues(const std::string& path, bool lyrics, ScanCount& count) {
  static const char* const names[] = {"Title", "Album", "Artist", "Year",  "Track",
                                      "Time",  "Duration", "Genre", "BitRate", "Comment"};
  TsMediaTagReader reader;
  reader.Open(path);
  for (const char* name : names) count.textBytes += reader.GetValue(name).size();
  if (lyrics) count.textBytes += reader.GetValue("Lyrics").size();
  ++count.files;
}

// A folder's files first, then its sub-folders depth-first, links to folders and names that
// begin with "." left out, as the music scan walks.
void ScanFolder(const std::string& folder, bool lyrics, ScanCount& count) {
  const platform::FolderListing listing = platform::ListFolder(folder);
  for (const platform::DirEntry& entry : listing.entries)
    if (!entry.isDirectory) ReadSongValues(folder + entry.name, lyrics, count);
  for (const platform::DirEntry& entry : listing.entries)
    if (entry.isDirectory && !entry.isLink && entry.name.front() != '.') ScanFolder(folder + entry.name + "/", lyrics, count);
}

std::string MusicFolder(const std::string& rootArgument) {
  std::string root = rootArgument;
  if (root.empty() || root.back() != '/') root += '/';
  return root + "iPod_Control/Music/";
}

// The regular files under folder (system paths).
std::vector<std::string> FilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path().string());
  }
  return files;
}

// Writes back what is dirty and drops every page of the files from the page cache.
void Evict(const std::vector<std::string>& files) {
  for (const std::string& path : files) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
  }
}

struct Residency {
  long files = 0;
  long pages = 0;  // pages of the files in the page cache
  long runs = 0;   // stretches of consecutive cached pages
};

Residency ResidentPages(const std::vector<std::string>& files) {
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  Residency total;
  for (const std::string& path : files) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
      const auto size = static_cast<std::size_t>(info.st_size);
      void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
      if (map != MAP_FAILED) {
        std::vector<unsigned char> resident((size + static_cast<std::size_t>(pageSize) - 1) / static_cast<std::size_t>(pageSize));
        if (::mincore(map, size, resident.data()) == 0) {
          bool inRun = false;
          for (unsigned char page : resident) {
            const bool cached = page & 1;
            total.pages += cached;
            total.runs += cached && !inRun;
            inRun = cached;
          }
        }
        ::munmap(map, size);
      }
    }
    ::close(fd);
    ++total.files;
  }
  return total;
}

void PrintResidency(const char* label, const Residency& r) {
  const double files = r.files > 0 ? static_cast<double>(r.files) : 1.0;
  std::printf("%s: %ld files, %ld pages read (%.1f per file, %.1f runs per file)\n", label, r.files, r.pages,
              r.pages / files, r.runs / files);
}

// The folder of this program, where taglib_scan is built too.
std::string ProgramFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.parent_path().string();
}

}  // namespace

int bench::ColdScan(const Arguments& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: lyrimate-bench cold-scan ROOT\n");
    return 2;
  }
  const std::string music = MusicFolder(args[0]);
  if (!platform::DirectoryExists(music)) {
    std::fprintf(stderr, "cold-scan: %s has no iPod_Control/Music/ folder\n", args[0].c_str());
    return 1;
  }
  const std::vector<std::string> files = FilesUnder(music);
  Evict(files);
  const long left = ResidentPages(files).pages;
  if (left > 0) std::printf("cold-scan: %ld pages could not be evicted\n", left);
  ScanCount count;
  ScanFolder(music, false, count);
  PrintResidency("cold", ResidentPages(files));

  const std::string taglib = ProgramFolder() + "/taglib_scan";
  if (::access(taglib.c_str(), X_OK) == 0) {
    Evict(files);
    const std::string command = "'" + taglib + "' '" + args[0] + "' >/dev/null";
    if (std::system(command.c_str()) == 0) PrintResidency("taglib cold", ResidentPages(files));
  }
  return 0;
}

int bench::Scan(const Arguments& args) {
  bool lyrics = args.size() == 2 && args[1] == "--lyrics";
  if (args.empty() || args.size() > 2 || (args.size() == 2 && !lyrics)) {
    std::fprintf(stderr, "usage: lyrimate-bench scan ROOT [--lyrics]\n");
    return 2;
  }
  const std::string music = MusicFolder(args[0]);
  if (!platform::DirectoryExists(music)) {
    std::fprintf(stderr, "scan: %s has no iPod_Control/Music/ folder\n", args[0].c_str());
    return 1;
  }
  ScanCount count;
  auto start = std::chrono::steady_clock::now();
  ScanFolder(music, lyrics, count);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("scan: %ld files in %.3f s (%.0f files/s, peak RSS %.1f MiB)\n", count.files, seconds,
              seconds > 0 ? count.files / seconds : 0.0, usage.ru_maxrss / 1024.0);
  return 0;
}
