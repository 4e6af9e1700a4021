// lyrimate-bench scan ROOT [--lyrics]: walks ROOT/iPod_Control/Music/ like the music scan
// (TGlob, a folder's files first, then each sub-folder depth-first) and reads every file
// through the dispatcher with the names the scan asks for.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/Bench.h"
#include "platform/FileSystem.h"
#include "tags/sMediaTagReader.h"
#include "util/fnmatch.h"

namespace {

struct ScanCount {
  long files = 0;
  std::size_t textBytes = 0;
};

void ReadSongValues(const std::string& path, bool lyrics, ScanCount& count) {
  static const char* const names[] = {"Title", "Album", "Artist", "Year", "Track", "Time", "Comment"};
  TsMediaTagReader reader;
  reader.Open(path);
  for (const char* name : names) count.textBytes += reader.GetValue(name).size();
  if (lyrics) count.textBytes += reader.GetValue("Lyrics").size();
  ++count.files;
}

void ScanFolder(const std::string& folder, bool lyrics, ScanCount& count) {
  TGlob glob(folder);
  for (const auto& name : glob.Files()) ReadSongValues(glob.Dir() + name, lyrics, count);
  for (const auto& name : glob.Dirs()) {
    if (!name.empty() && name[0] == '.') continue;
    ScanFolder(glob.Dir() + name + "/", lyrics, count);
  }
}

}  // namespace

int bench::Scan(const Arguments& args) {
  bool lyrics = args.size() == 2 && args[1] == "--lyrics";
  if (args.empty() || args.size() > 2 || (args.size() == 2 && !lyrics)) {
    std::fprintf(stderr, "usage: lyrimate-bench scan ROOT [--lyrics]\n");
    return 2;
  }
  std::string root = platform::ProgramPath(args[0]);
  if (root.empty() || root.back() != '/') root += '/';
  const std::string music = root + "iPod_Control/Music/";
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
