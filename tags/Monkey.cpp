// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/Monkey.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::size_t OldHeaderBytes = 40;
constexpr std::size_t DescriptorBytes = 52;
constexpr std::size_t NewHeaderBytes = 24;
constexpr std::uint16_t FirstNewLayoutVersion = 3980;

using tagbytes::Le16At;
using tagbytes::Le32At;

void DecodeOldLayout(const std::uint8_t* b, TMonkeyHeader& h) {
  h.compressionLevel = Le16At(b + 6);
  h.formatFlags = Le16At(b + 8);
  h.channels = Le16At(b + 10);
  h.sampleRate = Le32At(b + 12);
  // Bytes 16..23 (header and terminating byte counts) are not needed.
  h.totalFrames = Le32At(b + 24);
  h.finalFrameSamples = Le32At(b + 28);
  h.peakLevel = Le32At(b + 32);
  h.seekElements = Le32At(b + 36);
  if ((h.formatFlags & TMonkey::FlagPeakLevel) == 0) h.peakLevel = 0;
  if ((h.formatFlags & TMonkey::FlagSeekElements) == 0) h.seekElements = 0;
}

void DecodeNewLayoutHeader(const std::uint8_t* b, TMonkeyHeader& h) {
  h.compressionLevel = Le16At(b + 0);
  h.formatFlags = Le16At(b + 2);
  h.storedBlocksPerFrame = Le32At(b + 4);
  h.finalFrameSamples = Le32At(b + 8);
  h.totalFrames = Le32At(b + 12);
  h.storedBitsPerSample = Le16At(b + 16);
  h.channels = Le16At(b + 18);
  h.sampleRate = Le32At(b + 20);
  h.newLayout = true;
}

const char* CompressionName(std::uint16_t level) {
  static const char* const names[] = {"Unknown", "Fast", "Normal", "High", "Extra High"};
  const unsigned index = level / 1000u;
  return index < std::size(names) ? names[index] : "Unknown";
}

const char* ChannelModeName(std::uint16_t channels) {
  static const char* const names[] = {"Unknown", "Mono", "Stereo"};
  return channels < std::size(names) ? names[channels] : "Unknown";
}

}  // namespace

TMonkey::TMonkey() { Clear(); }

TMonkey::~TMonkey() = default;

void TMonkey::Clear() {
  ClearBase();
  fileSize_ = 0;
  header_ = TMonkeyHeader{};
  id3v1_ = std::make_unique<TID3v1>();
  id3v2_ = std::make_unique<TID3v2>();
  apeTag_ = std::make_unique<TAPEtag>();
}

bool TMonkey::ReadHeader(platform::File& file) {
  const std::int64_t size = file.Size();
  if (size < 0) return false;
  const std::int64_t start = id3v2_->Size();
  if (!file.Seek(start)) return false;

  std::uint8_t first[OldHeaderBytes] = {};
  const std::size_t got = file.Read(first, sizeof first);
  if (got < 6) return false;

  TMonkeyHeader h;
  std::memcpy(h.id, first, 4);
  h.version = Le16At(first + 4);
  const bool newLayout =
      std::memcmp(h.id, "MAC ", 4) == 0 && h.version >= FirstNewLayoutVersion;
  if (newLayout) {
    if (got < 12) return false;
    const std::uint32_t descriptorBytes = Le32At(first + 8);
    if (descriptorBytes < DescriptorBytes) return false;
    std::uint8_t header[NewHeaderBytes];
    if (!file.Seek(start + descriptorBytes) || !file.ReadExact(header, sizeof header)) {
      return false;
    }
    DecodeNewLayoutHeader(header, h);
  } else {
    if (got < OldHeaderBytes) return false;
    DecodeOldLayout(first, h);
  }
  fileSize_ = size;
  header_ = h;
  return true;
}

void TMonkey::ClearFields() { Clear(); }

bool TMonkey::ReadFrom(platform::File& file) {
  const bool allTags = id3v1_->LoadFrom(file) && id3v2_->LoadFrom(file) && apeTag_->LoadFrom(file);
  if (!allTags || !ReadHeader(file)) {
    Clear();
    return false;
  }
  SetFileFormat("MONKEY");
  return true;
}

bool TMonkey::Valid() const {
  return std::memcmp(header_.id, "MAC ", 4) == 0 && header_.sampleRate >= 1 &&
         header_.channels != 0;
}

std::string TMonkey::Version() const {
  if (header_.version == 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%4.2f", header_.version / 1000.0);
  return text;
}

std::string TMonkey::Compression() const { return CompressionName(header_.compressionLevel); }

std::string TMonkey::ChannelMode() const { return ChannelModeName(header_.channels); }

std::uint8_t TMonkey::Bits() const {
  if (!Valid()) return 0;
  if (header_.newLayout && header_.storedBitsPerSample != 0) {
    return static_cast<std::uint8_t>(std::min<std::uint16_t>(header_.storedBitsPerSample, 255));
  }
  if (header_.formatFlags & Flag24Bit) return 24;
  if (header_.formatFlags & FlagEightBit) return 8;
  return 16;
}

double TMonkey::Peak() const {
  if (!Valid() || (header_.formatFlags & FlagPeakLevel) == 0) return 0.0;
  const std::uint8_t bits = Bits();
  const double fullScale = bits == 16 ? 32768.0 : bits == 24 ? 8388608.0 : 128.0;
  return header_.peakLevel / fullScale * 100.0;
}

std::int32_t TMonkey::BlocksPerFrame() const {
  if (!Valid()) return 0;
  if (header_.newLayout) {
    return tagbytes::CappedTo<std::int32_t>(header_.storedBlocksPerFrame);
  }
  if (header_.version >= 3950) return 294912;
  if (header_.version >= 3900 || (header_.version >= 3800 && header_.compressionLevel == 4000)) {
    return 73728;
  }
  return 9216;
}

std::int32_t TMonkey::Samples() const {
  if (!Valid() || header_.totalFrames == 0) return 0;
  // Computed wide and capped: the frame count comes from the file.
  const std::int64_t samples =
      static_cast<std::int64_t>(BlocksPerFrame()) * (static_cast<std::int64_t>(header_.totalFrames) - 1) +
      header_.finalFrameSamples;
  return tagbytes::CappedTo<std::int32_t>(samples);
}

double TMonkey::Duration() const {
  if (!Valid()) return 0.0;
  return static_cast<double>(Samples()) / header_.sampleRate;
}

double TMonkey::Ratio() const {
  if (!Valid()) return 0.0;
  const double audioBytes =
      static_cast<double>(Samples()) * header_.channels * Bits() / 8.0 + 44.0;
  return static_cast<double>(fileSize_) / audioBytes * 100.0;
}

const PropertyTable& TMonkey::Properties() const {
  using T = TMonkey;
  static const PropertyTable table = DeriveProperties(
      TsMediaTag::BaseProperties(),
      {
          Published<T>("ID3v1", PropKind::Object, &T::ID3v1),
          Published<T>("ID3v2", PropKind::Object, &T::ID3v2),
          Published<T>("APEtag", PropKind::Object, &T::APEtag),
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
          Published<T>("Version", PropKind::ByteString, &T::Version),
          Published<T>("Compression", PropKind::ByteString, &T::Compression),
          Published<T>("Bits", PropKind::Byte, &T::Bits),
          Published<T>("ChannelMode", PropKind::ByteString, &T::ChannelMode),
          Published<T>("Peak", PropKind::Double, &T::Peak),
          Published<T>("Samples", PropKind::Integer, &T::Samples),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("Ratio", PropKind::Double, &T::Ratio),
      });
  return table;
}
