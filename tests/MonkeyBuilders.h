// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test builders for files that carry an ID3v2 tag in front and an APE tag and an ID3v1 tag
// at the end (Monkey's Audio, Musepack), and for the Monkey's Audio headers.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"

namespace monkey_test {

using testing_support::Bytes;

// An ID3v2.3 tag with one text frame per (identifier, text), Latin-1 encoded, padded so that
// the whole tag is totalSize bytes (when totalSize leaves room for the frames).
inline Bytes Id3v2Tag(const std::vector<std::pair<std::string, std::string>>& frames,
                      std::size_t totalSize = 0) {
  Bytes body;
  for (const auto& [id, text] : frames) {
    body.Text(id).Be32(static_cast<std::uint32_t>(text.size() + 1)).Le16(0).U8(0).Text(text);
  }
  if (totalSize > body.size() + 10) body.Fill(totalSize - 10 - body.size());
  return Bytes().Text("ID3").U8(3).U8(0).U8(0).Syncsafe32(static_cast<std::uint32_t>(body.size())).Append(body);
}

// An APE tag (items and footer, no header) of the given version.
inline Bytes ApeTag(const std::vector<std::pair<std::string, std::string>>& items,
                    std::uint32_t version = 2000) {
  Bytes body;
  for (const auto& [key, value] : items) {
    body.Le32(static_cast<std::uint32_t>(value.size())).Le32(0).Text(key).U8(0).Text(value);
  }
  return Bytes()
      .Append(body)
      .Text("APETAGEX")
      .Le32(version)
      .Le32(static_cast<std::uint32_t>(body.size() + 32))
      .Le32(static_cast<std::uint32_t>(items.size()))
      .Le32(0)
      .Fill(8);
}

inline std::string Padded(const std::string& text, std::size_t width) {
  std::string field = text.substr(0, width);
  field.append(width - field.size(), '\0');
  return field;
}

// A 128-byte ID3v1.1 tag.
inline Bytes Id3v1Tag(const std::string& title, const std::string& artist = "",
                      const std::string& album = "", int track = 0) {
  return Bytes()
      .Text("TAG")
      .Text(Padded(title, 30))
      .Text(Padded(artist, 30))
      .Text(Padded(album, 30))
      .Text(Padded("", 4))
      .Text(Padded("", 28))
      .U8(0)
      .U8(track)
      .U8(255);
}

// The fields of a Monkey's Audio stream header.
struct MonkeyFields {
  std::string id = "MAC ";
  std::uint16_t version = 3990;
  std::uint16_t compression = 2000;
  std::uint16_t flags = 0;
  std::uint16_t channels = 2;
  std::uint32_t sampleRate = 44100;
  std::uint32_t totalFrames = 100;
  std::uint32_t finalFrameSamples = 1000;
  std::uint32_t peakLevel = 0;
  std::uint32_t seekElements = 0;
  // Newer layout only.
  std::uint32_t blocksPerFrame = 294912;
  std::uint16_t bitsPerSample = 16;
  std::uint32_t descriptorBytes = 52;
};

// The 40-byte header of files before version 3.98.
inline Bytes OldMonkeyHeader(const MonkeyFields& f) {
  return Bytes()
      .Text(f.id)
      .Le16(f.version)
      .Le16(f.compression)
      .Le16(f.flags)
      .Le16(f.channels)
      .Le32(f.sampleRate)
      .Le32(32)  // header bytes
      .Le32(0)   // terminating bytes
      .Le32(f.totalFrames)
      .Le32(f.finalFrameSamples)
      .Le32(f.peakLevel)
      .Le32(f.seekElements);
}

// The 52-byte descriptor and 24-byte header of files from version 3.98 on.
inline Bytes NewMonkeyHeader(const MonkeyFields& f) {
  Bytes descriptor;
  descriptor.Text(f.id)
      .Le16(f.version)
      .Le16(0)  // padding
      .Le32(f.descriptorBytes)
      .Le32(24)     // header bytes
      .Le32(400)    // seek table bytes
      .Le32(44)     // WAV header bytes
      .Le32(12345)  // frame data bytes, low and high
      .Le32(0)
      .Le32(0)      // terminating bytes
      .Fill(16, 0xAB);  // MD5
  if (f.descriptorBytes > descriptor.size()) descriptor.Fill(f.descriptorBytes - descriptor.size());
  return descriptor.Le16(f.compression)
      .Le16(f.flags)
      .Le32(f.blocksPerFrame)
      .Le32(f.finalFrameSamples)
      .Le32(f.totalFrames)
      .Le16(f.bitsPerSample)
      .Le16(f.channels)
      .Le32(f.sampleRate);
}

// ID3v2 tag, stream header, audio bytes up to totalSize (when given), APE tag, ID3v1 tag.
inline std::string TaggedFile(const Bytes& id3v2, const Bytes& stream, const Bytes& ape,
                              const Bytes& id3v1, std::size_t totalSize = 0) {
  Bytes file;
  file.Append(id3v2).Append(stream);
  const std::size_t tail = ape.size() + id3v1.size();
  if (totalSize > file.size() + tail) file.Fill(totalSize - file.size() - tail, 0x5A);
  file.Append(ape).Append(id3v1);
  return file.str();
}

}  // namespace monkey_test
