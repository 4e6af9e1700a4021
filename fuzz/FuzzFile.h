// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fuzz input as a file: readers take a file name, so each input is written to one
// file on a memory-backed folder, rewritten in place for every run.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

// The input file's name without its extension, one per fuzzing process.
inline const std::string& InputStem() {
  static const std::string stem = [] {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/lyrimate-fuzz-" + std::to_string(getpid());
  }();
  return stem;
}

inline std::string InputPath(const char* extension = ".bin") { return InputStem() + extension; }

inline bool WriteInput(const std::uint8_t* data, std::size_t size, const std::string& path = InputPath()) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < size) {
    ssize_t put = write(fd, data + done, size - done);
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  close(fd);
  return done == size;
}

}  // namespace fuzzing
