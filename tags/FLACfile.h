// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// FLAC: channels, sample rate, bits per sample and sample count from the stream information
// at the start of the file (after any ID3v2 tag), and the song's values from the Vorbis
// comments, mapped as for Ogg Vorbis files.
#include <cstdint>
#include <memory>
#include <string>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/VorbisComment.h"

class TFLACfile : public TVorbisCommentTag {
public:
  TFLACfile();

  const PropertyTable& Properties() const override;

  std::uint8_t Channels() const { return channels_; }
  std::int32_t SampleRate() const { return sampleRate_; }
  std::uint8_t BitsPerSample() const { return bitsPerSample_; }
  std::int32_t FileLength() const { return fileLength_; }
  // Low 32 bits of the total sample count.
  std::int32_t Samples() const { return samples_; }
  // Embedded tags: the ID3v2 tag in front of the stream when there is one; the ID3v1 tag
  // is never read.
  TID3v1* ID3v1() const { return id3v1_.get(); }
  TID3v2* ID3v2() const { return id3v2_.get(); }
  bool Valid() const;
  // Seconds.
  double Duration() const;
  // File size as a percentage of the uncompressed audio.
  double Ratio() const;

private:
  // True when the first four bytes after any ID3v2 tags add up to those of "fLaC" (342) and
  // 26 bytes could be read there.
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  std::uint8_t channels_ = 0;
  std::int32_t sampleRate_ = 0;
  std::uint8_t bitsPerSample_ = 0;
  std::int32_t fileLength_ = 0;
  std::int32_t samples_ = 0;
  std::unique_ptr<TID3v1> id3v1_;
  std::unique_ptr<TID3v2> id3v2_;
};
