// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MPEGaudio.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "tags/sMediaTagReader.h"

using testing_support::Bytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// ---- builders -------------------------------------------------------------------------

enum Version { Mpeg25 = 0, MpegReserved = 1, Mpeg2 = 2, Mpeg1 = 3 };
enum LayerBits { LayerReserved = 0, Layer3 = 1, Layer2 = 2, Layer1 = 3 };
enum Mode { Stereo = 0, JointStereo = 1, DualChannel = 2, Mono = 3 };

// The fields of a four-byte MPEG audio frame header.
struct Header {
  int version = Mpeg1;
  int layer = Layer3;
  bool crc = false;  // protection: the bit is 0 when a CRC follows
  int bitRateIndex = 9;  // 128 kbit/s for MPEG 1 Layer III
  int sampleRateIndex = 0;  // 44100 Hz for MPEG 1
  bool padding = false;
  bool privateBit = false;
  int mode = JointStereo;
  int modeExtension = 0;
  bool copyright = false;
  bool original = false;
  int emphasis = 0;

  Bytes bytes() const {
    Bytes b;
    b.U8(0xFF);
    b.U8(0xE0 | (version << 3) | (layer << 1) | (crc ? 0 : 1));
    b.U8((bitRateIndex << 4) | (sampleRateIndex << 2) | (padding ? 2 : 0) | (privateBit ? 1 : 0));
    b.U8((mode << 6) | (modeExtension << 4) | (copyright ? 8 : 0) | (original ? 4 : 0) | emphasis);
    return b;
  }
  std::vector<std::uint8_t> vec() const {
    const Bytes b = bytes();
    return std::vector<std::uint8_t>(b.str().begin(), b.str().end());
  }
};

// MPEG 1 Layer III, 128 kbit/s, 44100 Hz, no padding: 144 * 128000 / 44100 = 417.96 -> 417.
constexpr std::size_t kFrame128 = 417;

// One frame: the header, then filler up to length bytes.
Bytes Frame(const Header& h, std::size_t length, int filler = 0) {
  Bytes b = h.bytes();
  b.Fill(length - 4, filler);
  return b;
}

Bytes Frames(const Header& h, std::size_t length, std::size_t count, int filler = 0) {
  Bytes b;
  for (std::size_t i = 0; i < count; ++i) b.Append(Frame(h, length, filler));
  return b;
}

// A Xing header as encoders write it: flags, frames, bytes, 100-byte table, quality, vendor.
Bytes Xing(std::uint32_t frames, std::uint32_t bytes, std::uint8_t quality, std::string vendor) {
  vendor.resize(8, '\0');
  return Bytes().Text("Xing").Be32(0x0F).Be32(frames).Be32(bytes).Fill(100, 0x11).Be32(quality).Text(vendor);
}

// A VBRI header: version, delay, quality, bytes, frames.
Bytes VBRI(std::uint32_t frames, std::uint32_t bytes, std::uint8_t quality) {
  return Bytes().Text("VBRI").Be16(1).Be16(0x1234).Be16(quality).Be32(bytes).Be32(frames).Fill(8, 0);
}

// The first frame with a VBR header at offset, padded to length.
Bytes FrameWithVBR(const Header& h, std::size_t length, std::size_t offset, const Bytes& vbr) {
  Bytes b = h.bytes();
  b.Fill(offset - 4, 0).Append(vbr);
  b.Fill(length - b.size(), 0);
  return b;
}

// An ID3v2.3 tag with one TIT2 frame (encoding 0) and padding; total size returned by size().
Bytes ID3v2Tag(const std::string& title, std::size_t padding = 0) {
  Bytes frame = Bytes().Text("TIT2").Be32(static_cast<std::uint32_t>(title.size() + 1)).Be16(0).U8(0).Text(title);
  return Bytes().Text("ID3").U8(3).U8(0).U8(0)
      .Syncsafe32(static_cast<std::uint32_t>(frame.size() + padding))
      .Append(frame).Fill(padding, 0);
}

// An ID3v1.0 tag of 128 bytes.
Bytes ID3v1Tag(const std::string& title) {
  std::string field = title;
  field.resize(30, '\0');
  return Bytes().Text("TAG").Text(field).Fill(30).Fill(30).Fill(4).Fill(30).U8(255);
}

std::vector<std::uint8_t> Vec(const Bytes& b) {
  return std::vector<std::uint8_t>(b.str().begin(), b.str().end());
}

bool Locate(const Bytes& block, FrameData& frame, VBRData& vbr) {
  const std::vector<std::uint8_t> data = Vec(block);
  return mpegaudio::LocateFrame(data.data(), data.size(), frame, vbr);
}

FrameData Decoded(const Header& h) {
  FrameData f;
  const auto v = h.vec();
  mpegaudio::DecodeHeader({v[0], v[1], v[2], v[3]}, f);
  return f;
}

bool IsHeader(const Header& h) { return mpegaudio::IsFrameHeader(h.vec().data()); }

std::string LoadGet(TMPEGaudio& mp3, const std::string& name) {
  const PropertyInfo* info = mp3.FindProperty(name);
  if (!info) return "<none>";
  const PropValue v = info->get(mp3);
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
  return "<other>";
}

// ---- frame header test and tables -----------------------------------------------------

TEST(MPEGFrameHeader, RejectsReservedAndFreeValues) {
  EXPECT_TRUE(IsHeader(Header{}));
  Header h;
  h.bitRateIndex = 0;  // free format
  EXPECT_FALSE(IsHeader(h));
  h.bitRateIndex = 15;
  EXPECT_FALSE(IsHeader(h));
  h = Header{};
  h.sampleRateIndex = 3;
  EXPECT_FALSE(IsHeader(h));
  h = Header{};
  h.version = MpegReserved;
  EXPECT_FALSE(IsHeader(h));
  h = Header{};
  h.layer = LayerReserved;
  EXPECT_FALSE(IsHeader(h));
  h = Header{};
  h.emphasis = 2;
  EXPECT_FALSE(IsHeader(h));
  h.emphasis = 3;
  EXPECT_TRUE(IsHeader(h));
}

TEST(MPEGFrameHeader, SyncNeedsElevenBitsAndBitRateIndexBoundsAreExclusive) {
  auto header = [](int b0, int b1, int b2) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1),
                                   static_cast<std::uint8_t>(b2), 0};
    return mpegaudio::IsFrameHeader(bytes);
  };
  EXPECT_TRUE(header(0xFF, 0xE2, 0x10));   // MPEG 2.5 Layer III: the eleven sync bits only
  EXPECT_FALSE(header(0xFF, 0xDA, 0x90));  // ten sync bits
  EXPECT_FALSE(header(0xFE, 0xFB, 0x90));
  EXPECT_FALSE(header(0xFF, 0xFB, 0x0C));  // bit rate index 0 with other bits set
  EXPECT_TRUE(header(0xFF, 0xFB, 0x10));   // index 1
  EXPECT_TRUE(header(0xFF, 0xFB, 0xEB));   // index 14, sample rate index 2, padding, private
  EXPECT_FALSE(header(0xFF, 0xFB, 0xF0));  // index 15
}

