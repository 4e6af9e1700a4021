// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/WAVfile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::size_t FixedHeaderBytes = 40;
constexpr std::int64_t FormatDataOffset = 20;
// Real files have a handful of chunks before the sample data; this bounds the walk
// through a crafted file of tiny chunks.
constexpr int MaxChunksBeforeData = 4096;

using tagbytes::Le16At;
using tagbytes::Le32At;

bool IdAt(const std::uint8_t* bytes, const char* id) { return std::memcmp(bytes, id, 4) == 0; }

void DecodeFixedHeader(TWAVHeader& h) {
  h.riffSize = Le32At(h.bytes + 4);
  h.formatSize = Le32At(h.bytes + 16);
  h.formatID = Le16At(h.bytes + 20);
  h.channels = Le16At(h.bytes + 22);
  h.sampleRate = Le32At(h.bytes + 24);
  h.bytesPerSecond = Le32At(h.bytes + 28);
  h.blockAlign = Le16At(h.bytes + 32);
  h.bitsPerSample = Le16At(h.bytes + 34);
}

// Walks the chunks that follow the format chunk up to the "data" chunk, taking the sample
// count of a "fact" chunk on the way. Chunks are padded to an even size. False when not
// even one chunk identifier follows the format chunk.
bool ReadChunksAfterFormat(platform::File& file, TWAVHeader& h) {
  const std::int64_t size = file.Size();
  std::int64_t offset = FormatDataOffset + h.formatSize + (h.formatSize & 1u);
  bool sawChunk = false;
  for (int n = 0; n < MaxChunksBeforeData && offset < size; ++n) {
    std::uint8_t chunk[8] = {};
    if (!file.Seek(offset)) break;
    const std::size_t got = file.Read(chunk, sizeof chunk);
    if (got < 4) break;
    sawChunk = true;
    if (IdAt(chunk, "data")) {
      h.dataOffset = offset + 8;
      break;
    }
    if (got < sizeof chunk) break;
    const std::uint32_t chunkSize = Le32At(chunk + 4);
    if (IdAt(chunk, "fact") && chunkSize >= 4) {
      std::uint8_t count[4];
      if (file.ReadExact(count, sizeof count)) h.sampleCount = static_cast<std::int32_t>(Le32At(count));
    }
    offset += 8 + static_cast<std::int64_t>(chunkSize) + (chunkSize & 1u);
  }
  return sawChunk;
}

}  // namespace

TWAVfile::TWAVfile() { Clear(); }

void TWAVfile::Clear() {
  ClearBase();
  valid_ = false;
  formatID_ = 0;
  channelNumber_ = 0;
  sampleRate_ = 0;
  bytesPerSecond_ = 0;
  blockAlign_ = 0;
  bitsPerSample_ = 0;
  sampleNumber_ = 0;
  headerSize_ = 0;
  fileSize_ = 0;
}

bool TWAVfile::WaveHeaderValid(const TWAVHeader& header) {
  return IdAt(header.bytes, "RIFF") && IdAt(header.bytes + 8, "WAVE") &&
         IdAt(header.bytes + 12, "fmt ") && (header.channels == 1 || header.channels == 2);
}

bool TWAVfile::ReadRiffHeader(platform::File& file, TWAVHeader& header) {
  if (!file.Seek(0) || !file.ReadExact(header.bytes, FixedHeaderBytes)) return false;
  DecodeFixedHeader(header);
  if (!WaveHeaderValid(header)) return false;
  return ReadChunksAfterFormat(file, header);
}

void TWAVfile::ClearFields() { Clear(); }

bool TWAVfile::ReadFrom(platform::File& file) {
  TWAVHeader header;
  if (!ReadRiffHeader(file, header)) return false;
  valid_ = true;
  formatID_ = header.formatID;
  channelNumber_ = static_cast<std::uint8_t>(header.channels);
  sampleRate_ = header.sampleRate;
  bytesPerSecond_ = header.bytesPerSecond;
  blockAlign_ = header.blockAlign;
  bitsPerSample_ = static_cast<std::uint8_t>(std::min<std::uint16_t>(header.bitsPerSample, 255));
  sampleNumber_ = header.sampleCount;

  // Without a "data" chunk the sample data is taken to follow a chunk header after the
  // format chunk.
  const std::int64_t dataOffset =
      header.dataOffset > 0 ? header.dataOffset : static_cast<std::int64_t>(header.formatSize) + 40;
  const std::int64_t fileSize = static_cast<std::int64_t>(header.riffSize) + 8;
  fileSize_ = tagbytes::CappedTo<std::uint32_t>(fileSize);
  const std::int64_t headerSize = std::min<std::int64_t>(dataOffset, fileSize_);
  headerSize_ = tagbytes::CappedTo<std::uint16_t>(headerSize);
  SetFileFormat("WAV");
  return true;
}

std::string TWAVfile::Format() const {
  switch (formatID_) {
    case 1: return "Windows PCM";
    case 2: return "Microsoft ADPCM";
    case 6: return "A-LAW";
    case 7: return "MU-LAW";
    case 17: return "DVI/IMA ADPCM";
    case 85: return "MPEG Layer III";
    default: return {};
  }
}

std::string TWAVfile::ChannelMode() const {
  static const char* const names[] = {"Unknown", "Mono", "Stereo"};
  return channelNumber_ < std::size(names) ? names[channelNumber_] : "Unknown";
}

double TWAVfile::Duration() const {
  if (!valid_) return 0.0;
  if (sampleNumber_ > 0 && sampleRate_ > 0) {
    return static_cast<double>(sampleNumber_) / sampleRate_;
  }
  if (sampleNumber_ == 0 && bytesPerSecond_ > 0) {
    return (static_cast<double>(fileSize_) - headerSize_) / bytesPerSecond_;
  }
  return 0.0;
}

const PropertyTable& TWAVfile::Properties() const {
  using T = TWAVfile;
  static const PropertyTable table = DeriveProperties(
      TsMediaTag::BaseProperties(),
      {
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
          Published<T>("FormatID", PropKind::Word, &T::FormatID),
          Published<T>("Format", PropKind::ByteString, &T::Format),
          Published<T>("ChannelNumber", PropKind::Byte, &T::ChannelNumber),
          Published<T>("ChannelMode", PropKind::ByteString, &T::ChannelMode),
          Published<T>("SampleRate", PropKind::Cardinal, &T::SampleRate),
          Published<T>("BytesPerSecond", PropKind::Cardinal, &T::BytesPerSecond),
          Published<T>("BlockAlign", PropKind::Word, &T::BlockAlign),
          Published<T>("BitsPerSample", PropKind::Byte, &T::BitsPerSample),
          Published<T>("HeaderSize", PropKind::Word, &T::HeaderSize),
          Published<T>("FileSize", PropKind::Cardinal, &T::FileSize),
          Published<T>("Duration", PropKind::Double, &T::Duration),
      });
  return table;
}
