// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test builders: an ID3v1 block and a plain constant-bit-rate MPEG audio stream to put it on.
#include <cstring>
#include <string>

#include "TestSupport.h"

namespace id3v1_test {

// The fields of a 128-byte block; texts are written as given and padded with `padding`.
// Id3v1Fields().Title("x").Comment(...)
struct Id3v1Fields {
  std::string title, artist, album, year, comment;
  int padding = 0;
  int genre = 255;

  Id3v1Fields& Title(std::string v) { title = std::move(v); return *this; }
  Id3v1Fields& Artist(std::string v) { artist = std::move(v); return *this; }
  Id3v1Fields& Album(std::string v) { album = std::move(v); return *this; }
  Id3v1Fields& Year(std::string v) { year = std::move(v); return *this; }
  Id3v1Fields& Comment(std::string v) { comment = std::move(v); return *this; }
  Id3v1Fields& Padding(int v) { padding = v; return *this; }
  Id3v1Fields& Genre(int v) { genre = v; return *this; }
};

inline std::string PaddedField(const std::string& text, std::size_t width, int padding) {
  std::string field = text.substr(0, width);
  field.append(width - field.size(), static_cast<char>(padding));
  return field;
}

// "TAG", title 30, artist 30, album 30, year 4, comment 30 (bytes 125 and 126 of the block
// are the comment's 29th and 30th bytes), genre 1.
inline std::string Id3v1Block(const Id3v1Fields& f) {
  return testing_support::Bytes()
      .Text("TAG")
      .Text(PaddedField(f.title, 30, f.padding))
      .Text(PaddedField(f.artist, 30, f.padding))
      .Text(PaddedField(f.album, 30, f.padding))
      .Text(PaddedField(f.year, 4, f.padding))
      .Text(PaddedField(f.comment, 30, f.padding))
      .U8(f.genre)
      .str();
}

// A 30-byte ID3v1.1 comment: 28 bytes of text, a zero byte, the track number.
inline std::string CommentWithTrack(const std::string& text, int track) {
  return PaddedField(text, 28, 0) + '\0' + static_cast<char>(track);
}

// `count` MPEG-1 Layer III frames, 128 kbit/s, 44100 Hz, stereo, no CRC: 417 bytes each.
inline std::string CbrMpegFrames(int count) {
  constexpr std::size_t frameLength = 144 * 128000 / 44100;
  std::string frames;
  for (int i = 0; i < count; ++i) {
    testing_support::Bytes frame;
    frame.U8(0xFF).U8(0xFB).U8(0x90).U8(0x00).Fill(frameLength - 4, 0x55);
    frames += frame.str();
  }
  return frames;
}

}  // namespace id3v1_test
