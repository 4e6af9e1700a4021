// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/OggVorbis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "tags/TagBytes.h"
#include "tags/VorbisComment.h"

namespace {

// "OggS", version, flags, granule position, serial, sequence, checksum, segment count and
// the largest segment table.
constexpr std::size_t PageHeaderSize = 282;
constexpr std::size_t SegmentCountOffset = 26;
constexpr std::size_t SegmentTableOffset = 27;
constexpr std::size_t GranuleOffset = 6;
constexpr std::size_t IdentificationSize = 30;
constexpr std::size_t PacketSignatureSize = 7;
// The end-of-file search for the last page covers 50 blocks of 241 bytes plus 10.
constexpr std::int64_t LastPageSearchSpan = 50 * 241 + 10;
constexpr std::int64_t LastPageSearchTail = 10;

struct FileInfo {
  std::int64_t fileSize = 0;
  std::int32_t id3v2Size = 0;
  std::uint8_t channels = 0;
  std::uint32_t sampleRate = 0;
  std::int32_t bitRateNominal = 0;
  std::int32_t samples = 0;
  VorbisCommentFields comments;
};

using tagbytes::Le32At;

// Reads count bytes at position; what the file does not hold stays zero.
void ReadZeroFilled(platform::File& file, std::int64_t position, std::uint8_t* out, std::size_t count) {
  std::memset(out, 0, count);
  if (position >= 0 && file.Seek(position)) file.Read(out, count);
}

bool HasPacketSignature(const std::uint8_t* bytes, std::uint8_t packetType) {
  return bytes[0] == packetType && std::memcmp(bytes + 1, "vorbis", 6) == 0;
}

// Rounds to the nearest integer, halves to even, and keeps the low 16 bits.
std::uint16_t RoundToWord(double value) { return tagbytes::RoundToWord(value, tagbytes::WordOverflow::KeepLow16); }

std::int32_t LeadingTagSize(platform::File& file, std::int64_t fileSize) {
  std::uint8_t header[10];
  ReadZeroFilled(file, 0, header, sizeof header);
  if (std::memcmp(header, "ID3", 3) != 0) return 0;
  // The size bytes are taken whole, as the tag's writer may not have kept them 7-bit.
  std::int64_t size = std::int64_t{tagbytes::Syncsafe32At(header + 6)} + 10;
  if (header[5] & 0x10) size += 10;
  return size > fileSize ? 0 : static_cast<std::int32_t>(size);
}

}  // namespace

std::u16string TOggVorbis::DecodeCommentUtf8(std::string_view bytes) { return VorbisCommentFields::DecodeUtf8(bytes); }

std::int32_t TOggVorbis::TrackFromText(std::string_view text) { return VorbisCommentFields::TrackFromText(text); }

namespace {

// The comment packet, reassembled from the segments of the pages it spans: a packet goes on
// while its lacing values are 255, into the next page when that page is flagged as
// continuing a packet. Everything stays inside the file; bytes past the packet's end are
// not part of it.
class PacketReader {
public:
  // pageAt: the page whose first segment starts the packet.
  PacketReader(platform::File& file, std::int64_t fileSize, std::int64_t pageAt)
      : file_(file), fileSize_(fileSize) {
    LoadPage(pageAt, false);
  }

  // Up to count bytes of the packet into out, the rest of out zero; returns the bytes read.
  std::size_t Read(std::uint8_t* out, std::size_t count) {
    std::memset(out, 0, count);
    std::size_t done = 0;
    while (done < count && Available()) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, spanLeft_));
      const std::size_t got = file_.Seek(spanAt_) ? file_.Read(out + done, n) : 0;
      done += got;
      Advance(got);
      if (got < n) {
        ended_ = true;
        break;
      }
    }
    return done;
  }

  // Passes over count bytes of the packet without reading them.
  void Skip(std::uint64_t count) {
    while (count > 0 && Available()) {
      const std::uint64_t n = std::min(count, spanLeft_);
      Advance(n);
      count -= n;
    }
  }