TEST(MPEGFrameHeader, DecodesEveryField) {
  Header h;
  h.version = Mpeg2;
  h.layer = Layer2;
  h.crc = true;
  h.bitRateIndex = 5;
  h.sampleRateIndex = 2;
  h.padding = true;
  h.privateBit = true;
  h.mode = DualChannel;
  h.modeExtension = 3;
  h.copyright = true;
  h.original = true;
  h.emphasis = 3;
  const FrameData f = Decoded(h);
  EXPECT_EQ(f.VersionIndex, Mpeg2);
  EXPECT_EQ(f.LayerIndex, Layer2);
  EXPECT_TRUE(f.ProtectionBit);
  EXPECT_EQ(f.BitRateIndex, 5);
  EXPECT_EQ(f.SampleRateIndex, 2);
  EXPECT_TRUE(f.PaddingBit);
  EXPECT_TRUE(f.PrivateBit);
  EXPECT_EQ(f.ModeIndex, DualChannel);
  EXPECT_EQ(f.ModeExtension, 3);
  EXPECT_TRUE(f.CopyrightBit);
  EXPECT_TRUE(f.OriginalBit);
  EXPECT_EQ(f.EmphasisIndex, 3);
  EXPECT_FALSE(Decoded(Header{}).ProtectionBit);  // bit set: no CRC
}

TEST(MPEGFrameHeader, BitRateTableEndsAndVersionsShareLowRates) {
  auto rate = [](int version, int layer, int index) {
    Header h;
    h.version = version;
    h.layer = layer;
    h.bitRateIndex = index;
    return mpegaudio::BitRateOf(Decoded(h));
  };
  EXPECT_EQ(rate(Mpeg1, Layer1, 1), 32);
  EXPECT_EQ(rate(Mpeg1, Layer1, 14), 448);
  EXPECT_EQ(rate(Mpeg1, Layer2, 2), 48);
  EXPECT_EQ(rate(Mpeg1, Layer2, 14), 384);
  EXPECT_EQ(rate(Mpeg1, Layer3, 1), 32);
  EXPECT_EQ(rate(Mpeg1, Layer3, 2), 40);
  EXPECT_EQ(rate(Mpeg1, Layer3, 14), 320);
  EXPECT_EQ(rate(Mpeg2, Layer1, 9), 144);
  EXPECT_EQ(rate(Mpeg2, Layer1, 14), 256);
  EXPECT_EQ(rate(Mpeg2, Layer2, 1), 8);
  EXPECT_EQ(rate(Mpeg2, Layer3, 14), 160);
  EXPECT_EQ(rate(Mpeg25, Layer3, 1), 8);
  EXPECT_EQ(rate(Mpeg25, Layer1, 14), 256);
  EXPECT_EQ(rate(MpegReserved, Layer3, 9), 0);
  EXPECT_EQ(rate(Mpeg1, LayerReserved, 9), 0);
  EXPECT_EQ(rate(Mpeg1, Layer3, 0), 0);
  EXPECT_EQ(rate(Mpeg1, Layer3, 15), 0);
}

TEST(MPEGFrameHeader, SampleRatesPerVersion) {
  auto rate = [](int version, int index) {
    Header h;
    h.version = version;
    h.sampleRateIndex = index;
    return mpegaudio::SampleRateOf(Decoded(h));
  };
  EXPECT_EQ(rate(Mpeg1, 0), 44100);
  EXPECT_EQ(rate(Mpeg1, 1), 48000);
  EXPECT_EQ(rate(Mpeg1, 2), 32000);
  EXPECT_EQ(rate(Mpeg2, 0), 22050);
  EXPECT_EQ(rate(Mpeg2, 2), 16000);
  EXPECT_EQ(rate(Mpeg25, 1), 12000);
  EXPECT_EQ(rate(Mpeg25, 2), 8000);
  EXPECT_EQ(rate(Mpeg1, 3), 0);
  EXPECT_EQ(rate(MpegReserved, 0), 0);
}

TEST(MPEGFrameHeader, FrameLengthByLayerVersionAndPadding) {
  auto length = [](int version, int layer, int bitRateIndex, int sampleRateIndex, bool padding) {
    Header h;
    h.version = version;
    h.layer = layer;
    h.bitRateIndex = bitRateIndex;
    h.sampleRateIndex = sampleRateIndex;
    h.padding = padding;
    return mpegaudio::FrameLengthOf(Decoded(h));
  };
  EXPECT_EQ(length(Mpeg1, Layer3, 9, 0, false), 417);   // 417.96 truncated
  EXPECT_EQ(length(Mpeg1, Layer3, 9, 0, true), 418);
  EXPECT_EQ(length(Mpeg1, Layer1, 1, 1, true), 36);     // 48 * 32000 / 48000 + 4
  EXPECT_EQ(length(Mpeg2, Layer3, 8, 0, false), 208);   // coefficient 72: 208.98
  EXPECT_EQ(length(Mpeg2, Layer2, 8, 1, false), 384);   // Layer II keeps 144 in MPEG 2
  EXPECT_EQ(length(Mpeg25, Layer3, 1, 2, false), 72);
  EXPECT_EQ(length(Mpeg1, Layer2, 14, 2, true), 1729);  // the longest frame allowed for
  EXPECT_EQ(mpegaudio::FrameLengthOf(FrameData{}), 0);  // cleared state: no sample rate
}

TEST(MPEGFrameHeader, VBRHeaderOffsetByVersionAndMono) {
  Header h;
  EXPECT_EQ(mpegaudio::VBRHeaderOffsetOf(Decoded(h)), 36);
  h.mode = Mono;
  EXPECT_EQ(mpegaudio::VBRHeaderOffsetOf(Decoded(h)), 21);
  h.version = Mpeg2;
  EXPECT_EQ(mpegaudio::VBRHeaderOffsetOf(Decoded(h)), 13);
  h.mode = DualChannel;
  EXPECT_EQ(mpegaudio::VBRHeaderOffsetOf(Decoded(h)), 21);
  h.version = Mpeg25;
  EXPECT_EQ(mpegaudio::VBRHeaderOffsetOf(Decoded(h)), 21);
}

// ---- LocateFrame ----------------------------------------------------------------------

