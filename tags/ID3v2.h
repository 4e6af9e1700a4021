// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ID3v2 tag at the start of a file: read 2.2 to 2.4, write 2.3, strip.
#include <array>
#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TID3v2 : public TsMediaTag {
public:
  TID3v2();

  const PropertyTable& Properties() const override;
  bool StripFromFile(const std::string& fileName) override;
  bool WriteToFile(const std::string& fileName) override;

  // Reads a tag that starts at offset inside the file and lies within length bytes (a
  // chunk of a container); the same as LoadFrom otherwise.
  bool LoadFromRange(platform::File& file, std::int64_t offset, std::int64_t length);

  bool Exists() const { return exists_; }
  std::uint8_t VersionID() const { return versionID_; }
  // Total tag size in bytes (header, frames, padding, footer); 0 when there is none.
  std::int32_t Size() const { return size_; }
  const std::string& Title() const { return title_; }
  const std::string& Artist() const { return artist_; }
  const std::string& Album() const { return album_; }
  std::uint16_t Track() const { return track_; }
  const std::string& TrackString() const { return trackString_; }
  const std::string& Year() const { return year_; }
  const std::string& Genre() const { return genre_; }
  const std::string& Comment() const { return comment_; }
  const std::string& Composer() const { return composer_; }
  const std::string& Encoder() const { return encoder_; }
  const std::string& Copyright() const { return copyright_; }
  const std::string& Language() const { return language_; }
  const std::string& Link() const { return link_; }
  const std::string& Lyrics() const { return lyrics_; }

  void SetTitle(const std::string& value);
  void SetArtist(const std::string& value);
  void SetAlbum(const std::string& value);
  void SetTrack(std::uint16_t value) { track_ = value; }
  void SetYear(const std::string& value);
  void SetGenre(const std::string& value);
  void SetComment(const std::string& value);
  void SetComposer(const std::string& value);
  void SetEncoder(const std::string& value);
  void SetCopyright(const std::string& value);
  void SetLanguage(const std::string& value);
  void SetLink(const std::string& value);
  void SetLyrics(const std::string& value);

private:
  bool ReadFrom(platform::File& file) override;
  // The tag at start, which must end by limit (-1: the end of the file).
  bool ReadAt(platform::File& file, std::int64_t start, std::int64_t limit);
  void ClearFields() override;
  void Clear();
  // Sets the text properties from the raw frame data of the 18 known frame slots.
  void FillFromFrames(const std::array<std::string, 18>& texts);

  bool exists_ = false;
  std::uint8_t versionID_ = 0;
  std::int32_t size_ = 0;
  std::string title_, artist_, album_;
  std::uint16_t track_ = 0;
  std::string trackString_, year_, genre_, comment_, composer_, encoder_, copyright_,
      language_, link_, lyrics_;
};

// The position after the ID3v2 tags that directly follow one another from offset on (some
// taggers put a new tag in front of the file without removing the old one): offset itself
// when no tag starts there. Only tags that lie wholly inside the file count.
std::int64_t EndOfID3v2TagsAt(platform::File& file, std::int64_t offset);
