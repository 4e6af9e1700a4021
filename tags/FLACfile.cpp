// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/FLACfile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/File.h"
#include "tags/TagBytes.h"
#include "tags/VorbisComment.h"

namespace {

constexpr std::size_t StreamInfoBytes = 26;
// The byte values of "fLaC" add up to this.
constexpr unsigned SignatureSum = 342;
constexpr std::int64_t SignatureSize = 4;
constexpr std::int64_t BlockHeaderSize = 4;
constexpr std::uint8_t LastBlockFlag = 0x80;
constexpr std::uint8_t VorbisCommentBlock = 4;
// Real files have a handful of metadata blocks; the walk gives up after this many.
constexpr int MaxBlocks = 256;

// The bytes of one metadata block as a source for VorbisCommentFields: never past the
// block or the file.
class BlockBytes {
public:
  BlockBytes(platform::File& file, std::int64_t start, std::int64_t end) : file_(file), pos_(start), end_(end) {}

  std::size_t Read(std::uint8_t* out, std::size_t count) {
    std::memset(out, 0, count);
    const auto wanted = static_cast<std::size_t>(std::clamp<std::int64_t>(end_ - pos_, 0, static_cast<std::int64_t>(count)));
    const std::size_t got = wanted > 0 && file_.Seek(pos_) ? file_.Read(out, wanted) : 0;
    pos_ = got < wanted ? end_ : pos_ + static_cast<std::int64_t>(got);
    return got;
  }

  void Skip(std::uint64_t count) {
    pos_ += static_cast<std::int64_t>(std::min<std::uint64_t>(count, static_cast<std::uint64_t>(std::max<std::int64_t>(end_ - pos_, 0))));
  }

private:
  platform::File& file_;
  std::int64_t pos_;
  std::int64_t end_;
};

// Reads the Vorbis comments of the first VORBIS_COMMENT block among the metadata blocks
// that start at blocksAt; other blocks (pictures among them) are passed over unread.
void ReadCommentBlock(platform::File& file, std::int64_t blocksAt, std::int64_t fileSize, VorbisCommentFields& fields) {
  std::int64_t pos = blocksAt;
  for (int i = 0; i < MaxBlocks && fileSize - pos >= BlockHeaderSize; ++i) {
    std::uint8_t header[BlockHeaderSize];
    if (!file.Seek(pos) || !file.ReadExact(header, sizeof header)) return;
    const std::int64_t length = tagbytes::Be24At(header + 1);
    const std::int64_t dataAt = pos + BlockHeaderSize;
    if ((header[0] & 0x7F) == VorbisCommentBlock) {
      BlockBytes block(file, dataAt, std::min(dataAt + length, fileSize));
      fields.ReadFrom(block);
      return;
    }
    if (header[0] & LastBlockFlag) return;
    pos = dataAt + length;
  }
}

}  // namespace

TFLACfile::TFLACfile() { Clear(); }

void TFLACfile::Clear() {
  ClearBase();
  channels_ = 0;
  sampleRate_ = 0;
  bitsPerSample_ = 0;
  fileLength_ = 0;
  samples_ = 0;
  comments_ = {};
  id3v1_ = std::make_unique<TID3v1>();
  id3v2_ = std::make_unique<TID3v2>();
}

void TFLACfile::ClearFields() { Clear(); }

bool TFLACfile::ReadFrom(platform::File& file) {
  std::uint8_t b[StreamInfoBytes];
  const std::int64_t size = file.Size();
  if (size < 0) return false;
  // ID3v2 tags in front of the stream are passed over; the first one answers what the
  // Vorbis comments leave empty.
  const std::int64_t start = EndOfID3v2TagsAt(file, 0);
  if (start > 0 && !id3v2_->LoadFrom(file)) return false;
  if (!file.Seek(start) || !file.ReadExact(b, sizeof b)) {
    Clear();
    return false;
  }
  // Deliberate: any four bytes that add up like "fLaC" are taken, and the format is named
  // "FRAC"; the song list and the tag tool show that name as it is.
  if (unsigned{b[0]} + b[1] + b[2] + b[3] != SignatureSum) {
    Clear();
    return false;
  }
  fileLength_ = tagbytes::CappedTo<std::int32_t>(size);
  channels_ = static_cast<std::uint8_t>(((b[20] >> 1) & 7) + 1);
  sampleRate_ = b[18] * 4096 + b[19] * 16 + (b[20] >> 4);
  bitsPerSample_ = static_cast<std::uint8_t>((b[20] & 1) * 16 + (b[21] >> 4) + 1);
  samples_ = static_cast<std::int32_t>(tagbytes::Be32At(b + 22));
  VorbisCommentFields fields;
  ReadCommentBlock(file, start + SignatureSize, size, fields);
  comments_ = fields.Values();
  SetFileFormat("FRAC");
  return true;
}

bool TFLACfile::Valid() const {
  return channels_ > 0 && sampleRate_ > 0 && bitsPerSample_ > 0 && samples_ > 0;
}

double TFLACfile::Duration() const {
  return Valid() ? static_cast<double>(samples_) / sampleRate_ : 0.0;
}

double TFLACfile::Ratio() const {
  if (!Valid()) return 0.0;
  const double uncompressed = static_cast<double>(channels_) * samples_ * bitsPerSample_ / 8;
  return fileLength_ / uncompressed * 100;
}

const PropertyTable& TFLACfile::Properties() const {
  using T = TFLACfile;
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      WithCommentProperties({
          Published<T>("Channels", PropKind::Byte, &T::Channels),
          Published<T>("SampleRate", PropKind::Integer, &T::SampleRate),
          Published<T>("BitsPerSample", PropKind::Byte, &T::BitsPerSample),
          Published<T>("FileLength", PropKind::Integer, &T::FileLength),
          Published<T>("Samples", PropKind::Integer, &T::Samples),
          Published<T>("ID3v1", PropKind::Object, &T::ID3v1),
          Published<T>("ID3v2", PropKind::Object, &T::ID3v2),
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("Ratio", PropKind::Double, &T::Ratio),
      }, {}));
  return table;
}
