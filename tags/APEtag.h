// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The APE tag (1.0 and 2.0) at the end of a file, before an ID3v1 tag: read, write 1.0, strip.
#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

class TAPEtag : public TsMediaTag {
public:
  TAPEtag();

  const PropertyTable& Properties() const override;
  bool StripFromFile(const std::string& fileName) override;
  bool WriteToFile(const std::string& fileName) override;

  bool Exists() const { return exists_; }
  std::int32_t Version() const { return version_; }
  std::int32_t Size() const { return size_; }
  const std::string& Title() const { return title_; }
  const std::string& Artist() const { return artist_; }
  const std::string& Album() const { return album_; }
  std::uint8_t Track() const { return track_; }
  const std::string& Year() const { return year_; }
  const std::string& Genre() const { return genre_; }
  const std::string& Comment() const { return comment_; }
  const std::string& Copyright() const { return copyright_; }

  void SetTitle(const std::string& value);
  void SetArtist(const std::string& value);
  void SetAlbum(const std::string& value);
  void SetTrack(std::uint8_t value) { track_ = value; }
  void SetYear(const std::string& value);
  void SetGenre(const std::string& value);
  void SetComment(const std::string& value);
  void SetCopyright(const std::string& value);

private:
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  bool exists_ = false;
  std::int32_t version_ = 0;
  std::int32_t size_ = 0;
  std::string title_, artist_, album_;
  std::uint8_t track_ = 0;
  std::string year_, genre_, comment_, copyright_;
};
