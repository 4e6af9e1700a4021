// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AACfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

constexpr int SampleRates[16] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050,
                                 16000, 12000, 11025, 8000,  0,     0,     0,     0};

constexpr const char* HeaderTypeNames[] = {"Unknown", "ADIF", "ADTS"};
constexpr const char* MPEGVersionNames[] = {"Unknown", "MPEG-2", "MPEG-4"};
constexpr const char* ProfileNames[] = {"Unknown", "AAC Main", "AAC LC", "AAC SSR", "AAC LTP"};
constexpr const char* BitRateTypeNames[] = {"Unknown", "CBR", "VBR"};

template <std::size_t N>
std::string NameOf(const char* const (&names)[N], std::uint8_t id) {
  return id < N ? names[id] : names[0];
}

constexpr std::uint8_t MPEG2 = 1;
constexpr std::uint8_t MPEG4 = 2;
constexpr std::uint8_t CBR = 1;
constexpr std::uint8_t VBR = 2;

constexpr int MaxAdtsFrames = 1000;
constexpr std::int64_t ID3v1TagSize = 128;
constexpr std::uint32_t AdtsSync = 0xFFF;
constexpr std::uint32_t VbrBufferFullness = 0x7FF;
// The frame length field starts at this bit in MPEG-2 and MPEG-4 ADTS headers alike.
constexpr int AdtsFrameLengthBit = 30;

}  // namespace

TAACfile::TAACfile() { Clear(); }

TAACfile::~TAACfile() = default;

void TAACfile::Clear() {
  id3v1_ = std::make_unique<TID3v1>();
  id3v2_ = std::make_unique<TID3v2>();
  fileSize_ = 0;
  headerTypeID_ = 0;
  mpegVersionID_ = 0;
  profileID_ = 0;
  channels_ = 0;
  sampleRate_ = 0;
  bitRate_ = 0;
  bitRateTypeID_ = 0;
}

const PropertyTable& TAACfile::Properties() const {
  using T = TAACfile;
  auto integer = [](auto value) { return static_cast<std::int64_t>(value); };
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<T>("ID3v1", PropKind::Object, &T::ID3v1),
          Published<T>("ID3v2", PropKind::Object, &T::ID3v2),
          Published<T>("FileSize", PropKind::Integer, [integer](const T& t) { return integer(t.FileSize()); }),
          Published<T>("HeaderTypeID", PropKind::Byte, [integer](const T& t) { return integer(t.HeaderTypeID()); }),
          Published<T>("HeaderType", PropKind::ByteString, &T::HeaderType),
          Published<T>("MPEGVersionID", PropKind::Byte, [integer](const T& t) { return integer(t.MPEGVersionID()); }),
          Published<T>("MPEGVersion", PropKind::ByteString, &T::MPEGVersion),
          Published<T>("ProfileID", PropKind::Byte, [integer](const T& t) { return integer(t.ProfileID()); }),
          Published<T>("Profile", PropKind::ByteString, &T::Profile),
          Published<T>("Channels", PropKind::Byte, [integer](const T& t) { return integer(t.Channels()); }),
          Published<T>("SampleRate", PropKind::Integer, [integer](const T& t) { return integer(t.SampleRate()); }),
          Published<T>("BitRate", PropKind::Integer, [integer](const T& t) { return integer(t.BitRate()); }),
          Published<T>("BitRateTypeID", PropKind::Byte, [integer](const T& t) { return integer(t.BitRateTypeID()); }),
          Published<T>("BitRateType", PropKind::ByteString, &T::BitRateType),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
      });
  return table;
}

std::string TAACfile::HeaderType() const { return NameOf(HeaderTypeNames, headerTypeID_); }
std::string TAACfile::MPEGVersion() const { return NameOf(MPEGVersionNames, mpegVersionID_); }
std::string TAACfile::Profile() const { return NameOf(ProfileNames, profileID_); }
std::string TAACfile::BitRateType() const { return NameOf(BitRateTypeNames, bitRateTypeID_); }

double TAACfile::Duration() const {
  if (bitRate_ == 0) return 0.0;
  return static_cast<double>(StreamEnd() - StreamStart()) * 8.0 / bitRate_;
}

bool TAACfile::Valid() const {
  return headerTypeID_ > 0 && channels_ > 0 && sampleRate_ > 0 && bitRate_ > 0;
}

void TAACfile::ClearFields() {
  Clear();
  ClearBase();
}

