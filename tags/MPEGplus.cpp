// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MPEGplus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::uint32_t StreamVersion7Marker = 0x072B504D;  // "MP+" followed by 07
constexpr double FrameSamples = 1152.0;
constexpr double SampleRate = 44100.0;

using tagbytes::Le32At;

// Heads of containers that other readers know; their byte 1 can pass for a version 4 to 6
// stream ("FORM" for one), so such a file is never taken for Musepack.
bool StartsLikeAnotherContainer(const std::uint8_t* bytes) {
  static constexpr std::uint8_t AsfHeaderGuid[12] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66,
                                                      0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA};
  for (const char* signature : {"FORM", "RIFF", "RF64", "OggS", "fLaC", "MAC "}) {
    if (std::memcmp(bytes, signature, 4) == 0) return true;
  }
  return std::memcmp(bytes, AsfHeaderGuid, sizeof AsfHeaderGuid) == 0;
}

// Bit rates, in kbit/s, that a version 4 to 6 stream can have; a header whose frame count
// and the file's size give a rate outside them does not describe this file.
constexpr double LowestPlausibleRate = 8.0;
constexpr double HighestPlausibleRate = 1000.0;
// A rate stored in the header must agree with the size-based one within this factor.
constexpr double StoredRateMargin = 2.0;

const char* ChannelModeName(std::uint8_t id) {
  static const char* const names[] = {"Unknown", "Stereo", "Joint Stereo"};
  return id < std::size(names) ? names[id] : "Unknown";
}

const char* ProfileName(std::uint8_t id) {
  static const char* const names[] = {"Unknown", "Thumb", "Radio", "Standard", "Xtreme", "Insane"};
  return id < std::size(names) ? names[id] : "Unknown";
}

}  // namespace

TMPEGplus::TMPEGplus() { Clear(); }

TMPEGplus::~TMPEGplus() = default;

void TMPEGplus::Clear() {
  ClearBase();
  valid_ = false;
  channelModeID_ = 0;
  fileSize_ = 0;
  frameCount_ = 0;
  headerBitRate_ = 0;
  streamVersion_ = 0;
  profileID_ = 0;
  id3v1_ = std::make_unique<TID3v1>();
  id3v2_ = std::make_unique<TID3v2>();
  apeTag_ = std::make_unique<TAPEtag>();
}

bool TMPEGplus::ReadStreamHeader(platform::File& file, TMPEGplusHeader& header) {
  if (!file.Seek(header.id3v2Size)) return false;
  const std::size_t got = file.Read(header.bytes, sizeof header.bytes);
  header.fileSize = file.Size();
  if (got != sizeof header.bytes) return false;
  for (int i = 0; i < 3; ++i) header.word[i] = Le32At(header.bytes + 4 * i);
  return true;
}

std::uint8_t TMPEGplus::DecodeStreamVersion(const TMPEGplusHeader& header) {
  if (header.word[0] == StreamVersion7Marker) return 7;
  switch ((header.bytes[1] >> 1) & 0x0F) {
    case 3: return 4;
    case 7: return 5;
    case 11: return 6;
    default: return 0;
  }
}

std::uint8_t TMPEGplus::DecodeChannelMode(const TMPEGplusHeader& header) {
  if (DecodeStreamVersion(header) == 7) return (header.bytes[11] & 0x40) ? 2 : 1;
  return (header.bytes[2] & 0x7F) ? 2 : 1;
}

std::int32_t TMPEGplus::DecodeFrameCount(const TMPEGplusHeader& header) {
  switch (DecodeStreamVersion(header)) {
    case 4: return static_cast<std::int32_t>(header.word[1] >> 16);
    case 5:
    case 6:
    case 7: return static_cast<std::int32_t>(header.word[1]);
    default: return 0;
  }
}

std::uint16_t TMPEGplus::DecodeHeaderBitRate(const TMPEGplusHeader& header) {
  const std::uint8_t version = DecodeStreamVersion(header);
  if (version == 4 || version == 5) return static_cast<std::uint16_t>(header.word[0] >> 23);
  return 0;
}