TEST(MPEGLocateFrame, LoneSyncPatternIsSkipped) {
  // A valid-looking header at 10 with nothing one frame later, then two real frames at 100.
  Bytes block = Bytes().Fill(10, 0x55).Append(Header{}.bytes()).Fill(86, 0x55);
  block.Append(Frames(Header{}, kFrame128, 2, 0x33));
  FrameData frame;
  VBRData vbr;
  ASSERT_TRUE(Locate(block, frame, vbr));
  EXPECT_TRUE(frame.Found);
  EXPECT_EQ(frame.FrameOffset, 100);
  EXPECT_EQ(frame.FrameSize, kFrame128);
  EXPECT_FALSE(frame.ZeroStart);
  EXPECT_FALSE(vbr.Present);
}

TEST(MPEGLocateFrame, NextHeaderMustBeExactlyOneFrameLengthLater) {
  Bytes late = Frame(Header{}, kFrame128 + 1).Append(Header{}.bytes()).Fill(100);
  FrameData frame;
  VBRData vbr;
  EXPECT_FALSE(Locate(late, frame, vbr));
  EXPECT_FALSE(frame.Found);

  Bytes early = Frame(Header{}, kFrame128 - 1).Append(Header{}.bytes()).Fill(100);
  EXPECT_FALSE(Locate(early, frame, vbr));

  Header padded;
  padded.padding = true;
  Bytes withPadding = Frame(padded, kFrame128 + 1).Append(Header{}.bytes());
  EXPECT_TRUE(Locate(withPadding, frame, vbr));
  EXPECT_EQ(frame.FrameSize, kFrame128 + 1);
}

TEST(MPEGLocateFrame, LastStartPositionIs1729) {
  // MPEG 2 Layer III, 8 kbit/s, 24000 Hz: 72 * 8000 / 24000 = 24-byte frames.
  Header tiny;
  tiny.version = Mpeg2;
  tiny.bitRateIndex = 1;
  tiny.sampleRateIndex = 1;
  FrameData frame;
  VBRData vbr;
  Bytes at1729 = Bytes().Fill(1729).Append(Frames(tiny, 24, 2));
  at1729.Fill(mpegaudio::BlockSize - at1729.size());
  ASSERT_TRUE(Locate(at1729, frame, vbr));
  EXPECT_EQ(frame.FrameOffset, 1729);
  EXPECT_EQ(frame.FrameSize, 24);

  Bytes at1730 = Bytes().Fill(1730).Append(Frames(tiny, 24, 2));
  at1730.Fill(mpegaudio::BlockSize - at1730.size());
  EXPECT_FALSE(Locate(at1730, frame, vbr));
}

TEST(MPEGLocateFrame, ShortBlockIsSearchedOverItsBytesOnly) {
  const std::string whole = Frames(Header{}, kFrame128, 2).str();
  FrameData frame;
  VBRData vbr;
  // Next header complete: found. One byte short of it: not found, and nothing read past the end.
  const std::vector<std::uint8_t> full(whole.begin(), whole.begin() + kFrame128 + 4);
  EXPECT_TRUE(mpegaudio::LocateFrame(full.data(), full.size(), frame, vbr));
  const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + kFrame128 + 3);
  EXPECT_FALSE(mpegaudio::LocateFrame(cut.data(), cut.size(), frame, vbr));
  EXPECT_FALSE(mpegaudio::LocateFrame(cut.data(), 3, frame, vbr));
  EXPECT_FALSE(mpegaudio::LocateFrame(cut.data(), 0, frame, vbr));
}

TEST(MPEGLocateFrame, ZeroStartLooksAtTheSixBytesAfterTheHeader) {
  Bytes zero = Frames(Header{}, kFrame128, 2);
  FrameData frame;
  VBRData vbr;
  ASSERT_TRUE(Locate(zero, frame, vbr));
  EXPECT_TRUE(frame.ZeroStart);

  std::string oneSet = zero.str();
  oneSet[9] = 1;  // the sixth byte after the header
  ASSERT_TRUE(Locate(Bytes().Text(oneSet), frame, vbr));
  EXPECT_FALSE(frame.ZeroStart);

  std::string seventhSet = zero.str();
  seventhSet[10] = 1;
  ASSERT_TRUE(Locate(Bytes().Text(seventhSet), frame, vbr));
  EXPECT_TRUE(frame.ZeroStart);
}

TEST(MPEGLocateFrame, ReadsXingFieldsAtTheirOffsets) {
  Bytes block = FrameWithVBR(Header{}, kFrame128, 36, Xing(1000, 418000, 57, "LAME3.90"));
  block.Append(Frames(Header{}, kFrame128, 1));
  FrameData frame;
  VBRData vbr;
  ASSERT_TRUE(Locate(block, frame, vbr));
  EXPECT_TRUE(vbr.Present);
  EXPECT_EQ(vbr.Signature, "Xing");
  EXPECT_EQ(vbr.TotalFrames, 1000);
  EXPECT_EQ(vbr.TotalBytes, 418000);
  EXPECT_EQ(vbr.Quality, 57);
  EXPECT_EQ(vbr.Vendor, "LAME3.90");
}

TEST(MPEGLocateFrame, ReadsVBRIFieldsInTheirOwnOrder) {
  Bytes block = FrameWithVBR(Header{}, kFrame128, 36, VBRI(321, 654321, 75));
  block.Append(Frames(Header{}, kFrame128, 1));
  FrameData frame;
  VBRData vbr;
  ASSERT_TRUE(Locate(block, frame, vbr));
  EXPECT_TRUE(vbr.Present);
  EXPECT_EQ(vbr.Signature, "VBRI");
  EXPECT_EQ(vbr.TotalFrames, 321);
  EXPECT_EQ(vbr.TotalBytes, 654321);
  EXPECT_EQ(vbr.Quality, 75);
  EXPECT_EQ(vbr.Vendor, "");
}

TEST(MPEGLocateFrame, MonoLooksForTheVBRHeaderAt21Only) {
  Header mono;
  mono.mode = Mono;
  FrameData frame;
  VBRData vbr;
  Bytes at21 = FrameWithVBR(mono, kFrame128, 21, VBRI(10, 4170, 1)).Append(mono.bytes());
  ASSERT_TRUE(Locate(at21, frame, vbr));
  EXPECT_TRUE(vbr.Present);

  Bytes at36 = FrameWithVBR(mono, kFrame128, 36, VBRI(10, 4170, 1)).Append(mono.bytes());
  ASSERT_TRUE(Locate(at36, frame, vbr));
  EXPECT_FALSE(vbr.Present);
  EXPECT_EQ(vbr.TotalFrames, 0);
  EXPECT_EQ(vbr.Signature, "");
}

