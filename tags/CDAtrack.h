// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// CD audio track (.cda) files: track number, disc serial number, start and length from the
// 44-byte file; titles from cdplayer.ini in AppDir.
#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

// The 44 bytes of the track file and the texts found for it in cdplayer.ini.
struct TCDAtrackRecord {
  std::uint8_t bytes[44] = {};
  std::string title, artist, album;  // code page 932

  std::uint16_t TrackNumber() const;
  std::uint32_t SerialNumber() const;
  std::uint32_t StartSectors() const;
  std::uint32_t LengthSectors() const;
};

class TCDAtrack : public TsMediaTag {
public:
  static constexpr double SectorsPerSecond = 75.0;

  TCDAtrack();

  const PropertyTable& Properties() const override;

  // Reads the track file; for a CD track file also looks up its texts. False when the
  // file is not open.
  static bool ReadTrackFile(platform::File& file, TCDAtrackRecord& record);
  // "RIFF" at 0 and "CDDAfmt " at 8.
  static bool IsCdTrackHeader(const TCDAtrackRecord& record);
  // The cdplayer.ini section of a disc: its serial number in upper-case hexadecimal,
  // at least two digits.
  static std::string DiscSection(std::uint32_t serialNumber);

  bool Valid() const { return valid_; }
  const std::u16string& Title() const { return title_; }
  const std::u16string& Artist() const { return artist_; }
  const std::u16string& Album() const { return album_; }
  double Duration() const { return duration_; }
  std::uint16_t Track() const { return track_; }
  double Position() const { return position_; }

private:
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  bool valid_ = false;
  std::u16string title_, artist_, album_;
  double duration_ = 0.0;
  std::uint16_t track_ = 0;
  double position_ = 0.0;
};
