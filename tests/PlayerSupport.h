// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Players and songs for the library's tests: a player folder with its marker file and music
// folder, and MP3 files (ID3v2.3 tag + MPEG frames) that the tag readers accept. Tag texts
// are given in UTF-8 and stored as code page 932 bytes in frames flagged as Latin-1, the way
// Japanese players write them.
#include <filesystem>
#include <string>
#include <string_view>

#include "TestSupport.h"
#include "platform/CodePage.h"

namespace testing_support {

struct SongTags {
  std::string title;    // UTF-8
  std::string album;    // UTF-8
  std::string artist;   // UTF-8
  std::string track;    // as written into TRCK
  std::string year;
  std::string lyrics;   // UTF-8; written as USLT when not empty
  std::string comment;  // UTF-8; written as COMM when not empty
  int frames = 40;      // MPEG 1 Layer III frames of 128 kbit/s, 44100 Hz (26.1 ms each)
};

// Tags with a title, an album and (when not empty) lyrics.
inline SongTags Tags(const std::string& title, const std::string& album, const std::string& lyrics = "") {
  SongTags tags;
  tags.title = title;
  tags.album = album;
  tags.lyrics = lyrics;
  return tags;
}

// A version 2.3 frame: 4-character id, 32-bit big-endian size, two flag bytes.
inline Bytes Id3v23Frame(std::string_view id, std::string_view data) {
  return Bytes().Text(id).Be32(static_cast<std::uint32_t>(data.size())).U8(0).U8(0).Text(data);
}

// Latin-1 flagged text frame data holding the code page 932 form of a UTF-8 text.
inline std::string Id3Text(std::string_view utf8) { return std::string(1, '\0') + platform::Utf8ToCp932(utf8); }

// USLT / COMM data: encoding 0, language "jpn", empty description, the text.
inline std::string Id3LongText(std::string_view utf8) {
  return std::string(1, '\0') + "jpn" + std::string(1, '\0') + platform::Utf8ToCp932(utf8);
}

inline std::string Mp3Song(const SongTags& tags) {
  Bytes frames;
  if (!tags.title.empty()) frames.Append(Id3v23Frame("TIT2", Id3Text(tags.title)));
  if (!tags.album.empty()) frames.Append(Id3v23Frame("TALB", Id3Text(tags.album)));
  if (!tags.artist.empty()) frames.Append(Id3v23Frame("TPE1", Id3Text(tags.artist)));
  if (!tags.track.empty()) frames.Append(Id3v23Frame("TRCK", Id3Text(tags.track)));
  if (!tags.year.empty()) frames.Append(Id3v23Frame("TYER", Id3Text(tags.year)));
  if (!tags.comment.empty()) frames.Append(Id3v23Frame("COMM", Id3LongText(tags.comment)));
  if (!tags.lyrics.empty()) frames.Append(Id3v23Frame("USLT", Id3LongText(tags.lyrics)));
  Bytes file;
  file.Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(static_cast<std::uint32_t>(frames.size())).Append(frames);
  // 128 kbit/s, 44100 Hz, joint stereo, no padding: 417 bytes per frame.
  for (int i = 0; i < tags.frames; ++i) file.U8(0xFF).U8(0xFB).U8(0x90).U8(0x44).Fill(413, 0x55);
  return file.str();
}

// A player under root: iPod_Control/Device/SysInfo and an empty iPod_Control/Music/.
inline void MakePlayer(const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "iPod_Control" / "Device");
  std::filesystem::create_directories(root / "iPod_Control" / "Music");
  WriteBytes((root / "iPod_Control" / "Device" / "SysInfo").string(), "BoardHwName: iPod\n");
}

// Writes a song file at root/iPod_Control/Music/relative (folders created); returns its
// path. relative is UTF-8 (the system's form).
inline std::string AddSong(const std::filesystem::path& root, std::string_view relative, const SongTags& tags) {
  const std::filesystem::path path = root / "iPod_Control" / "Music" / std::string(relative);
  std::filesystem::create_directories(path.parent_path());
  WriteBytes(path.string(), Mp3Song(tags));
  return path.string();
}

}  // namespace testing_support