TEST(MPEGLocateFrame, VBRFieldsOutsideTheBytesReadAreAbsent) {
  // MPEG 1 Layer III, 32 kbit/s, 48000 Hz: 96-byte frames. The block ends after the quality
  // byte (q + 119), so the vendor (q + 120 to q + 127) is cut off.
  Header small;
  small.bitRateIndex = 1;
  small.sampleRateIndex = 1;
  std::string s = small.bytes().Fill(32).Text("Xing").Be32(0x0F).Be32(77).Be32(9999).str();
  s.resize(96, '\0');
  s += small.bytes().str();
  s.resize(36 + 120, '\0');
  s[36 + 119] = 42;
  FrameData frame;
  VBRData vbr;
  ASSERT_TRUE(Locate(Bytes().Text(s), frame, vbr));
  EXPECT_EQ(frame.FrameSize, 96);
  EXPECT_TRUE(vbr.Present);
  EXPECT_EQ(vbr.TotalFrames, 77);
  EXPECT_EQ(vbr.TotalBytes, 9999);
  EXPECT_EQ(vbr.Quality, 42);
  EXPECT_EQ(vbr.Vendor, "");

  s.resize(36 + 119);  // the quality byte cut off as well
  ASSERT_TRUE(Locate(Bytes().Text(s), frame, vbr));
  EXPECT_EQ(vbr.Quality, 0);
  EXPECT_EQ(vbr.TotalBytes, 9999);
}

TEST(MPEGLocateFrame, ASecondCallStartsFromTheClearedState) {
  Bytes vbrBlock = FrameWithVBR(Header{}, kFrame128, 36, Xing(5, 2000, 1, "LAME3.90"));
  vbrBlock.Append(Header{}.bytes());
  FrameData frame;
  VBRData vbr;
  ASSERT_TRUE(Locate(vbrBlock, frame, vbr));
  EXPECT_FALSE(Locate(Bytes().Fill(100, 0x20), frame, vbr));
  EXPECT_FALSE(frame.Found);
  EXPECT_FALSE(vbr.Present);
  EXPECT_EQ(frame.VersionIndex, 1);
  EXPECT_EQ(frame.ModeIndex, 4);
  EXPECT_EQ(frame.EmphasisIndex, 2);
}

TEST(MPEGLocateFrame, RandomBlocksOnlyGiveFramesThatAnotherHeaderFollows) {
  // Sync-heavy noise of every length up to a block and a little past it.
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<std::uint8_t>(seed >> 24);
  };
  int found = 0;
  for (std::size_t size = 0; size <= mpegaudio::BlockSize + 8; size += 7) {
    std::vector<std::uint8_t> block(size);
    for (auto& b : block) b = (next() & 3) == 0 ? 0xFF : next();
    FrameData frame;
    VBRData vbr;
    if (!mpegaudio::LocateFrame(block.data(), block.size(), frame, vbr)) continue;
    ++found;
    const auto p = static_cast<std::size_t>(frame.FrameOffset);
    ASSERT_LE(p, mpegaudio::MaxFrameStart);
    ASSERT_LE(p + frame.FrameSize + 4, size);
    EXPECT_TRUE(mpegaudio::IsFrameHeader(block.data() + p));
    EXPECT_TRUE(mpegaudio::IsFrameHeader(block.data() + p + frame.FrameSize));
    EXPECT_EQ(frame.FrameSize, mpegaudio::FrameLengthOf(frame));
    mpegaudio::FindEndVendor(block.data(), block.size(), 5 * frame.FrameSize);
  }
  EXPECT_GT(found, 0);
}

// ---- FindEndVendor --------------------------------------------------------------------

std::vector<std::uint8_t> EndBlockWith(std::size_t pos, const std::string& text) {
  std::vector<std::uint8_t> block(mpegaudio::BlockSize, 0xAA);
  for (std::size_t i = 0; i < text.size() && pos + i < block.size(); ++i) block[pos + i] = text[i];
  return block;
}

TEST(MPEGEndVendor, LastPositionIsEightBytesBeforeTheEnd) {
  auto block = EndBlockWith(3450, "LAME3.90");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), block.size(), 0), "LAME3.90");
  block = EndBlockWith(3451, "LAME3.9");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), block.size(), 100), "");
}

TEST(MPEGEndVendor, WindowIsInclusiveAndClampedTo3450) {
  auto block = EndBlockWith(3450 - 2085, "LAME3.98");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), block.size(), 2085), "LAME3.98");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), block.size(), 2084), "");
  block = EndBlockWith(0, "GOGO");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), block.size(), 3450), "GOGO");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), block.size(), 8000), "GOGO");
}

TEST(MPEGEndVendor, NearestToTheEndWinsAndGogoIsFourLetters) {
  auto block = EndBlockWith(1000, "LAME3.90");
  const std::string gogo = "GOGO0123";
  std::copy(gogo.begin(), gogo.end(), block.begin() + 3000);
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), block.size(), 3450), "GOGO");
}

TEST(MPEGEndVendor, ShortBlockIsSearchedOverItsBytesOnly) {
  auto block = EndBlockWith(100, "LAME3.90");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), 200, 3450), "LAME3.90");
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), 107, 3450), "");  // its version cut off
  EXPECT_EQ(mpegaudio::FindEndVendor(block.data(), 0, 3450), "");
}

// ---- TMPEGaudio: cleared state and property table --------------------------------------

TEST(MPEGaudio, ClearedStateNames) {
  TMPEGaudio mp3;
  EXPECT_EQ(mp3.FileFormat(), "unknown");
  EXPECT_EQ(mp3.Version(), "MPEG ?");
  EXPECT_EQ(mp3.Layer(), "Layer ?");
  EXPECT_EQ(mp3.ChannelMode(), "Unknown");
  EXPECT_EQ(mp3.Emphasis(), "Unknown");
  EXPECT_EQ(mp3.SampleRate(), 0);
  EXPECT_EQ(mp3.BitRate(), 0);
  EXPECT_EQ(mp3.Frames(), 0);
  EXPECT_EQ(mp3.Duration(), 0.0);
  EXPECT_EQ(mp3.EncoderID(), 0);
  EXPECT_EQ(mp3.Encoder(), "Unknown");
  EXPECT_FALSE(mp3.Valid());
  ASSERT_NE(mp3.ID3v1(), nullptr);
  ASSERT_NE(mp3.ID3v2(), nullptr);
}

