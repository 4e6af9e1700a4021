// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/CDAtrack.h"

#include <cstdio>
#include <cstring>

#include "platform/AppDir.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Profile.h"
#include "tags/TagBytes.h"

namespace {

using tagbytes::Le16At;
using tagbytes::Le32At;

void LookUpTexts(TCDAtrackRecord& record) {
  const std::string iniPath = platform::AppDir() + "cdplayer.ini";
  const std::string section = TCDAtrack::DiscSection(record.SerialNumber());
  record.title =
      platform::ReadProfileString(iniPath, section, std::to_string(record.TrackNumber()), "");
  record.artist = platform::ReadProfileString(iniPath, section, "artist", "");
  record.album = platform::ReadProfileString(iniPath, section, "title", "");
}

}  // namespace

std::uint16_t TCDAtrackRecord::TrackNumber() const { return Le16At(bytes + 22); }
std::uint32_t TCDAtrackRecord::SerialNumber() const { return Le32At(bytes + 24); }
std::uint32_t TCDAtrackRecord::StartSectors() const { return Le32At(bytes + 28); }
std::uint32_t TCDAtrackRecord::LengthSectors() const { return Le32At(bytes + 32); }

TCDAtrack::TCDAtrack() { Clear(); }

void TCDAtrack::Clear() {
  ClearBase();
  valid_ = false;
  title_.clear();
  artist_.clear();
  album_.clear();
  duration_ = 0.0;
  track_ = 0;
  position_ = 0.0;
}

std::string TCDAtrack::DiscSection(std::uint32_t serialNumber) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(serialNumber));
  return text;
}

bool TCDAtrack::IsCdTrackHeader(const TCDAtrackRecord& record) {
  return std::memcmp(record.bytes, "RIFF", 4) == 0 &&
         std::memcmp(record.bytes + 8, "CDDAfmt ", 8) == 0;
}

bool TCDAtrack::ReadTrackFile(platform::File& file, TCDAtrackRecord& record) {
  if (!file.Seek(0)) return false;
  file.Read(record.bytes, sizeof record.bytes);
  // Only a CD track file has texts worth looking up; any other file is refused anyway.
  if (IsCdTrackHeader(record)) LookUpTexts(record);
  return true;
}

void TCDAtrack::ClearFields() { Clear(); }

bool TCDAtrack::ReadFrom(platform::File& file) {
  TCDAtrackRecord record;
  if (!ReadTrackFile(file, record) || !IsCdTrackHeader(record)) return false;
  valid_ = true;
  title_ = platform::Cp932ToUtf16(record.title);
  artist_ = platform::Cp932ToUtf16(record.artist);
  album_ = platform::Cp932ToUtf16(record.album);
  duration_ = record.LengthSectors() / SectorsPerSecond;
  track_ = record.TrackNumber();
  position_ = record.StartSectors() / SectorsPerSecond;
  SetFileFormat("CDA");
  return true;
}

const PropertyTable& TCDAtrack::Properties() const {
  using T = TCDAtrack;
  static const PropertyTable table = DeriveProperties(
      TsMediaTag::BaseProperties(),
      {
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
          Published<T>("Title", PropKind::WideString, &T::Title),
          Published<T>("Artist", PropKind::WideString, &T::Artist),
          Published<T>("Album", PropKind::WideString, &T::Album),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("Track", PropKind::Word, &T::Track),
          Published<T>("Position", PropKind::Double, &T::Position),
      });
  return table;
}
