// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/TwinVQ.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::int64_t FirstChunkOffset = 16;
constexpr std::size_t ChunkHeaderBytes = 8;

// The low 16 bits of the big-endian 32-bit value at offset.
std::uint16_t Low16OfBe32(const std::uint8_t* bytes, std::size_t offset) {
  return tagbytes::Be16At(bytes + offset + 2);
}

std::uint16_t SampleRateFromCode(std::uint16_t code) {
  switch (code) {
    case 11: return 11025;
    case 22: return 22050;
    case 44: return 44100;
    default: return static_cast<std::uint16_t>(code * 1000u);
  }
}

bool SameId(const std::uint8_t* id, const char* name) { return std::memcmp(id, name, 4) == 0; }

}  // namespace

TTwinVQ::TTwinVQ() { Clear(); }

void TTwinVQ::Clear() {
  ClearBase();
  valid_ = false;
  channelModeID_ = 0;
  bitRate_ = 0;
  sampleRate_ = 0;
  fileSize_ = 0;
  duration_ = 0.0;
  title_.clear();
  comment_.clear();
  author_.clear();
  copyright_.clear();
  originalFile_.clear();
  album_.clear();
}

bool TTwinVQ::ReadStreamHeader(platform::File& file, TTwinVQHeader& header) {
  if (!file.Seek(0)) return false;
  const std::size_t got = file.Read(header.bytes, sizeof header.bytes);
  header.fileSize = file.Size();
  if (got != sizeof header.bytes || header.fileSize < 0) return false;
  header.headerSize = Low16OfBe32(header.bytes, 12);
  header.channelMode = Low16OfBe32(header.bytes, 24);
  header.bitRate = Low16OfBe32(header.bytes, 28);
  header.sampleRateCode = Low16OfBe32(header.bytes, 32);
  return true;
}

bool TTwinVQ::AtChunkListEnd(const std::uint8_t* chunkId) {
  for (int i = 0; i < 4; ++i) {
    if (chunkId[i] < 32) return true;
  }
  return SameId(chunkId, "DATA");
}

void TTwinVQ::StoreTextChunk(const std::uint8_t* chunkId, const std::string& text,
                             TTwinVQHeader& header) {
  if (SameId(chunkId, "NAME")) header.title = text;
  else if (SameId(chunkId, "COMT")) header.comment = text;
  else if (SameId(chunkId, "AUTH")) header.author = text;
  else if (SameId(chunkId, "(c) ")) header.copyright = text;
  else if (SameId(chunkId, "FILE")) header.originalFile = text;
  else if (SameId(chunkId, "ALBM")) header.album = text;
}

void TTwinVQ::ReadTextChunks(platform::File& file, TTwinVQHeader& header) {
  const std::int64_t size = file.Size();
  if (!file.Seek(FirstChunkOffset)) return;
  // Every chunk moves the position forward by at least its 8-byte header, so the walk
  // ends at the end of the file.
  while (file.Position() < size) {
    std::uint8_t chunk[ChunkHeaderBytes];
    if (!file.ReadExact(chunk, sizeof chunk) || AtChunkListEnd(chunk)) return;
    const std::uint16_t dataSize = Low16OfBe32(chunk, 4);
    const std::size_t kept = std::min<std::size_t>(dataSize, TextChunkLimit);
    std::string text(TextChunkLimit, '\0');
    if (!file.ReadExact(text.data(), kept)) return;
    StoreTextChunk(chunk, text, header);
    if (!file.Seek(file.Position() + (dataSize - kept))) return;
  }
}

void TTwinVQ::ClearFields() { Clear(); }

bool TTwinVQ::ReadFrom(platform::File& file) {
  TTwinVQHeader header;
  if (!ReadStreamHeader(file, header) || std::memcmp(header.bytes, "TWIN", 4) != 0) return false;
  valid_ = true;
  channelModeID_ = header.channelMode == 0 ? 1 : header.channelMode == 1 ? 2 : 0;
  bitRate_ = static_cast<std::uint8_t>(header.bitRate & 0xFF);
  sampleRate_ = SampleRateFromCode(header.sampleRateCode);
  fileSize_ = tagbytes::CappedTo<std::uint32_t>(header.fileSize);
  // A bit rate of 0 leaves the duration unknown, reported as 0.
  if (header.bitRate != 0) {
    const double payload = std::fabs(static_cast<double>(fileSize_) - header.headerSize - 20.0);
    duration_ = payload / 125.0 / header.bitRate;
  }
  ReadTextChunks(file, header);
  title_ = tagbytes::Trimmed(header.title);
  comment_ = tagbytes::Trimmed(header.comment);
  author_ = tagbytes::Trimmed(header.author);
  copyright_ = tagbytes::Trimmed(header.copyright);
  originalFile_ = tagbytes::Trimmed(header.originalFile);
  album_ = tagbytes::Trimmed(header.album);
  SetFileFormat("TwinVQ");
  return true;
}

std::string TTwinVQ::ChannelMode() const {
  static const char* const names[] = {"Unknown", "Mono", "Stereo"};
  return channelModeID_ < std::size(names) ? names[channelModeID_] : "Unknown";
}

bool TTwinVQ::Corrupted() const {
  if (!valid_) return false;
  const bool plausible = channelModeID_ != 0 && bitRate_ >= 8 && bitRate_ <= 192 &&
                         sampleRate_ >= 8000 && sampleRate_ <= 44100 && duration_ >= 0.1 &&
                         duration_ <= 10000.0;
  return !plausible;
}

const PropertyTable& TTwinVQ::Properties() const {
  using T = TTwinVQ;
  static const PropertyTable table = DeriveProperties(
      TsMediaTag::BaseProperties(),
      {
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
          Published<T>("ChannelModeID", PropKind::Byte, &T::ChannelModeID),
          Published<T>("ChannelMode", PropKind::ByteString, &T::ChannelMode),
          Published<T>("BitRate", PropKind::Byte, &T::BitRate),
          Published<T>("SampleRate", PropKind::Word, &T::SampleRate),
          Published<T>("FileSize", PropKind::Cardinal, &T::FileSize),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("Title", PropKind::ByteString, &T::Title),
          Published<T>("Comment", PropKind::ByteString, &T::Comment),
          Published<T>("Author", PropKind::ByteString, &T::Author),
          Published<T>("Copyright", PropKind::ByteString, &T::Copyright),
          Published<T>("OriginalFile", PropKind::ByteString, &T::OriginalFile),
          Published<T>("Album", PropKind::ByteString, &T::Album),
          Published<T>("Corrupted", PropKind::Boolean, &T::Corrupted),
      });
  return table;
}