TEST(MPEGaudio, PublishedPropertiesInOrder) {
  TMPEGaudio mp3;
  std::vector<std::string> names;
  for (const auto& info : mp3.Properties()) names.push_back(info.name);
  const std::vector<std::string> expected = {
      "FileFormat", "FileLength", "VBR",        "ID3v1",    "ID3v2",    "Version",
      "Layer",      "BitRate",    "SampleRate", "ChannelMode", "Emphasis", "Frames",
      "Duration",   "EncoderID",  "Encoder",    "Valid"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(mp3.FindProperty("VBR")->kind, PropKind::Record);
  EXPECT_EQ(mp3.FindProperty("Duration")->kind, PropKind::Double);
  const PropValue tag = mp3.FindProperty("ID3v2")->get(mp3);
  EXPECT_EQ(std::get<TsMediaTag*>(tag), mp3.ID3v2());
}

// ---- TMPEGaudio on files --------------------------------------------------------------

class MPEGaudioFile : public ::testing::Test {
protected:
  std::string Write(const std::string& name, const Bytes& content) {
    const std::string path = dir_.File(name);
    WriteBytes(path, content.str());
    return path;
  }
  TempDir dir_;
};

TEST_F(MPEGaudioFile, StreamWithoutAnyTagIsRefused) {
  const std::string path = Write("plain.mp3", Frames(Header{}, kFrame128, 20));
  TMPEGaudio mp3;
  EXPECT_FALSE(mp3.LoadFromFile(path));
  EXPECT_EQ(mp3.FileFormat(), "unknown");
  EXPECT_FALSE(mp3.FrameHeader().Found);
}

TEST_F(MPEGaudioFile, MissingFileIsRefused) {
  TMPEGaudio mp3;
  EXPECT_FALSE(mp3.LoadFromFile(dir_.File("absent.mp3")));
  EXPECT_FALSE(mp3.Valid());
}

TEST_F(MPEGaudioFile, TagWithoutFrameIsAcceptedWithEverythingCleared) {
  Bytes content = ID3v2Tag("Song");
  content.Fill(5000, 0x20);
  const std::string path = Write("noframe.mp3", content);
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(path));
  EXPECT_EQ(mp3.FileFormat(), "MP3");
  EXPECT_FALSE(mp3.Valid());
  EXPECT_EQ(mp3.FileLength(), 0);
  EXPECT_EQ(mp3.Version(), "MPEG ?");
  EXPECT_EQ(mp3.ChannelMode(), "Unknown");
  EXPECT_EQ(mp3.Duration(), 0.0);
  EXPECT_EQ(mp3.Frames(), 0);
  EXPECT_FALSE(mp3.ID3v2()->Exists());  // the tags are cleared too
  EXPECT_EQ(mp3.ID3v2()->Title(), "");
}

TEST_F(MPEGaudioFile, ConstantRateWithLameAtTheEnd) {
  const Bytes tag = ID3v2Tag("Song", 100);
  Header h;
  h.original = true;  // with no CRC: not LAME by the header rules, only by the end vendor
  Bytes content = tag;
  content.Append(Frames(h, kFrame128, 20, 0x55));
  std::string s = content.str();
  // "LAME3.90" in the last frame, inside the end window (5 frame lengths).
  s.replace(s.size() - 300, 8, "LAME3.90");
  const std::string path = Write("cbr.mp3", Bytes().Text(s));

  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(path));
  EXPECT_EQ(mp3.FileFormat(), "MP3");
  EXPECT_EQ(mp3.FileLength(), static_cast<std::int32_t>(s.size()));
  EXPECT_EQ(mp3.ID3v2()->Size(), static_cast<std::int32_t>(tag.size()));
  EXPECT_EQ(mp3.FrameHeader().FrameOffset, 0);
  EXPECT_EQ(mp3.EndVendor(), "LAME3.90");
  EXPECT_EQ(mp3.EncoderID(), 3);
  EXPECT_EQ(mp3.Encoder(), "LAME 3.90");
  EXPECT_EQ(mp3.Version(), "MPEG 1");
  EXPECT_EQ(mp3.Layer(), "Layer III");
  EXPECT_EQ(mp3.ChannelMode(), "Joint Stereo");
  EXPECT_EQ(mp3.Emphasis(), "None");
  EXPECT_EQ(mp3.BitRate(), 128);
  EXPECT_EQ(mp3.SampleRate(), 44100);
  EXPECT_EQ(mp3.Frames(), 20);
  EXPECT_DOUBLE_EQ(mp3.Duration(), 20.0 * kFrame128 / 128 / 1000 * 8);
  EXPECT_TRUE(mp3.Valid());
  EXPECT_EQ(LoadGet(mp3, "Encoder"), "LAME 3.90");
  EXPECT_EQ(LoadGet(mp3, "Valid"), "True");
}

TEST_F(MPEGaudioFile, LameOutsideTheEndWindowIsNotSeen) {
  Header h;
  h.original = true;
  Bytes content = ID3v2Tag("Song");
  content.Append(Frames(h, kFrame128, 20, 0x55));
  std::string s = content.str();
  // The window ends 8 + 5 * 417 bytes before the end of the file.
  s.replace(s.size() - 8 - 5 * kFrame128 - 1, 8, "LAME3.90");
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("far.mp3", Bytes().Text(s))));
  EXPECT_EQ(mp3.EndVendor(), "");
  EXPECT_EQ(mp3.Encoder(), "FhG");
}

TEST_F(MPEGaudioFile, ShortConstantRateFileFailsAtTheEndSearch) {
  // With an ID3v1 tag the end search needs 3458 + 128 bytes.
  Header h;
  auto fileOf = [&](std::size_t audioBytes) {
    Bytes audio = Frames(h, kFrame128, audioBytes / kFrame128 + 1);
    std::string s = audio.str().substr(0, audioBytes);
    return Bytes().Text(s).Append(ID3v1Tag("Short"));
  };
  TMPEGaudio mp3;
  EXPECT_FALSE(mp3.LoadFromFile(Write("short.mp3", fileOf(3457))));
  EXPECT_EQ(mp3.FileFormat(), "unknown");
  EXPECT_TRUE(mp3.LoadFromFile(Write("enough.mp3", fileOf(3458))));
  EXPECT_EQ(mp3.FileFormat(), "MP3");
  EXPECT_TRUE(mp3.ID3v1()->Exists());
  EXPECT_EQ(mp3.ID3v1()->Title(), "Short");
}

TEST_F(MPEGaudioFile, ShortFileWithVBRHeaderSkipsTheEndSearch) {
  Bytes content = ID3v2Tag("Song");
  content.Append(FrameWithVBR(Header{}, kFrame128, 36, Xing(3, 1251, 0, "LAME3.90")));
  content.Append(Frames(Header{}, kFrame128, 2));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("shortvbr.mp3", content)));
  EXPECT_TRUE(mp3.VBR().Present);
  EXPECT_EQ(mp3.Frames(), 3);
}

TEST_F(MPEGaudioFile, ID3v1OnlyIsCountedOffTheAudio) {
  Bytes content = Frames(Header{}, kFrame128, 20);
  content.Append(ID3v1Tag("Old"));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("v1.mp3", content)));
  EXPECT_TRUE(mp3.ID3v1()->Exists());
  EXPECT_FALSE(mp3.ID3v2()->Exists());
  EXPECT_EQ(mp3.Frames(), 20);
  EXPECT_DOUBLE_EQ(mp3.Duration(), 20.0 * kFrame128 / 128 / 1000 * 8);
}