private:
  // True when bytes of the packet are left, loading the next page when this one is used up.
  bool Available() {
    while (!ended_ && spanLeft_ == 0) {
      if (!continues_) {
        ended_ = true;
      } else {
        LoadPage(nextPageAt_, true);
      }
    }
    return !ended_;
  }

  void Advance(std::uint64_t count) {
    spanAt_ += static_cast<std::int64_t>(count);
    spanLeft_ -= count;
  }

  void LoadPage(std::int64_t pageAt, bool mustContinue) {
    constexpr std::uint8_t ContinuedPacketFlag = 1;
    std::uint8_t header[PageHeaderSize];
    spanLeft_ = 0;
    continues_ = false;
    if (pageAt < 0 || fileSize_ - pageAt < static_cast<std::int64_t>(SegmentTableOffset)) {
      ended_ = true;
      return;
    }
    ReadZeroFilled(file_, pageAt, header, sizeof header);
    if (std::memcmp(header, "OggS", 4) != 0 || (mustContinue && !(header[5] & ContinuedPacketFlag))) {
      ended_ = true;
      return;
    }
    const std::size_t segments = header[SegmentCountOffset];
    std::uint64_t packetBytes = 0;
    std::uint64_t pageBytes = 0;
    bool packetEnds = false;
    for (std::size_t i = 0; i < segments; ++i) {
      const std::uint8_t lacing = header[SegmentTableOffset + i];
      if (!packetEnds) packetBytes += lacing;
      pageBytes += lacing;
      if (lacing < 255) packetEnds = true;
    }
    spanAt_ = pageAt + static_cast<std::int64_t>(SegmentTableOffset + segments);
    const auto inFile = static_cast<std::uint64_t>(std::max<std::int64_t>(fileSize_ - spanAt_, 0));
    spanLeft_ = std::min(packetBytes, inFile);
    continues_ = !packetEnds && pageBytes < inFile;
    nextPageAt_ = spanAt_ + static_cast<std::int64_t>(pageBytes);
  }

  platform::File& file_;
  std::int64_t fileSize_;
  std::int64_t spanAt_ = 0;       // file position of the next packet byte on this page
  std::uint64_t spanLeft_ = 0;    // packet bytes left on this page
  std::int64_t nextPageAt_ = 0;
  bool continues_ = false;        // the packet goes on in the next page
  bool ended_ = false;
};

// The granule position of the last page whose header starts in the final stretch of the file,
// searched backwards from 10 bytes before the end; 0 when there is none.
std::int32_t LastGranulePosition(platform::File& file, std::int64_t fileSize) {
  const std::int64_t highest = fileSize - LastPageSearchTail;
  if (highest < 0) return 0;
  const std::int64_t start = fileSize > LastPageSearchSpan ? fileSize - LastPageSearchSpan : 0;
  std::vector<std::uint8_t> tail(static_cast<std::size_t>(fileSize - start));
  if (!file.Seek(start)) return 0;
  tail.resize(file.Read(tail.data(), tail.size()));
  for (std::int64_t at = highest - start; at >= 0; --at) {
    const std::size_t offset = static_cast<std::size_t>(at);
    if (offset + GranuleOffset + 4 > tail.size()) continue;
    if (std::memcmp(&tail[offset], "OggS", 4) == 0) {
      return static_cast<std::int32_t>(Le32At(&tail[offset + GranuleOffset]));
    }
  }
  return 0;
}

