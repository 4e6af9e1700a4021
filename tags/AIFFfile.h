// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// AIFF and AIFF-C files: the "FORM" container's common chunk (channels, sample frames,
// sample size, sample rate), the song's values from an "ID3 " chunk as iTunes writes it, or
// else from the "NAME", "AUTH" and "ANNO" text chunks.
#include <cstdint>
#include <memory>
#include <string>

#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

class TAIFFfile : public TsMediaTag {
public:
  TAIFFfile();

  const PropertyTable& Properties() const override;

  // The value of an 80-bit IEEE extended number (big-endian, as the common chunk stores the
  // sample rate); 0 for zero, infinities, NaN and values beyond a double.
  static double ExtendedToDouble(const std::uint8_t* bytes);

  std::uint16_t Channels() const { return channels_; }
  std::uint32_t SampleFrames() const { return sampleFrames_; }
  std::uint16_t BitsPerSample() const { return bitsPerSample_; }
  // Hz, rounded; Duration uses the exact rate.
  std::uint32_t SampleRate() const;
  // "NONE" for AIFF; the compression type of an AIFF-C file ("NONE", "sowt", "ima4" ...).
  const std::string& Compression() const { return compression_; }
  std::int32_t FileSize() const { return fileSize_; }
  TID3v2* ID3v2() const { return id3v2_.get(); }
  // From the text chunks, only when the file has no "ID3 " chunk (code page 932).
  const std::string& Title() const { return title_; }
  const std::string& Artist() const { return artist_; }
  const std::string& Comment() const { return comment_; }
  // Seconds: sample frames / sample rate.
  double Duration() const;
  // Kilobits per second: of the PCM, or of the sound data for a compressed AIFF-C file.
  std::uint16_t BitRate() const;
  // A common chunk with channels, a sample size and a sample rate was read.
  bool Valid() const;

private:
  // True for a "FORM" container of type "AIFF" or "AIFC".
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();
  // Reads the chunk of the given id whose data spans [at, at + length).
  void ReadChunk(platform::File& file, const char* id, std::int64_t at, std::int64_t length, bool aifc);
  bool Compressed() const;

  std::uint16_t channels_ = 0;
  std::uint32_t sampleFrames_ = 0;
  std::uint16_t bitsPerSample_ = 0;
  double sampleRate_ = 0;
  std::string compression_;
  std::int32_t fileSize_ = 0;
  std::int64_t soundBytes_ = 0;  // the sample data of the "SSND" chunk
  bool hasID3_ = false;
  std::string title_, artist_, comment_;
  std::unique_ptr<TID3v2> id3v2_;
};