TEST_F(MPEGaudioFile, WithID3v2TheTrailingID3v1IsLeftUnreadAndCountsAsAudio) {
  Bytes content = ID3v2Tag("New");
  const std::size_t tagSize = content.size();
  content.Append(Frames(Header{}, kFrame128, 20)).Append(ID3v1Tag("Old"));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("both.mp3", content)));
  EXPECT_FALSE(mp3.ID3v1()->Exists());
  EXPECT_EQ(mp3.Frames(), static_cast<std::int32_t>((20 * kFrame128 + 128) / kFrame128));
  EXPECT_DOUBLE_EQ(mp3.Duration(),
                   static_cast<double>(content.size() - tagSize) / 128 / 1000 * 8);
}

// Some taggers put a new tag in front without removing the old one: the stream starts after
// both, and the values come from the first.
TEST_F(MPEGaudioFile, TagsDirectlyFollowingTheFirstAreSkipped) {
  for (int stacked : {1, 2, 3}) {
    SCOPED_TRACE(stacked);
    Bytes content = ID3v2Tag("New", 100);
    for (int i = 1; i < stacked; ++i) content.Append(ID3v2Tag("Old", 3000));
    content.Append(Frames(Header{}, kFrame128, 20));
    TMPEGaudio mp3;
    ASSERT_TRUE(mp3.LoadFromFile(Write("stacked.mp3", content)));
    EXPECT_EQ(mp3.ID3v2()->Title(), "New");
    EXPECT_EQ(mp3.FrameHeader().FrameOffset, 0);
    EXPECT_EQ(mp3.Frames(), 20);
    EXPECT_DOUBLE_EQ(mp3.Duration(), 20.0 * kFrame128 / 128 / 1000 * 8);
  }
}

// Made by lame (8 kbit/s, 4 s), tagged by mutagen with every single-byte frame forced to
// Latin-1: "Für Elise" in Latin-1, an artist in UTF-8 bytes, an album in Shift_JIS bytes,
// genre "(17)", and iTunes' comment frames around a comment without description.
TEST(MPEGaudioRealTest, LegacyFramesAndITunesCommentsFromMutagen) {
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.Open(std::string(LYRIMATE_TEST_DATA) + "/mp3-mutagen-legacy.mp3"));
  EXPECT_EQ(reader.GetValue("FileFormat"), "MP3");
  EXPECT_EQ(reader.GetValue("Title"), "F?r Elise");  // code page 932 has no ü
  EXPECT_EQ(reader.GetValue("Artist"), platform::Sjis("日本語の歌"));
  EXPECT_EQ(reader.GetValue("Album"), platform::Sjis("夏祭り"));
  EXPECT_EQ(reader.GetValue("Genre"), "Rock");
  EXPECT_EQ(reader.GetValue("Comment"), "Real comment");
}

TEST_F(MPEGaudioFile, SecondSearchSeeksToHalfTheAudioLengthFromTheFileStart) {
  // No frame in the first block after the tag; frames from byte 10007 of a file in which
  // (length - tag) / 2 is 10000.
  const Bytes tag = ID3v2Tag("Song", 1000);
  const std::size_t length = tag.size() + 20000;
  Bytes content = tag;
  content.Fill(10007 - content.size(), 0x20);
  const std::size_t frames = (length - 10007) / kFrame128;
  content.Append(Frames(Header{}, kFrame128, frames));
  content.Fill(length - content.size(), 0x20);
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("late.mp3", content)));
  ASSERT_TRUE(mp3.FrameHeader().Found);
  EXPECT_EQ(mp3.FrameHeader().FrameOffset, 7);  // inside the block read at 10000
  EXPECT_EQ(mp3.Frames(), static_cast<std::int32_t>((length - tag.size() - 7) / kFrame128));
}

TEST_F(MPEGaudioFile, NoSecondSearchAfterAShortFirstRead) {
  // Frames hidden in the tag's padding, where the middle-of-file search would land; the
  // audio after the tag is shorter than one block, so only that is searched.
  Bytes tag = ID3v2Tag("Song");
  const std::size_t frameBytes = 6 * kFrame128;
  const std::size_t paddingBefore = 200;
  const std::size_t audio = 3000;
  Bytes padded = ID3v2Tag("Song", paddingBefore + frameBytes);
  std::string s = padded.str();
  const std::size_t framesAt = tag.size() + paddingBefore;
  s.replace(framesAt, frameBytes, Frames(Header{}, kFrame128, 6).str());
  s += std::string(audio, ' ');
  ASSERT_LT((s.size() - padded.size()) / 2, framesAt + frameBytes);  // the middle lies in the tag
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("tagonly.mp3", Bytes().Text(s))));
  EXPECT_FALSE(mp3.FrameHeader().Found);
  EXPECT_FALSE(mp3.Valid());
}

TEST_F(MPEGaudioFile, XingWithLameVendor) {
  // 48000 Hz so that bytes per frame / 3 gives the bit rate in kbit/s.
  Header h;
  h.sampleRateIndex = 1;
  const std::size_t length = 384;  // 144 * 128000 / 48000
  Bytes content = ID3v2Tag("Song");
  content.Append(FrameWithVBR(h, length, 36, Xing(2, 771, 78, "LAME3.97")));
  content.Append(Frames(h, length, 12));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("xing.mp3", content)));
  EXPECT_EQ(mp3.VBR().Signature, "Xing");
  EXPECT_EQ(mp3.VBR().Quality, 78);
  EXPECT_EQ(mp3.Frames(), 2);  // from the header, not from the file size
  EXPECT_EQ(mp3.BitRate(), 128);  // 771 / 2 / 3 = 128.5: halves go to the even neighbour
  EXPECT_DOUBLE_EQ(mp3.Duration(), 144.0 * 2 * 8 / 48000);
  EXPECT_EQ(mp3.EncoderID(), 3);
  EXPECT_EQ(mp3.Encoder(), "LAME 3.97");
  EXPECT_EQ(mp3.EndVendor(), "");  // no end search with a VBR header
  EXPECT_FALSE(mp3.Valid());  // 0.048 s
}

TEST_F(MPEGaudioFile, VariableBitRateRoundingAndPadding) {
  Header h;
  h.sampleRateIndex = 1;
  auto bitRateOf = [&](const Header& first, std::uint32_t frames, std::uint32_t bytes) {
    Bytes content = ID3v2Tag("Song");
    content.Append(FrameWithVBR(first, first.padding ? 385 : 384, 36, Xing(frames, bytes, 0, "")));
    content.Append(Frames(h, 384, 3));
    TMPEGaudio mp3;
    EXPECT_TRUE(mp3.LoadFromFile(Write("rate.mp3", content)));
    return mp3.BitRate();
  };
  EXPECT_EQ(bitRateOf(h, 2, 777), 130);  // 129.5 -> 130
  EXPECT_EQ(bitRateOf(h, 2, 772), 129);  // 128.67
  Header padded = h;
  padded.padding = true;
  EXPECT_EQ(bitRateOf(padded, 2, 779), 130);  // (389.5 - 1) / 3 = 129.5 -> 130
  EXPECT_EQ(bitRateOf(padded, 1, 391), 130);  // (391 - 1) / 3 = 130
  EXPECT_EQ(bitRateOf(h, 0, 391), 128);  // no frame count: the table value
  EXPECT_EQ(bitRateOf(h, 1, 0x80000000u), 0);  // negative byte count stays in the word
}