bool TAACfile::ReadFrom(platform::File& file) {
  if (!id3v2_->LoadFrom(file)) return false;
  if (!id3v1_->LoadFrom(file)) return false;
  if (!ReadStream(file)) return false;
  SetFileFormat("AAC");
  return true;
}

bool TAACfile::ReadStream(platform::File& file) {
  std::int64_t size = file.Size();
  if (size < 0) return false;
  fileSize_ = tagbytes::CappedTo<std::int32_t>(size);
  headerTypeID_ = DetectHeaderKind(file);
  if (headerTypeID_ == HeaderADIF) ParseAdifHeader(file);
  if (headerTypeID_ == HeaderADTS) ParseAdtsFrames(file);
  return true;
}

std::int64_t TAACfile::StreamStart() const { return id3v2_ ? id3v2_->Size() : 0; }

// The stream stops where a trailing ID3v1 tag begins (every accepted file has one).
std::int64_t TAACfile::StreamEnd() const {
  const std::int64_t tagSize = id3v1_ && id3v1_->Exists() ? ID3v1TagSize : 0;
  return std::max<std::int64_t>(fileSize_ - tagSize, 0);
}

std::uint32_t TAACfile::TakeBits(platform::File& file, std::int64_t bitPosition, int count) {
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  file.Seek(bitPosition / 8);
  file.Read(bytes, sizeof bytes);
  std::uint32_t word = tagbytes::Be32At(bytes);
  word <<= bitPosition % 8;
  return word >> (32 - count);
}

std::uint8_t TAACfile::DetectHeaderKind(platform::File& file) const {
  std::uint8_t bytes[4];
  file.Seek(StreamStart());
  if (!file.ReadExact(bytes, sizeof bytes)) return HeaderUnknown;
  if (std::memcmp(bytes, "ADIF", 4) == 0) return HeaderADIF;
  if (bytes[0] == 0xFF && (bytes[1] & 0xF0) == 0xF0) return HeaderADTS;
  return HeaderUnknown;
}

void TAACfile::ParseAdifHeader(platform::File& file) {
  const std::int64_t base = StreamStart() * 8;
  auto bits = [&](std::int64_t p, int count) { return TakeBits(file, base + p, count); };
  std::int64_t p = 32;  // after "ADIF"
  p += bits(p, 1) ? 75 : 3;  // the 72-bit copyright identifier, original/copy and home flags
  bitRateTypeID_ = bits(p, 1) ? VBR : CBR;
  p += 1;
  bitRate_ = static_cast<std::int32_t>(bits(p, 23));
  // The rest of the fixed header (with the buffer fullness of a CBR stream) and the element
  // tag of the first program configuration.
  p += bitRateTypeID_ == CBR ? 51 : 31;
  mpegVersionID_ = MPEG4;
  profileID_ = static_cast<std::uint8_t>(bits(p, 2) + 1);
  p += 2;
  sampleRate_ = SampleRates[bits(p, 4)];
  p += 4;
  channels_ = static_cast<std::uint8_t>(bits(p, 4) + bits(p + 4, 4) + bits(p + 8, 4) + bits(p + 12, 2));
}

void TAACfile::ParseAdtsFrames(platform::File& file) {
  const std::int64_t start = StreamStart();
  const std::int64_t end = StreamEnd();
  std::int64_t offset = 0;
  int frames = 0;
  // Only frames whose sync word is there count; the walk ends where the ID3v1 tag begins.
  while (start + offset < end) {
    const std::int64_t frameBit = (start + offset) * 8;
    auto bits = [&](int p, int count) { return TakeBits(file, frameBit + p, count); };
    if (bits(0, 12) != AdtsSync) break;
    ++frames;
    mpegVersionID_ = bits(12, 1) ? MPEG2 : MPEG4;
    profileID_ = static_cast<std::uint8_t>(bits(16, 2) + 1);
    sampleRate_ = SampleRates[bits(18, 4)];
    channels_ = static_cast<std::uint8_t>(bits(23, 3));
    offset += bits(AdtsFrameLengthBit, 13);
    bitRateTypeID_ = bits(AdtsFrameLengthBit + 13, 11) == VbrBufferFullness ? VBR : CBR;
    if (bitRateTypeID_ == CBR || frames >= MaxAdtsFrames) break;
  }
  if (frames == 0) return;
  double rate = static_cast<double>(offset) * 8.0 / 1024.0 / frames * sampleRate_;
  bitRate_ = static_cast<std::int32_t>(std::nearbyint(rate));  // halves to even
}
