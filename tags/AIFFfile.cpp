// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/AIFFfile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/File.h"
#include "tags/LegacyText.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::int64_t FormHeaderSize = 12;  // "FORM", size, form type
constexpr std::int64_t ChunkHeaderSize = 8;
constexpr std::size_t CommonBytes = 22;       // AIFF-C's common chunk up to its compression type
constexpr std::size_t PlainCommonBytes = 18;  // AIFF's common chunk
// A text chunk contributes at most this many bytes.
constexpr std::size_t TextChunkLimit = 4096;
// Real files have a handful of chunks; the walk gives up after this many.
constexpr int MaxChunks = 1024;

bool IdIs(const std::uint8_t* bytes, const char* id) { return std::memcmp(bytes, id, 4) == 0; }

// Text of a text chunk: up to a zero byte, trimmed, as code page 932.
std::string ChunkText(platform::File& file, std::int64_t at, std::int64_t length) {
  if (!file.Seek(at)) return {};
  const std::vector<std::uint8_t> bytes = file.ReadBytes(static_cast<std::size_t>(std::min<std::int64_t>(length, TextChunkLimit)));
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return std::string(tagbytes::TrimControl(tags::LegacyTextToCp932(tagbytes::TextBeforeZero(text))));
}

}  // namespace

double TAIFFfile::ExtendedToDouble(const std::uint8_t* bytes) {
  const int exponent = ((bytes[0] & 0x7F) << 8) | bytes[1];
  const std::uint64_t mantissa = tagbytes::Be64At(bytes + 2);
  if (mantissa == 0 || exponent == 0x7FFF) return 0.0;
  const double value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  if (!std::isfinite(value)) return 0.0;
  return (bytes[0] & 0x80) ? -value : value;
}

TAIFFfile::TAIFFfile() { Clear(); }

void TAIFFfile::Clear() {
  ClearBase();
  channels_ = 0;
  sampleFrames_ = 0;
  bitsPerSample_ = 0;
  sampleRate_ = 0;
  compression_.clear();
  fileSize_ = 0;
  soundBytes_ = 0;
  hasID3_ = false;
  title_.clear();
  artist_.clear();
  comment_.clear();
  id3v2_ = std::make_unique<TID3v2>();
}

void TAIFFfile::ClearFields() { Clear(); }

bool TAIFFfile::ReadFrom(platform::File& file) {
  std::uint8_t head[FormHeaderSize];
  const std::int64_t size = file.Size();
  if (size < 0 || !file.Seek(0) || !file.ReadExact(head, sizeof head)) return false;
  if (!IdIs(head, "FORM")) return false;
  const bool aifc = IdIs(head + 8, "AIFC");
  if (!aifc && !IdIs(head + 8, "AIFF")) return false;
  fileSize_ = tagbytes::CappedTo<std::int32_t>(size);
  compression_ = "NONE";
  // The container's size may lie (a file cut short, or grown): the file's end bounds the walk.
  const std::int64_t end = std::min<std::int64_t>(size, ChunkHeaderSize + std::int64_t{tagbytes::Be32At(head + 4)});
  std::int64_t pos = FormHeaderSize;
  std::string annotation;
  for (int i = 0; i < MaxChunks && end - pos >= ChunkHeaderSize; ++i) {
    std::uint8_t chunk[ChunkHeaderSize];
    if (!file.Seek(pos) || !file.ReadExact(chunk, sizeof chunk)) break;
    const std::int64_t at = pos + ChunkHeaderSize;
    const std::int64_t declared = tagbytes::Be32At(chunk + 4);
    const std::int64_t length = std::min(declared, end - at);
    const char id[5] = {static_cast<char>(chunk[0]), static_cast<char>(chunk[1]), static_cast<char>(chunk[2]),
                        static_cast<char>(chunk[3]), '\0'};
    ReadChunk(file, id, at, length, aifc);
    // Chunks are padded to an even length.
    pos = at + declared + (declared & 1);
  }
  if (hasID3_) {
    title_.clear();
    artist_.clear();
    comment_.clear();
  }
  SetFileFormat(aifc ? "AIFC" : "AIFF");
  return true;
}

