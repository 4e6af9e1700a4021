// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows Media Audio (ASF container): stream properties and the text tags of the header.
#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TWMAfile : public TsMediaTag {
public:
  TWMAfile();

  const PropertyTable& Properties() const override;

  bool Valid() const { return valid_; }
  std::int32_t FileSize() const { return fileSize_; }
  std::uint8_t ChannelModeID() const { return channelModeID_; }
  // "Unknown", "Mono" or "Stereo".
  std::string ChannelMode() const;
  std::int32_t SampleRate() const { return sampleRate_; }
  // Seconds.
  double Duration() const { return duration_; }
  // Kilobits per second.
  std::int32_t BitRate() const { return bitRate_; }
  const std::u16string& Title() const { return title_; }
  const std::u16string& Artist() const { return artist_; }
  const std::u16string& Album() const { return album_; }
  std::int32_t Track() const { return track_; }
  const std::u16string& Year() const { return year_; }
  const std::u16string& Genre() const { return genre_; }
  const std::u16string& Comment() const { return comment_; }

private:
  // True when the file is ASF and its header describes a plausible mono or stereo stream.
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  bool valid_ = false;
  std::int32_t fileSize_ = 0;
  std::uint8_t channelModeID_ = 0;
  std::int32_t sampleRate_ = 0;
  double duration_ = 0;
  std::int32_t bitRate_ = 0;
  std::u16string title_, artist_, album_;
  std::int32_t track_ = 0;
  std::u16string year_, genre_, comment_;
};
