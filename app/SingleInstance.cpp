// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "app/CommandGuard.h"

namespace app {

std::unique_ptr<library::DataFolderLock> LockDataFolder(QWidget* parent, const std::string& appDir,
                                                        std::chrono::milliseconds wait) {
  std::unique_ptr<library::DataFolderLock> lock;
  RunCommand(parent, [&] { lock = std::make_unique<library::DataFolderLock>(appDir, wait); });
  return lock;
}

}  // namespace app
