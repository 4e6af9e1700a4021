// SPDX-License-Identifier: GPL-3.0-or-later
// File errors: the Japanese reasons a user meets, the fallback for the rest, the log line,
// and the two throwing helpers on real folders.
#include "library/FileErrors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace {

std::string Message(const char* what, const std::string& path, int reason) {
  return library::FileError(what, path, reason).what();
}

TEST(SystemReason, CommonReasonsAreJapanese) {
  const struct {
    int reason;
    const char* japanese;
  } cases[] = {
      {ENOENT, "ファイルまたはフォルダが見つかりません"}, {EACCES, "アクセスが拒否されました"},
      {EPERM, "アクセスが拒否されました"},             {ENOSPC, "ディスクの空き容量が足りません"},
      {EDQUOT, "ディスクの空き容量が足りません"},       {EROFS, "読み取り専用のディスクです"},
      {ENODEV, "デバイスが取り外されました"},           {ENXIO, "デバイスが取り外されました"},
      {ENAMETOOLONG, "名前が長すぎます"},               {EIO, "ディスクの読み書きでエラーが起きました"},
  };
  for (const auto& c : cases) EXPECT_EQ(library::SystemReason(c.reason), platform::Sjis(c.japanese)) << c.reason;
}

TEST(SystemReason, OtherReasonsKeepTheSystemText) {
  EXPECT_EQ(library::SystemReason(EINVAL), std::string(std::strerror(EINVAL)));
  EXPECT_EQ(library::SystemReason(EBADF), std::string(std::strerror(EBADF)));
}

TEST(FileError, NamesWhatThePathAndTheJapaneseReasonAndLogsTheEnglishOne) {
  // A system path whose name is shown in code page 932 with its trail byte 0x5C intact.
  const std::string path = "/media/IPOD/" + platform::Cp932ToUtf8("\x95\x5C") + ".txt";
  testing::internal::CaptureStderr();
  const std::string message = Message("ファイルに書き込めません。", path, ENOSPC);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(message, platform::Sjis("ファイルに書き込めません。") + "\r\n/media/IPOD/\x95\x5C.txt\r\n(" +
                         platform::Sjis("ディスクの空き容量が足りません") + ")");
  EXPECT_EQ(message.find(std::strerror(ENOSPC)), std::string::npos);
  EXPECT_TRUE(log.starts_with(std::string(program_invocation_short_name) + ": ")) << log;
  EXPECT_NE(log.find(std::strerror(ENOSPC)), std::string::npos);
  EXPECT_NE(log.find(path), std::string::npos);
}

TEST(FileError, WithoutAReasonNothingIsAddedOrLogged) {
  testing::internal::CaptureStderr();
  const std::string message = Message("ファイルを読み込めません。", "a.txt", 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(message, platform::Sjis("ファイルを読み込めません。") + "\r\na.txt");
}

TEST(FileErrorHelpers, FailuresCarryTheJapaneseReason) {
  testing_support::TempDir dir;
  const std::string missingFolderFile = dir.File("missing/list.txt");
  testing::internal::CaptureStderr();
  try {
    library::ReplaceFileOrThrow(missingFolderFile, "x");
    ADD_FAILURE() << "no error for a file in a missing folder";
  } catch (const platform::Error& error) {
    EXPECT_NE(std::string(error.what()).find(platform::Sjis("ファイルまたはフォルダが見つかりません")), std::string::npos);
  }
  testing_support::WriteBytes(dir.File("plain"), "x");
  try {
    library::EnsureFolder(dir.File("plain/sub"));
    ADD_FAILURE() << "no error for a folder under a file";
  } catch (const platform::Error& error) {
    EXPECT_NE(std::string(error.what()).find(dir.File("plain/sub")), std::string::npos);
  }
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("plain")));
}

}  // namespace
