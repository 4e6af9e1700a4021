// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 128-byte ID3v1 tag at the end of a file: read, write, strip.
#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TID3v1 : public TsMediaTag {
public:
  TID3v1();

  const PropertyTable& Properties() const override;
  bool StripFromFile(const std::string& fileName) override;
  bool WriteToFile(const std::string& fileName) override;

  bool Exists() const { return exists_; }
  std::uint8_t VersionID() const { return versionID_; }
  const std::string& Title() const { return title_; }
  const std::string& Artist() const { return artist_; }
  const std::string& Album() const { return album_; }
  const std::string& Year() const { return year_; }
  const std::string& Comment() const { return comment_; }
  std::uint8_t Track() const { return track_; }
  std::uint8_t GenreID() const { return genreID_; }
  std::string Genre() const;

  void SetTitle(const std::string& value);
  void SetArtist(const std::string& value);
  void SetAlbum(const std::string& value);
  void SetYear(const std::string& value);
  void SetComment(const std::string& value);
  void SetTrack(std::uint8_t value) { track_ = value; }
  void SetGenreID(std::uint8_t value) { genreID_ = value; }

private:
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  bool exists_ = false;
  std::uint8_t versionID_ = 1;
  std::string title_, artist_, album_, year_, comment_;
  std::uint8_t track_ = 0;
  std::uint8_t genreID_ = 255;
};

// Number of entries in the genre table (0-191, with Winamp's extensions) and the name of one
// (empty past the table).
constexpr int ID3v1GenreCount = 192;
std::string ID3v1GenreName(int index);
