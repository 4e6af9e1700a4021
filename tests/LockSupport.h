// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A second process that holds the data folder's lock: a real fork, so the lock is held by
// another process exactly as a second lyrimate or lyrimate-cli would hold it.
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "library/DataFolderLock.h"
#include "platform/Error.h"

namespace testing_support {

class ForkedLockHolder {
public:
  // Forks a child that takes the lock of appDir and keeps it until Release() or Kill().
  // Locked() tells whether the child got it.
  explicit ForkedLockHolder(const std::string& appDir) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      char answer = 'F';
      try {
        library::DataFolderLock lock(appDir, std::chrono::milliseconds(0));
        answer = 'L';
        (void)!::write(ready[1], &answer, 1);
        char ignored;
        (void)!::read(release[0], &ignored, 1);
      } catch (const platform::Error&) {
        (void)!::write(ready[1], &answer, 1);
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    releaseFd_ = release[1];
    char answer = 0;
    locked_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == 'L';
    ::close(ready[0]);
  }
  ~ForkedLockHolder() { Release(); }
  ForkedLockHolder(const ForkedLockHolder&) = delete;
  ForkedLockHolder& operator=(const ForkedLockHolder&) = delete;

  bool Locked() const { return locked_; }
  pid_t Pid() const { return pid_; }

  // Tells the child to give the lock back and end, and waits for it.
  void Release() { End(false); }
  // Ends the child without letting it clean up, as a crash would.
  void Kill() { End(true); }
  // Tells the child to give the lock back without waiting for it to end.
  void LetGo() {
    if (releaseFd_ < 0) return;
    // A byte rather than the end of the pipe: another child may hold a copy of its end.
    (void)!::write(releaseFd_, "x", 1);
    ::close(releaseFd_);
    releaseFd_ = -1;
  }

private:
  void End(bool kill) {
    if (kill && pid_ > 0) {
      ::kill(pid_, SIGKILL);
      // No byte to a child that may be gone already: the write would raise SIGPIPE here.
      if (releaseFd_ >= 0) ::close(releaseFd_);
      releaseFd_ = -1;
    }
    LetGo();
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  pid_t pid_ = -1;
  int releaseFd_ = -1;
  bool locked_ = false;
};

}  // namespace testing_support
