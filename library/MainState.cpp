// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/MainState.h"

#include <cerrno>
#include <charconv>

#include "library/FileErrors.h"
#include "platform/AppDir.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/Volumes.h"

namespace library {

namespace {

constexpr const char* kSection = "Lyrimate";

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool ReadBoolean(const std::string& path, const char* key, bool defaultValue) {
  long long value = 0;
  if (!ParseWholeNumber(platform::ReadProfileString(path, kSection, key, ""), value)) return defaultValue;
  return value != 0;
}

void WriteBoolean(const std::string& path, const char* key, bool value) {
  errno = 0;
  if (!platform::WriteProfileString(path, kSection, key, value ? "1" : "0"))
    throw FileError("設定ファイルに書き込めません。", path, errno);
}

}  // namespace

std::string SettingsPath(const std::string& appDir) { return appDir + "Lyrimate.ini"; }

bool ParseWholeNumber(const std::string& text, long long& value) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  // from_chars takes a "-" but not a "+".
  if (begin < end && text[begin] == '+') {
    ++begin;
    if (begin < end && (text[begin] == '-' || text[begin] == '+')) return false;
  }
  if (begin == end) return false;
  long long parsed = 0;
  const auto [stop, error] = std::from_chars(text.data() + begin, text.data() + end, parsed);
  if (error != std::errc() || stop != text.data() + end) return false;
  value = parsed;
  return true;
}

Settings ReadSettings(const std::string& appDir) {
  const std::string path = SettingsPath(appDir);
  const Settings defaults;
  Settings settings;
  settings.AutoConnect = ReadBoolean(path, "AutoConnect", defaults.AutoConnect);
  settings.AutoGetMusic = ReadBoolean(path, "AutoGetMusic", defaults.AutoGetMusic);
  settings.AutoCheck = ReadBoolean(path, "AutoCheck", defaults.AutoCheck);
  settings.AutoCopy = ReadBoolean(path, "AutoCopy", defaults.AutoCopy);
  settings.SplitPages = ReadBoolean(path, "SplitPages", defaults.SplitPages);
  settings.CleanNotes = ReadBoolean(path, "CleanNotes", defaults.CleanNotes);
  return settings;
}

void WriteSettings(const std::string& appDir, const Settings& settings) {
  const std::string path = SettingsPath(appDir);
  WriteBoolean(path, "AutoConnect", settings.AutoConnect);
  WriteBoolean(path, "AutoGetMusic", settings.AutoGetMusic);
  WriteBoolean(path, "AutoCheck", settings.AutoCheck);
  WriteBoolean(path, "AutoCopy", settings.AutoCopy);
  WriteBoolean(path, "SplitPages", settings.SplitPages);
  WriteBoolean(path, "CleanNotes", settings.CleanNotes);
}

MainState::MainState() : MainState(platform::AppDir()) {}

MainState::MainState(const std::string& appDir)
    : AppDir(platform::WithTrailingSlash(appDir)),
      Volumes([] { return platform::CurrentVolumes(); }),
      GivenPlayerRoots(platform::ExtraRoots()) {
  const Settings settings = ReadSettings(AppDir);
  AutoConnect = settings.AutoConnect;
  AutoGetMusic = settings.AutoGetMusic;
  AutoCheck = settings.AutoCheck;
  AutoCopy = settings.AutoCopy;
  SplitPages = settings.SplitPages;
  CleanNotes = settings.CleanNotes;
}

Settings MainState::CurrentSettings() const {
  return Settings{AutoConnect, AutoGetMusic, AutoCheck, AutoCopy, SplitPages, CleanNotes};
}

std::string MainState::DataFolder() const { return AppDir + "MusicDatas/"; }

}  // namespace library
