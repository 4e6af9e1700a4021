// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/unit_string2.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/Error.h"

using testing_support::Bytes;

namespace {

TEST(Utf16ToSjis, LittleEndianUnitsAndTheMarkConvertedLikeAnyUnit) {
  EXPECT_EQ(Utf16LEToSjis(Bytes{0x41, 0x00, 0x42, 0x00}.str()), "AB");
  // U+FEFF has no code page 932 form: it comes out as the default character.
  EXPECT_EQ(Utf16LEToSjis(Bytes{0xFF, 0xFE, 0x41, 0x00}.str()), "?A");
  EXPECT_EQ(Utf16LEToSjis(Bytes{0x42, 0x30, 0xBD, 0x30}.str()), "\x82\xA0\x83\x5C");  // あソ
  EXPECT_EQ(Utf16LEToSjis(""), "");
}

TEST(Utf16ToSjis, BigEndianUnits) {
  EXPECT_EQ(Utf16BEToSjis(Bytes{0x00, 0x41, 0x00, 0x42}.str()), "AB");
  EXPECT_EQ(Utf16BEToSjis(Bytes{0x30, 0x42}.str()), "\x82\xA0");
  EXPECT_EQ(Utf16BEToSjis(""), "");
}

TEST(Utf16ToSjis, StopsAtTheFirstZeroUnitNotAtAZeroByte) {
  // 0x0100 (Ā) has a zero byte but is not a zero unit; it has no code page 932 form.
  EXPECT_EQ(Utf16LEToSjis(Bytes{0x41, 0x00, 0x00, 0x01, 0x00, 0x00, 0x42, 0x00}.str()), "A?");
  EXPECT_EQ(Utf16BEToSjis(Bytes{0x00, 0x41, 0x01, 0x00, 0x00, 0x00, 0x00, 0x42}.str()), "A?");
}

TEST(Utf16ToSjis, OddLastByteIsCompletedByAZeroByte) {
  // LE: 42 -> unit 0x0042. BE: 30 -> unit 0x3000, the ideographic space 81 40.
  EXPECT_EQ(Utf16LEToSjis(Bytes{0x41, 0x00, 0x42}.str()), "AB");
  EXPECT_EQ(Utf16BEToSjis(Bytes{0x00, 0x41, 0x30}.str()), "A\x81\x40");
  EXPECT_EQ(Utf16LEToSjis(Bytes{0x41}.str()), "A");
}

TEST(SjisToUtf16, LittleEndianWithMarkAndEveryUnit) {
  EXPECT_EQ(SjisToUtf16LE("AB"), Bytes({0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}).str());
  EXPECT_EQ(SjisToUtf16LE(""), "\xFF\xFE");
  // The ideographic space (00 30) and whatever follows it stay.
  EXPECT_EQ(SjisToUtf16LE("\x81\x40" "A"), Bytes({0xFF, 0xFE, 0x00, 0x30, 0x41, 0x00}).str());
  // Trail byte 0x5C belongs to ソ.
  EXPECT_EQ(SjisToUtf16LE("\x83\x5C"), Bytes({0xFF, 0xFE, 0xBD, 0x30}).str());
  EXPECT_EQ(SjisToUtf16LE(std::string("A\0B", 3)), Bytes({0xFF, 0xFE, 0x41, 0x00, 0x00, 0x00, 0x42, 0x00}).str());
}

TEST(SjisToUtf16, BigEndianWithMarkUpToTheFirstZeroUnit) {
  EXPECT_EQ(SjisToUtf16BE("AB"), Bytes({0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42}).str());
  EXPECT_EQ(SjisToUtf16BE(""), "\xFE\xFF");
  EXPECT_EQ(SjisToUtf16BE("\x81\x40\x82\xA0"), Bytes({0xFE, 0xFF, 0x30, 0x00, 0x30, 0x42}).str());
  EXPECT_EQ(SjisToUtf16BE(std::string("A\0B", 3)), Bytes({0xFE, 0xFF, 0x00, 0x41}).str());
}

TEST(WriteUtf16BE, AppendsAtTheStreamPosition) {
  TMemoryStream stream;
  stream.Write("xy", 2);
  WriteUtf16BE(&stream, "\x82\xA0");
  EXPECT_EQ(stream.Data(), Bytes({'x', 'y', 0xFE, 0xFF, 0x30, 0x42}).str());
  EXPECT_EQ(stream.Size(), 6u);
  EXPECT_EQ(stream.Position(), 6u);
}

TEST(WriteUtf16BE, NoStreamRaisesTheMessage) {
  try {
    WriteUtf16BE(nullptr, "A");
    FAIL() << "no error raised";
  } catch (const platform::Error& error) {
    EXPECT_EQ(std::string(error.what()), platform::Utf8ToCp932("無効なMemoryStream."));
  }
}

TEST(Utf8ToSjis, ConvertsAndStopsAtAZeroByte) {
  EXPECT_EQ(Utf8ToSjis(""), "");
  EXPECT_EQ(Utf8ToSjis("\xE3\x81\x82"), "\x82\xA0");
  EXPECT_EQ(Utf8ToSjis("\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88"), "\x83\x5C\x83\x74\x83\x67");  // ソフト
  EXPECT_EQ(Utf8ToSjis(std::string("A\0B", 3)), "A");
}

TEST(Utf8ToSjis, MalformedAndUnrepresentableInputIsNoError) {
  // A cut sequence decodes to U+FFFD, which has no code page 932 form either.
  EXPECT_EQ(Utf8ToSjis("a\xE3\x81"), "a??");
  EXPECT_EQ(Utf8ToSjis("caf\xC3\xA9"), "caf?");
  // A signature is not removed here.
  EXPECT_EQ(Utf8ToSjis("\xEF\xBB\xBF" "A"), "?A");
}

TEST(Utf8BomToSjis, RemovesOnlyARealSignature) {
  EXPECT_EQ(Utf8BomToSjis("\xEF\xBB\xBF\xE3\x81\x82"), "\x82\xA0");
  EXPECT_EQ(Utf8BomToSjis("\xE3\x81\x82"), "\x82\xA0");
  EXPECT_EQ(Utf8BomToSjis("\xEF\xBB\xBF"), "");
  // Two bytes of a signature are not one: they decode as malformed bytes.
  EXPECT_EQ(Utf8BomToSjis("\xEF\xBB" "A"), "??A");
}

TEST(SjisToUtf8, ThreeBytesPerKanaAndNoSignature) {
  EXPECT_EQ(SjisToUtf8("\x82\xA0"), "\xE3\x81\x82");
  EXPECT_EQ(SjisToUtf8("\xB1"), "\xEF\xBD\xB1");  // half-width ｱ
  EXPECT_EQ(SjisToUtf8("\x95\x5C\x8E\xA6"), "表示");
  EXPECT_EQ(SjisToUtf8(std::string("A\0B", 3)), "A");
  EXPECT_EQ(SjisToUtf8(""), "");
  EXPECT_EQ(SjisToUtf8Bom("A"), "\xEF\xBB\xBF" "A");
  EXPECT_EQ(SjisToUtf8Bom(""), "\xEF\xBB\xBF");
}

}  // namespace
