// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application holds its data folder's lock for its whole run; a second instance on the
// same folder says so and brings nothing up.
#include <chrono>
#include <memory>
#include <string>

#include "library/DataFolderLock.h"

class QWidget;

namespace app {

// How long the start waits for a lyrimate-cli command that is just saving.
inline constexpr std::chrono::milliseconds kStartLockWait{2000};

// The lock of appDir, or nothing after the error box said who holds it (or why it could not
// be taken).
std::unique_ptr<library::DataFolderLock> LockDataFolder(QWidget* parent, const std::string& appDir,
                                                        std::chrono::milliseconds wait = kStartLockWait);

}  // namespace app