void TAIFFfile::ReadChunk(platform::File& file, const char* id, std::int64_t at, std::int64_t length, bool aifc) {
  const auto* raw = reinterpret_cast<const std::uint8_t*>(id);
  if (IdIs(raw, "COMM")) {
    std::uint8_t common[CommonBytes] = {};
    const std::size_t needed = aifc ? CommonBytes : PlainCommonBytes;
    if (length < static_cast<std::int64_t>(needed) || !file.Seek(at) || !file.ReadExact(common, needed)) return;
    channels_ = tagbytes::Be16At(common);
    sampleFrames_ = tagbytes::Be32At(common + 2);
    bitsPerSample_ = tagbytes::Be16At(common + 6);
    sampleRate_ = ExtendedToDouble(common + 8);
    if (aifc) compression_.assign(reinterpret_cast<const char*>(common + 18), 4);
  } else if (IdIs(raw, "SSND")) {
    soundBytes_ = std::max<std::int64_t>(length - 8, 0);  // after the offset and block size fields
  } else if (IdIs(raw, "ID3 ") || IdIs(raw, "id3 ")) {
    if (!hasID3_ && id3v2_->LoadFromRange(file, at, length)) hasID3_ = true;
  } else if (IdIs(raw, "NAME")) {
    if (title_.empty()) title_ = ChunkText(file, at, length);
  } else if (IdIs(raw, "AUTH")) {
    if (artist_.empty()) artist_ = ChunkText(file, at, length);
  } else if (IdIs(raw, "ANNO")) {
    if (comment_.empty()) comment_ = ChunkText(file, at, length);
  }
}

std::uint32_t TAIFFfile::SampleRate() const {
  if (!(sampleRate_ > 0) || sampleRate_ >= 4294967295.0) return 0;
  return static_cast<std::uint32_t>(std::nearbyint(sampleRate_));
}

bool TAIFFfile::Valid() const { return channels_ > 0 && bitsPerSample_ > 0 && sampleRate_ > 0; }

double TAIFFfile::Duration() const {
  if (!(sampleRate_ > 0)) return 0.0;
  return sampleFrames_ / sampleRate_;
}

bool TAIFFfile::Compressed() const { return compression_ != "NONE" && compression_ != "sowt"; }

std::uint16_t TAIFFfile::BitRate() const {
  using tagbytes::RoundToWord;
  if (!Valid()) return 0;
  if (!Compressed()) {
    return RoundToWord(sampleRate_ * channels_ * bitsPerSample_ / 1000.0, tagbytes::WordOverflow::Clamp);
  }
  const double duration = Duration();
  if (!(duration > 0)) return 0;
  return RoundToWord(soundBytes_ * 8.0 / duration / 1000.0, tagbytes::WordOverflow::Clamp);
}

const PropertyTable& TAIFFfile::Properties() const {
  using T = TAIFFfile;
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<T>("Channels", PropKind::Word, &T::Channels),
          Published<T>("SampleFrames", PropKind::Cardinal, &T::SampleFrames),
          Published<T>("BitsPerSample", PropKind::Word, &T::BitsPerSample),
          Published<T>("SampleRate", PropKind::Cardinal, &T::SampleRate),
          Published<T>("Compression", PropKind::ByteString, &T::Compression),
          Published<T>("FileSize", PropKind::Integer, &T::FileSize),
          Published<T>("ID3v2", PropKind::Object, &T::ID3v2),
          Published<T>("Title", PropKind::ByteString, &T::Title),
          Published<T>("Artist", PropKind::ByteString, &T::Artist),
          Published<T>("Comment", PropKind::ByteString, &T::Comment),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("BitRate", PropKind::Word, &T::BitRate),
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
      });
  return table;
}
