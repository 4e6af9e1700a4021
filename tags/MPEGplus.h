// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Musepack files (stream versions 4 to 7): the stream header after the ID3v2 tag, with the
// ID3v1, ID3v2 and APE tags the file carries. FileFormat stays "unknown". Version 7 needs its
// "MP+" signature; versions 4 to 6, which have none, need a header that fits the file.
#include <cstdint>
#include <memory>
#include <string>

#include "tags/APEtag.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

// The first 12 bytes of the stream, also seen as three little-endian words.
struct TMPEGplusHeader {
  std::uint8_t bytes[12] = {};
  std::uint32_t word[3] = {};
  std::int64_t fileSize = 0;
  std::int32_t id3v2Size = 0;
};

class TMPEGplus : public TsMediaTag {
public:
  TMPEGplus();
  ~TMPEGplus() override;

  const PropertyTable& Properties() const override;

  // True when 12 stream bytes were read at header.id3v2Size.
  static bool ReadStreamHeader(platform::File& file, TMPEGplusHeader& header);
  static std::uint8_t DecodeStreamVersion(const TMPEGplusHeader& header);
  static std::uint8_t DecodeChannelMode(const TMPEGplusHeader& header);
  static std::int32_t DecodeFrameCount(const TMPEGplusHeader& header);
  static std::uint16_t DecodeHeaderBitRate(const TMPEGplusHeader& header);
  static std::uint8_t DecodeProfile(const TMPEGplusHeader& header);

  bool Valid() const { return valid_; }
  std::uint8_t ChannelModeID() const { return channelModeID_; }
  std::string ChannelMode() const;
  std::int32_t FileSize() const { return fileSize_; }
  std::int32_t FrameCount() const { return frameCount_; }
  std::uint16_t BitRate() const;
  std::uint8_t StreamVersion() const { return streamVersion_; }
  std::uint8_t ProfileID() const { return profileID_; }
  std::string Profile() const;
  TID3v1* ID3v1() const { return id3v1_.get(); }
  TID3v2* ID3v2() const { return id3v2_.get(); }
  TAPEtag* APEtag() const { return apeTag_.get(); }
  double Duration() const;
  bool Corrupted() const;

private:
  bool ReadFrom(platform::File& file) override;
  // Bit rate in kbit/s of the audio bytes (the file without its tags) over the frame count.
  double SizeBasedBitRate() const;
  // A version 4 to 6 header is taken only when its frame count and the file's size give a
  // plausible bit rate that also agrees with a rate the header stores.
  bool SizeAgreesWithHeader() const;
  void ClearFields() override;
  void Clear();

  bool valid_ = false;
  std::uint8_t channelModeID_ = 0;
  std::int32_t fileSize_ = 0;
  std::int32_t frameCount_ = 0;
  std::uint16_t headerBitRate_ = 0;
  std::uint8_t streamVersion_ = 0;
  std::uint8_t profileID_ = 0;
  std::unique_ptr<TID3v1> id3v1_;
  std::unique_ptr<TID3v2> id3v2_;
  std::unique_ptr<TAPEtag> apeTag_;
};
