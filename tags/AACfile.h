// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Raw AAC streams (.aac) in ADIF or ADTS form, with the ID3v2 and ID3v1 tags they carry.
#include <cstdint>
#include <memory>
#include <string>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

namespace platform {
class File;
}

class TAACfile : public TsMediaTag {
public:
  static constexpr std::uint8_t HeaderUnknown = 0;
  static constexpr std::uint8_t HeaderADIF = 1;
  static constexpr std::uint8_t HeaderADTS = 2;

  TAACfile();
  ~TAACfile() override;

  const PropertyTable& Properties() const override;

  // Reads FileSize and the stream header of an open file; the stream begins after the
  // ID3v2 tag's Size. Returns false when the file cannot be read.
  bool ReadStream(platform::File& file);

  TID3v1* ID3v1() const { return id3v1_.get(); }
  TID3v2* ID3v2() const { return id3v2_.get(); }
  std::int32_t FileSize() const { return fileSize_; }
  std::uint8_t HeaderTypeID() const { return headerTypeID_; }
  std::string HeaderType() const;
  std::uint8_t MPEGVersionID() const { return mpegVersionID_; }
  std::string MPEGVersion() const;
  std::uint8_t ProfileID() const { return profileID_; }
  std::string Profile() const;
  std::uint8_t Channels() const { return channels_; }
  std::int32_t SampleRate() const { return sampleRate_; }
  std::int32_t BitRate() const { return bitRate_; }
  std::uint8_t BitRateTypeID() const { return bitRateTypeID_; }
  std::string BitRateType() const;
  double Duration() const;
  bool Valid() const;

  // count (1 to 24) bits from an absolute bit position of the file, most significant first;
  // bytes past the end of the file read as 0.
  static std::uint32_t TakeBits(platform::File& file, std::int64_t bitPosition, int count);

private:
  // Accepts only files that carry both an ID3v2 and an ID3v1 tag; an unrecognised stream
  // header is accepted with HeaderTypeID 0.
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();
  std::int64_t StreamStart() const;
  std::int64_t StreamEnd() const;
  std::uint8_t DetectHeaderKind(platform::File& file) const;
  void ParseAdifHeader(platform::File& file);
  void ParseAdtsFrames(platform::File& file);

  std::unique_ptr<TID3v1> id3v1_;
  std::unique_ptr<TID3v2> id3v2_;
  std::int32_t fileSize_ = 0;
  std::uint8_t headerTypeID_ = 0;
  std::uint8_t mpegVersionID_ = 0;
  std::uint8_t profileID_ = 0;
  std::uint8_t channels_ = 0;
  std::int32_t sampleRate_ = 0;
  std::int32_t bitRate_ = 0;
  std::uint8_t bitRateTypeID_ = 0;
};
