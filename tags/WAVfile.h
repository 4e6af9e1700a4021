// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RIFF WAVE (.wav) files: the format chunk and where the sample data starts.
#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

// The RIFF header and format chunk as read, and what the chunks after the format chunk tell.
struct TWAVHeader {
  std::uint8_t bytes[40] = {};
  std::uint32_t riffSize = 0;
  std::uint32_t formatSize = 0;
  std::uint16_t formatID = 0;
  std::uint16_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::uint32_t bytesPerSecond = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;
  std::int32_t sampleCount = 0;    // from a "fact" chunk; 0 when there is none
  std::int64_t dataOffset = 0;     // first byte of the sample data; 0 when no "data" chunk was found
};

class TWAVfile : public TsMediaTag {
public:
  TWAVfile();

  const PropertyTable& Properties() const override;

  static bool ReadRiffHeader(platform::File& file, TWAVHeader& header);
  // "RIFF", "WAVE" and "fmt " in place and one or two channels.
  static bool WaveHeaderValid(const TWAVHeader& header);

  bool Valid() const { return valid_; }
  std::uint16_t FormatID() const { return formatID_; }
  std::string Format() const;
  std::uint8_t ChannelNumber() const { return channelNumber_; }
  std::string ChannelMode() const;
  std::uint32_t SampleRate() const { return sampleRate_; }
  std::uint32_t BytesPerSecond() const { return bytesPerSecond_; }
  std::uint16_t BlockAlign() const { return blockAlign_; }
  std::uint8_t BitsPerSample() const { return bitsPerSample_; }
  std::int32_t SampleNumber() const { return sampleNumber_; }
  std::uint16_t HeaderSize() const { return headerSize_; }
  std::uint32_t FileSize() const { return fileSize_; }
  double Duration() const;

private:
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  bool valid_ = false;
  std::uint16_t formatID_ = 0;
  std::uint8_t channelNumber_ = 0;
  std::uint32_t sampleRate_ = 0;
  std::uint32_t bytesPerSecond_ = 0;
  std::uint16_t blockAlign_ = 0;
  std::uint8_t bitsPerSample_ = 0;
  std::int32_t sampleNumber_ = 0;
  std::uint16_t headerSize_ = 0;
  std::uint32_t fileSize_ = 0;
};
