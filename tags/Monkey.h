// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Monkey's Audio (.ape) files: the stream header after the ID3v2 tag, with the ID3v1,
// ID3v2 and APE tags the file carries.
#include <cstdint>
#include <memory>
#include <string>

#include "tags/APEtag.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

// The stream header, normalised from either layout. Files of version 3.98 and later
// store a descriptor followed by a header that gives blocks per frame and bits per
// sample directly; older files store one 40-byte header and those two are derived.
struct TMonkeyHeader {
  char id[4] = {};
  std::uint16_t version = 0;            // version x 1000
  std::uint16_t compressionLevel = 0;   // 1000 .. 4000 (5000 in newer encoders)
  std::uint16_t formatFlags = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t totalFrames = 0;
  std::uint32_t finalFrameSamples = 0;
  std::uint32_t peakLevel = 0;          // 0 unless flag 4 is set
  std::uint32_t seekElements = 0;       // 0 unless flag 16 is set
  std::uint32_t storedBlocksPerFrame = 0;  // newer layout only
  std::uint16_t storedBitsPerSample = 0;   // newer layout only
  bool newLayout = false;
};

class TMonkey : public TsMediaTag {
public:
  static constexpr std::uint16_t FlagEightBit = 1;
  static constexpr std::uint16_t FlagPeakLevel = 4;
  static constexpr std::uint16_t Flag24Bit = 8;
  static constexpr std::uint16_t FlagSeekElements = 16;

  TMonkey();
  ~TMonkey() override;

  const PropertyTable& Properties() const override;

  TID3v1* ID3v1() const { return id3v1_.get(); }
  TID3v2* ID3v2() const { return id3v2_.get(); }
  TAPEtag* APEtag() const { return apeTag_.get(); }

  bool Valid() const;
  std::string Version() const;
  std::string Compression() const;
  std::uint8_t Bits() const;
  std::string ChannelMode() const;
  double Peak() const;
  std::int32_t Samples() const;
  double Duration() const;
  double Ratio() const;
  std::int32_t BlocksPerFrame() const;

  std::int64_t FileSize() const { return fileSize_; }
  const TMonkeyHeader& Header() const { return header_; }

private:
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();
  bool ReadHeader(platform::File& file);

  std::int64_t fileSize_ = 0;
  TMonkeyHeader header_;
  std::unique_ptr<TID3v1> id3v1_;
  std::unique_ptr<TID3v2> id3v2_;
  std::unique_ptr<TAPEtag> apeTag_;
};
