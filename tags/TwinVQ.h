// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TwinVQ (.vqf, .svf) files: the fixed header and the named text chunks after it.
#include <cstdint>
#include <string>

#include "tags/sMediaTag.h"

// The first 40 bytes of the file with the values taken from them, and the texts of the chunks.
struct TTwinVQHeader {
  std::uint8_t bytes[40] = {};
  std::uint16_t headerSize = 0;
  std::uint16_t channelMode = 0;
  std::uint16_t bitRate = 0;
  std::uint16_t sampleRateCode = 0;
  std::int64_t fileSize = 0;
  std::string title, comment, author, copyright, originalFile, album;
};

class TTwinVQ : public TsMediaTag {
public:
  // Chunk data beyond this many bytes is passed over.
  static constexpr std::size_t TextChunkLimit = 250;

  TTwinVQ();

  const PropertyTable& Properties() const override;

  // True when 40 bytes were read; also takes the file size.
  static bool ReadStreamHeader(platform::File& file, TTwinVQHeader& header);
  static void ReadTextChunks(platform::File& file, TTwinVQHeader& header);
  // True for an identifier with a control byte, and for "DATA".
  static bool AtChunkListEnd(const std::uint8_t* chunkId);
  static void StoreTextChunk(const std::uint8_t* chunkId, const std::string& text,
                             TTwinVQHeader& header);

  bool Valid() const { return valid_; }
  std::uint8_t ChannelModeID() const { return channelModeID_; }
  std::string ChannelMode() const;
  std::uint8_t BitRate() const { return bitRate_; }
  std::uint16_t SampleRate() const { return sampleRate_; }
  std::uint32_t FileSize() const { return fileSize_; }
  double Duration() const { return duration_; }
  const std::string& Title() const { return title_; }
  const std::string& Comment() const { return comment_; }
  const std::string& Author() const { return author_; }
  const std::string& Copyright() const { return copyright_; }
  const std::string& OriginalFile() const { return originalFile_; }
  const std::string& Album() const { return album_; }
  bool Corrupted() const;

private:
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  void Clear();

  bool valid_ = false;
  std::uint8_t channelModeID_ = 0;
  std::uint8_t bitRate_ = 0;
  std::uint16_t sampleRate_ = 0;
  std::uint32_t fileSize_ = 0;
  double duration_ = 0.0;
  std::string title_, comment_, author_, copyright_, originalFile_, album_;
};
