// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MPEG-4 audio files (.m4a): metadata items of the atom tree and the movie's playing time.
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/sMediaTag.h"

class TMP4file : public TsMediaTag {
public:
  TMP4file();

  const PropertyTable& Properties() const override;
  // Read-only format: both refuse.
  bool StripFromFile(const std::string& fileName) override;
  bool WriteToFile(const std::string& fileName) override;

  std::int32_t SampleRate() const { return sampleRate_; }
  double Duration() const { return duration_; }
  const std::u16string& Title() const { return title_; }
  const std::u16string& Artist() const { return artist_; }
  const std::u16string& Album() const { return album_; }
  std::int32_t Track() const { return track_; }
  const std::u16string& Year() const { return year_; }
  const std::u16string& Genre() const { return genre_; }
  const std::u16string& Comment() const { return comment_; }
  const std::u16string& Time() const { return time_; }
  const std::u16string& Tempo() const { return tempo_; }
  const std::u16string& Encoder() const { return encoder_; }
  const std::u16string& Composer() const { return composer_; }
  const std::u16string& Lyrics() const { return lyrics_; }

  // The value of the first RawValues line whose name equals name (ASCII case ignored);
  // empty when there is none.
  std::string RawValue(std::string_view name) const;

private:
  // True when the file begins with an ftyp atom (any letter case) and the atom walk ended
  // without an error. Collects the recognised items in RawValues, in file order.
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  friend class Mp4AtomWalker;

  void Clear();
  void CopyPropertiesFromRawValues();
  // The genre: the name of the genre code item, or the genre text item without one.
  std::string GenreText() const;
  void SetPlayingTime(long double seconds);

  std::int32_t sampleRate_ = 0;
  double duration_ = 0.0;
  std::int32_t track_ = 0;
  std::u16string time_;
  std::u16string album_, artist_, comment_, genre_, title_, year_, encoder_, composer_, tempo_,
      lyrics_;
};
