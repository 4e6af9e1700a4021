// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ogg Vorbis: stream properties from the identification header, the Vorbis comments, and
// the sample count from the last page. A leading ID3v2 tag is skipped.
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/VorbisComment.h"

class TOggVorbis : public TVorbisCommentTag {
public:
  TOggVorbis();

  const PropertyTable& Properties() const override;

  std::int32_t FileSize() const { return fileSize_; }
  std::uint8_t ChannelModeID() const { return channelModeID_; }
  // "Unknown", "Mono" or "Stereo" ("Unknown" for more than two channels too).
  std::string ChannelMode() const;
  // Hz, the identification header's whole 32-bit value.
  std::uint32_t SampleRate() const { return sampleRate_; }
  // Kilobits per second, as the identification header gives it.
  std::uint16_t BitRateNominal() const { return bitRateNominal_; }
  // Seconds: from the sample count, or estimated from the nominal bit rate without one.
  double Duration() const;
  // Kilobits per second over the Ogg data (a leading ID3v2 tag left out).
  std::uint16_t BitRate() const;
  // A leading ID3v2 tag was found.
  bool ID3v2() const { return id3v2Size_ > 0; }
  bool Valid() const;

  std::int32_t Samples() const { return samples_; }
  std::int32_t ID3v2Size() const { return id3v2Size_; }

  // The track number of a TRACKNUMBER value: the part before a "/" as a decimal integer,
  // 0 when it is not one.
  static std::int32_t TrackFromText(std::string_view text);
  // UTF-8 of one to three bytes per character; decoding stops for good at a malformed or
  // cut sequence, keeping what came before.
  static std::u16string DecodeCommentUtf8(std::string_view bytes);

private:
  // True when the first Ogg page carries a Vorbis identification header.
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  std::int32_t fileSize_ = 0;
  std::uint8_t channelModeID_ = 0;
  std::uint32_t sampleRate_ = 0;
  std::uint16_t bitRateNominal_ = 0;
  std::int32_t samples_ = 0;
  std::int32_t id3v2Size_ = 0;
};