TEST_F(MPEGaudioFile, VBRIIsFraunhofer) {
  Bytes content = ID3v2Tag("Song");
  content.Append(FrameWithVBR(Header{}, kFrame128, 36, VBRI(1000, 418000, 60)));
  content.Append(Frames(Header{}, kFrame128, 10));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("vbri.mp3", content)));
  EXPECT_EQ(mp3.VBR().Signature, "VBRI");
  EXPECT_EQ(mp3.Frames(), 1000);
  EXPECT_EQ(mp3.EncoderID(), 2);
  EXPECT_EQ(mp3.Encoder(), "FhG");
  EXPECT_DOUBLE_EQ(mp3.Duration(), 144.0 * 1000 * 8 / 44100);
  EXPECT_TRUE(mp3.Valid());
}

TEST_F(MPEGaudioFile, XingVendorDecidesTheEncoder) {
  auto encoderOf = [&](const std::string& vendor) {
    Bytes content = ID3v2Tag("Song");
    content.Append(FrameWithVBR(Header{}, kFrame128, 36, Xing(100, 41700, 0, vendor)));
    content.Append(Frames(Header{}, kFrame128, 3));
    TMPEGaudio mp3;
    EXPECT_TRUE(mp3.LoadFromFile(Write("vendor.mp3", content)));
    return std::make_pair(int{mp3.EncoderID()}, mp3.Encoder());
  };
  EXPECT_EQ(encoderOf(""), std::make_pair(1, std::string("Xing")));
  EXPECT_EQ(encoderOf("GOGO1.00"), std::make_pair(5, std::string("GoGo")));
  EXPECT_EQ(encoderOf("MPGE"), std::make_pair(5, std::string("GoGo")));
  EXPECT_EQ(encoderOf("LAME3.100"), std::make_pair(3, std::string("LAME 3.10")));
  EXPECT_EQ(encoderOf("LAMEx.90"), std::make_pair(3, std::string("LAME")));
  EXPECT_EQ(encoderOf("LAME3-90"), std::make_pair(3, std::string("LAME")));
}

TEST_F(MPEGaudioFile, LongVariableRateStreamKeepsAPositiveDuration) {
  // 2,000,000 frames of 1152 samples: the sample count overflows 32 bits.
  Bytes content = ID3v2Tag("Book");
  content.Append(FrameWithVBR(Header{}, kFrame128, 36, Xing(2000000, 836000000, 0, "LAME3.98")));
  content.Append(Frames(Header{}, kFrame128, 3));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("book.mp3", content)));
  EXPECT_DOUBLE_EQ(mp3.Duration(), 144.0 * 2000000 * 8 / 44100);
  EXPECT_TRUE(mp3.Valid());
}

// The constant-bit-rate encoder guess, each rule overriding the earlier ones.
TEST_F(MPEGaudioFile, ConstantRateEncoderRules) {
  auto encoderOf = [&](const Header& h, bool zeroStart) {
    const std::size_t length = static_cast<std::size_t>(mpegaudio::FrameLengthOf(Decoded(h)));
    Bytes content = ID3v2Tag("Song");
    content.Append(Frames(h, length, 3600 / length + 12, zeroStart ? 0 : 0x33));
    TMPEGaudio mp3;
    EXPECT_TRUE(mp3.LoadFromFile(Write("rule.mp3", content)));
    return int{mp3.EncoderID()};
  };
  Header h;  // joint stereo, 128 kbit/s, no CRC, not original
  EXPECT_EQ(encoderOf(h, false), 2);
  h.crc = true;
  h.original = true;
  EXPECT_EQ(encoderOf(h, false), 3);
  h.mode = Stereo;
  EXPECT_EQ(encoderOf(h, false), 4);  // 128 <= 160 and stereo
  h.bitRateIndex = 11;  // 192 kbit/s
  EXPECT_EQ(encoderOf(h, false), 3);
  h = Header{};
  h.copyright = true;
  h.original = true;
  EXPECT_EQ(encoderOf(h, false), 1);
  h.crc = true;
  EXPECT_EQ(encoderOf(h, false), 3);
  EXPECT_EQ(encoderOf(h, true), 1);  // zero start and original
  h.layer = Layer2;
  EXPECT_EQ(encoderOf(h, true), 7);
  h.mode = DualChannel;
  EXPECT_EQ(encoderOf(h, true), 6);
  h.crc = false;
  EXPECT_EQ(encoderOf(h, true), 7);
}

TEST_F(MPEGaudioFile, ReloadingClearsThePreviousStream) {
  Bytes vbr = ID3v2Tag("Song");
  vbr.Append(FrameWithVBR(Header{}, kFrame128, 36, VBRI(1000, 418000, 60)));
  vbr.Append(Frames(Header{}, kFrame128, 10));
  Bytes noFrame = ID3v2Tag("Other");
  noFrame.Fill(200, 0x20);
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("a.mp3", vbr)));
  ASSERT_TRUE(mp3.VBR().Present);
  ASSERT_TRUE(mp3.LoadFromFile(Write("b.mp3", noFrame)));
  EXPECT_FALSE(mp3.VBR().Present);
  EXPECT_FALSE(mp3.FrameHeader().Found);
  EXPECT_FALSE(mp3.LoadFromFile(Write("c.mp3", Frames(Header{}, kFrame128, 20))));
  EXPECT_EQ(mp3.FileFormat(), "unknown");
}

// An "Info" header: Xing's layout with the given flags, frame count and byte count.
Bytes Info(std::uint32_t flags, std::uint32_t frames, std::uint32_t bytes) {
  return Bytes().Text("Info").Be32(flags).Be32(frames).Be32(bytes).Fill(100, 0x11).Be32(0).Text("Lavc59.3");
}

// MPEG 1 Layer III at 64 kbit/s, 44100 Hz: 144 * 64000 / 44100 = 208.98 -> 208.
constexpr std::size_t kFrame64 = 208;