std::uint8_t TMPEGplus::DecodeProfile(const TMPEGplusHeader& header) {
  if (DecodeStreamVersion(header) != 7) return 0;
  switch (header.bytes[10]) {
    case 0x80: return 1;
    case 0x90: return 2;
    case 0xA0: return 3;
    case 0xB0: return 4;
    case 0xC0: return 5;
    default: return 0;
  }
}

void TMPEGplus::ClearFields() { Clear(); }

bool TMPEGplus::ReadFrom(platform::File& file) {
  TMPEGplusHeader header;
  if (id3v2_->LoadFrom(file)) header.id3v2Size = id3v2_->Size();
  if (!ReadStreamHeader(file, header) || header.fileSize <= 0 || DecodeStreamVersion(header) == 0 ||
      StartsLikeAnotherContainer(header.bytes)) {
    Clear();
    return false;
  }
  valid_ = true;
  channelModeID_ = DecodeChannelMode(header);
  fileSize_ = tagbytes::CappedTo<std::int32_t>(header.fileSize);
  frameCount_ = DecodeFrameCount(header);
  headerBitRate_ = DecodeHeaderBitRate(header);
  streamVersion_ = DecodeStreamVersion(header);
  profileID_ = DecodeProfile(header);
  id3v1_->LoadFrom(file);
  apeTag_->LoadFrom(file);
  if (streamVersion_ != 7 && !SizeAgreesWithHeader()) {
    Clear();
    return false;
  }
  return true;
}

bool TMPEGplus::SizeAgreesWithHeader() const {
  if (frameCount_ <= 0) return false;
  const double rate = SizeBasedBitRate();
  if (rate < LowestPlausibleRate || rate > HighestPlausibleRate) return false;
  if (headerBitRate_ == 0) return true;
  return rate * StoredRateMargin >= headerBitRate_ && rate <= headerBitRate_ * StoredRateMargin;
}

double TMPEGplus::SizeBasedBitRate() const {
  if (frameCount_ <= 0) return 0.0;
  std::int64_t audioBytes = static_cast<std::int64_t>(fileSize_) - id3v2_->Size() - apeTag_->Size();
  if (id3v1_->Exists()) audioBytes -= 128;
  return static_cast<double>(audioBytes) * 8.0 * 44.1 / frameCount_ / FrameSamples;
}

std::string TMPEGplus::ChannelMode() const { return ChannelModeName(channelModeID_); }

std::string TMPEGplus::Profile() const { return ProfileName(profileID_); }

std::uint16_t TMPEGplus::BitRate() const {
  if (headerBitRate_ != 0) return headerBitRate_;
  if (frameCount_ <= 0) return 0;
  const double rate = std::nearbyint(SizeBasedBitRate());
  // A rate outside the 16-bit range is capped rather than wrapped, so that it still
  // counts as corrupted.
  return static_cast<std::uint16_t>(std::clamp(rate, 0.0, 65535.0));
}

double TMPEGplus::Duration() const {
  if (frameCount_ <= 0) return 0.0;
  return frameCount_ * FrameSamples / SampleRate;
}

bool TMPEGplus::Corrupted() const {
  if (!valid_) return false;
  const std::uint16_t rate = BitRate();
  return rate < 16 || rate > 480;
}

const PropertyTable& TMPEGplus::Properties() const {
  using T = TMPEGplus;
  static const PropertyTable table = DeriveProperties(
      TsMediaTag::BaseProperties(),
      {
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
          Published<T>("ChannelModeID", PropKind::Byte, &T::ChannelModeID),
          Published<T>("ChannelMode", PropKind::ByteString, &T::ChannelMode),
          Published<T>("FileSize", PropKind::Integer, &T::FileSize),
          Published<T>("FrameCount", PropKind::Integer, &T::FrameCount),
          Published<T>("BitRate", PropKind::Word, &T::BitRate),
          Published<T>("StreamVersion", PropKind::Byte, &T::StreamVersion),
          Published<T>("ProfileID", PropKind::Byte, &T::ProfileID),
          Published<T>("Profile", PropKind::ByteString, &T::Profile),
          Published<T>("ID3v1", PropKind::Object, &T::ID3v1),
          Published<T>("ID3v2", PropKind::Object, &T::ID3v2),
          Published<T>("APEtag", PropKind::Object, &T::APEtag),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("Corrupted", PropKind::Boolean, &T::Corrupted),
      });
  return table;
}
