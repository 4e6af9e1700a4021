// SPDX-License-Identifier: GPL-3.0-or-later
// taglib_scan ROOT [--lyrics]: the scan of lyrimate-bench done with TagLib, for comparison.
// Walks ROOT/iPod_Control/Music/ depth-first like the music scan (a folder's files in
// directory order, then its sub-folders except those starting with "."), reads title,
// album, artist, year, track, comment and the playing time of every file (and the
// lyrics with --lyrics), and prints the same line as lyrimate-bench scan.
#include <dirent.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

namespace {

struct Totals {
  long files = 0;
  std::size_t bytesSeen = 0;  // keeps the reads from being optimised away
};

void ReadOne(const std::string& path, bool lyrics, Totals& totals) {
  TagLib::FileRef ref(path.c_str(), true, TagLib::AudioProperties::Average);
  ++totals.files;
  if (ref.isNull()) return;
  if (TagLib::Tag* tag = ref.tag()) {
    totals.bytesSeen += tag->title().size() + tag->album().size() + tag->artist().size() +
                        tag->comment().size() + tag->year() + tag->track();
  }
  if (TagLib::AudioProperties* properties = ref.audioProperties()) {
    totals.bytesSeen += static_cast<std::size_t>(properties->lengthInMilliseconds());
  }
  if (lyrics) {
    TagLib::PropertyMap map = ref.file()->properties();
    auto found = map.find("LYRICS");
    if (found != map.end() && !found->second.isEmpty()) totals.bytesSeen += found->second.front().size();
  }
}

void ScanFolder(const std::string& folder, bool lyrics, Totals& totals) {
  std::vector<std::string> files, dirs;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      bool isDir = entry->d_type == DT_DIR;
      if (isDir) {
        if (entry->d_name[0] != '.') dirs.emplace_back(entry->d_name);
      } else {
        files.emplace_back(entry->d_name);
      }
    }
    closedir(dir);
  }
  for (const auto& name : files) ReadOne(folder + name, lyrics, totals);
  for (const auto& name : dirs) ScanFolder(folder + name + "/", lyrics, totals);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--lyrics") != 0)) {
    std::fprintf(stderr, "usage: taglib_scan ROOT [--lyrics]\n");
    return 2;
  }
  std::string root = argv[1];
  if (root.back() != '/') root += '/';
  Totals totals;
  auto start = std::chrono::steady_clock::now();
  ScanFolder(root + "iPod_Control/Music/", argc == 3, totals);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("scan: %ld files in %.3f s (%.0f files/s, peak RSS %.1f MiB)\n", totals.files, seconds,
              seconds > 0 ? totals.files / seconds : 0.0, usage.ru_maxrss / 1024.0);
  return totals.bytesSeen == static_cast<std::size_t>(-1) ? 1 : 0;
}