TEST_F(MPEGaudioFile, InfoFrameGivesTheFrameCountAndTheNextFrameTheRate) {
  // As ffmpeg writes it: the Info frame at 64 kbit/s, the music at 128.
  Header info;
  info.bitRateIndex = 5;
  Bytes content = ID3v2Tag("Song");
  content.Append(FrameWithVBR(info, kFrame64, 36, Info(0x0F, 1000, 418000)));
  content.Append(Frames(Header{}, kFrame128, 30));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("info.mp3", content)));
  EXPECT_FALSE(mp3.VBR().Present);
  EXPECT_EQ(mp3.Frames(), 1000);
  EXPECT_DOUBLE_EQ(mp3.Duration(), 1000.0 * 1152 / 44100);
  // Not 64 (the Info frame's own rate) and not what the byte count would give (129).
  EXPECT_EQ(mp3.BitRate(), 128);
  EXPECT_EQ(mp3.Encoder(), "FhG");  // guessed as for a file without a VBR header
  EXPECT_TRUE(mp3.Valid());
}

TEST_F(MPEGaudioFile, InfoWithoutTheFrameCountFlagIsIgnored) {
  Header info;
  info.bitRateIndex = 5;
  Bytes content = ID3v2Tag("Song");
  content.Append(FrameWithVBR(info, kFrame64, 36, Info(0x0E, 1000, 418000)));
  content.Append(Frames(Header{}, kFrame128, 30));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("noflag.mp3", content)));
  EXPECT_EQ(mp3.BitRate(), 64);
  const std::int64_t audio = static_cast<std::int64_t>(kFrame64 + 30 * kFrame128);
  EXPECT_EQ(mp3.Frames(), audio / kFrame64);
  EXPECT_DOUBLE_EQ(mp3.Duration(), audio / 64.0 / 1000 * 8);
}

TEST_F(MPEGaudioFile, InfoIsLookedForWhereXingWouldBe) {
  // "Info" 1 byte off the VBR header offset is not a header.
  Bytes content = ID3v2Tag("Song");
  content.Append(FrameWithVBR(Header{}, kFrame128, 37, Info(0x0F, 1000, 418000)));
  content.Append(Frames(Header{}, kFrame128, 30));
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Write("offset.mp3", content)));
  EXPECT_EQ(mp3.Frames(), 31);
  // Mono MPEG 1: 21 bytes after the frame start.
  Header mono;
  mono.mode = Mono;
  content = ID3v2Tag("Song");
  content.Append(FrameWithVBR(mono, kFrame128, 21, Info(0x01, 77, 0)));
  content.Append(Frames(mono, kFrame128, 30));
  ASSERT_TRUE(mp3.LoadFromFile(Write("mono.mp3", content)));
  EXPECT_EQ(mp3.Frames(), 77);
  EXPECT_EQ(mp3.ChannelMode(), "Mono");
}

TEST_F(MPEGaudioFile, ABadSectorInTheStreamRefusesTheFileAndClearsTheTags) {
  const Bytes tag = ID3v2Tag("Song", 100);
  Bytes content = tag;
  content.Append(Frames(Header{}, kFrame128, 20));
  const std::string path = Write("bad.mp3", content);
  TMPEGaudio mp3;
  platform::SimulateReadErrorAt(static_cast<std::int64_t>(tag.size() + 1000));
  const bool loaded = mp3.LoadFromFile(path);
  platform::SimulateReadErrorAt(-1);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(mp3.FileFormat(), "unknown");
  EXPECT_FALSE(mp3.ID3v2()->Exists());
  EXPECT_FALSE(mp3.FrameHeader().Found);
  // The same file read whole is an MP3 file.
  ASSERT_TRUE(mp3.LoadFromFile(path));
  EXPECT_EQ(mp3.ID3v2()->Title(), "Song");
}

// ---- files made by lame ---------------------------------------------------------------

class LameFiles : public MPEGaudioFile {
protected:
  void SetUp() override {
    if (std::system("command -v lame >/dev/null 2>&1") != 0) GTEST_SKIP() << "lame is not installed";
    // Five seconds of a 440 Hz tone, 16-bit stereo at 44100 Hz.
    Bytes pcm;
    for (int i = 0; i < 44100 * 5; ++i) {
      const int sample = static_cast<int>(8000 * std::sin(i * 2 * 3.14159265358979 * 440 / 44100));
      pcm.Le16(static_cast<std::uint16_t>(sample)).Le16(static_cast<std::uint16_t>(sample));
    }
    raw_ = Write("tone.raw", pcm);
  }
  std::string Encode(const std::string& name, const std::string& options) {
    const std::string out = dir_.File(name);
    const std::string command = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian " +
                                options + " '" + raw_ + "' '" + out + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return out;
  }
  std::string raw_;
};

TEST_F(LameFiles, ConstantBitRate) {
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Encode("cbr.mp3", "-b 128 -m j --tt Tone")));
  EXPECT_EQ(mp3.FileFormat(), "MP3");
  EXPECT_TRUE(mp3.ID3v2()->Exists());
  EXPECT_FALSE(mp3.VBR().Present);  // lame writes "Info" for constant bit rate
  EXPECT_EQ(mp3.Version(), "MPEG 1");
  EXPECT_EQ(mp3.Layer(), "Layer III");
  EXPECT_EQ(mp3.SampleRate(), 44100);
  EXPECT_EQ(mp3.BitRate(), 128);
  EXPECT_EQ(mp3.ChannelMode(), "Joint Stereo");
  // The Info frame's count: the music plus the encoder's delay and padding (under 2 frames),
  // not the header frame and the LAME tag at the end.
  EXPECT_GE(mp3.Duration(), 5.0);
  EXPECT_LT(mp3.Duration(), 5.0 + 2 * 1152.0 / 44100);
  EXPECT_EQ(mp3.Frames(), static_cast<std::int32_t>(std::lround(mp3.Duration() * 44100 / 1152)));
  EXPECT_TRUE(mp3.Valid());
}

TEST_F(LameFiles, VariableBitRateMono) {
  TMPEGaudio mp3;
  ASSERT_TRUE(mp3.LoadFromFile(Encode("vbr.mp3", "-V 2 -a --tt Tone")));
  EXPECT_EQ(mp3.ChannelMode(), "Mono");
  ASSERT_TRUE(mp3.VBR().Present);  // found 21 bytes after the frame start
  EXPECT_EQ(mp3.VBR().Signature, "Xing");
  EXPECT_EQ(mp3.VBR().Vendor.substr(0, 4), "LAME");
  EXPECT_EQ(mp3.EncoderID(), 3);
  EXPECT_EQ(mp3.Encoder().substr(0, 5), "LAME ");
  EXPECT_NEAR(mp3.Duration(), 5.0, 0.15);
  EXPECT_GE(mp3.BitRate(), 8);
  EXPECT_TRUE(mp3.Valid());
}

TEST_F(LameFiles, WithoutTagsTheStreamIsRefused) {
  TMPEGaudio mp3;
  EXPECT_FALSE(mp3.LoadFromFile(Encode("bare.mp3", "-b 128")));
  EXPECT_EQ(mp3.FileFormat(), "unknown");
}

}  // namespace