// Fills info from the first two pages and the last one. False when the first page does not
// carry a Vorbis identification header.
bool ReadStreamInfo(platform::File& file, FileInfo& info) {
  info.fileSize = file.Size();
  if (info.fileSize < 0) return false;
  info.id3v2Size = LeadingTagSize(file, info.fileSize);

  std::uint8_t page[PageHeaderSize];
  ReadZeroFilled(file, info.id3v2Size, page, sizeof page);
  if (std::memcmp(page, "OggS", 4) != 0) return false;

  const std::int64_t identificationAt = info.id3v2Size + SegmentTableOffset + page[SegmentCountOffset];
  std::uint8_t identification[IdentificationSize];
  ReadZeroFilled(file, identificationAt, identification, sizeof identification);
  if (!HasPacketSignature(identification, 1)) return false;
  info.channels = identification[11];
  info.sampleRate = Le32At(identification + 12);
  info.bitRateNominal = static_cast<std::int32_t>(Le32At(identification + 20));

  // The identification packet fills the first page alone, so the second page follows it.
  const std::int64_t secondPageAt = identificationAt + IdentificationSize;
  PacketReader comments(file, info.fileSize, secondPageAt);
  std::uint8_t signature[PacketSignatureSize];
  comments.Read(signature, sizeof signature);
  if (HasPacketSignature(signature, 3)) info.comments.ReadFrom(comments);

  info.samples = LastGranulePosition(file, info.fileSize);
  return true;
}

}  // namespace

TOggVorbis::TOggVorbis() { Clear(); }

void TOggVorbis::Clear() {
  ClearBase();
  fileSize_ = 0;
  channelModeID_ = 0;
  sampleRate_ = 0;
  bitRateNominal_ = 0;
  samples_ = 0;
  id3v2Size_ = 0;
  comments_ = {};
}

void TOggVorbis::ClearFields() { Clear(); }

bool TOggVorbis::ReadFrom(platform::File& file) {
  FileInfo info;
  if (!ReadStreamInfo(file, info)) return false;
  fileSize_ = tagbytes::CappedTo<std::int32_t>(info.fileSize);
  samples_ = info.samples;
  id3v2Size_ = info.id3v2Size;
  channelModeID_ = info.channels;
  sampleRate_ = info.sampleRate;
  bitRateNominal_ = RoundToWord(info.bitRateNominal / 1000.0);
  comments_ = info.comments.Values();
  SetFileFormat("OggVorbis");
  return true;
}

std::string TOggVorbis::ChannelMode() const {
  static const char* const names[] = {"Unknown", "Mono", "Stereo"};
  return channelModeID_ < 3 ? names[channelModeID_] : names[0];
}

double TOggVorbis::Duration() const {
  if (samples_ > 0) return sampleRate_ == 0 ? 0.0 : static_cast<double>(samples_) / sampleRate_;
  if (bitRateNominal_ > 0 && channelModeID_ > 0) {
    return static_cast<double>(fileSize_ - id3v2Size_) / bitRateNominal_ / channelModeID_ / 125 * 2;
  }
  return 0.0;
}

std::uint16_t TOggVorbis::BitRate() const {
  const double duration = Duration();
  if (duration <= 0) return 0;
  return RoundToWord(static_cast<double>(fileSize_ - id3v2Size_) / duration / 125);
}

bool TOggVorbis::Valid() const {
  return (channelModeID_ == 1 || channelModeID_ == 2) && sampleRate_ != 0 && Duration() > 0.1 &&
         BitRate() != 0;
}

const PropertyTable& TOggVorbis::Properties() const {
  using T = TOggVorbis;
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      WithCommentProperties({
          Published<T>("FileSize", PropKind::Integer, &T::FileSize),
          Published<T>("ChannelModeID", PropKind::Byte, &T::ChannelModeID),
          Published<T>("ChannelMode", PropKind::ByteString, &T::ChannelMode),
          Published<T>("SampleRate", PropKind::Cardinal, &T::SampleRate),
          Published<T>("BitRateNominal", PropKind::Word, &T::BitRateNominal),
      }, {
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("BitRate", PropKind::Word, &T::BitRate),
          Published<T>("ID3v2", PropKind::Boolean, &T::ID3v2),
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
      }));
  return table;
}
