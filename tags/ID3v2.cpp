// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/ID3v2.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "tags/ID3v1.h"
#include "tags/LegacyText.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::size_t HeaderSize = 10;
// A frame contributes at most this many bytes of its data.
constexpr std::size_t FrameDataLimit = 20480;
// Total size of a tag written into a rebuilt file (unless the frames need more).
constexpr std::int64_t RebuiltTagSize = 4096;
// Largest tag size a syncsafe number can hold.
constexpr std::int64_t MaxSyncsafe = (std::int64_t{1} << 28) - 1;
constexpr std::uint8_t FooterFlag = 0x10;
constexpr std::uint8_t CompressedFrameFlag = 0x80;

enum Slot {
  TitleSlot, ArtistSlot, AlbumSlot, TrackSlot, YearSlot, GenreSlot, CommentSlot, ComposerSlot,
  EncoderSlot, CopyrightSlot, LanguageSlot, LinkSlot, RecordingTimeSlot, OriginalArtistSlot,
  ContentGroupSlot, OriginalAlbumSlot, LyricsSlot, SyncedLyricsSlot, SlotCount
};

struct FrameIds {
  const char* v3;  // versions 2.3 and 2.4
  const char* v2;  // version 2.2
};

constexpr std::array<FrameIds, SlotCount> SlotIds = {{
    {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TRCK", "TRK"}, {"TYER", "TYE"},
    {"TCON", "TCO"}, {"COMM", "COM"}, {"TCOM", "TCM"}, {"TENC", "TEN"}, {"TCOP", "TCR"},
    {"TLAN", "TLA"}, {"WXXX", "WXX"}, {"TDRC", "TOR"}, {"TOPE", "TOA"}, {"TIT1", "TT1"},
    {"TOAL", "TOT"}, {"USLT", "ULT"}, {"SYLT", "SLT"},
}};

using FrameTexts = std::array<std::string, SlotCount>;

enum TextEncoding : std::uint8_t { Latin = 0, Utf16WithBom = 1, Utf16BigEndian = 2, Utf8 = 3 };

std::uint8_t Byte(std::string_view bytes, std::size_t index) {
  return index < bytes.size() ? static_cast<std::uint8_t>(bytes[index]) : 0;
}

// ---------------------------------------------------------------------------------------
// Text helpers

using tagbytes::TrimControl;

// Single-byte text: trimmed, and ended at an inner zero byte (a terminator followed by
// leftovers or further values).
std::string PlainText(std::string_view bytes) { return std::string(tagbytes::TextBeforeZero(bytes)); }

// Text of a frame flagged as Latin-1: Japanese taggers write Shift_JIS there, which is kept
// as it is; real Latin-1 and UTF-8 are converted (LegacyTextToCp932).
std::string LatinFlaggedText(std::string_view bytes) {
  return std::string(TrimControl(tags::LegacyTextToCp932(tagbytes::TextBeforeZero(bytes))));
}

// Wide text as the program's text: byte-order marks dropped, a lone CR made CR LF.
std::string WideText(std::u16string_view units) {
  std::u16string text;
  text.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t unit = units[i];
    if (unit == 0) break;
    if (unit == u'\uFEFF') continue;
    text.push_back(unit);
    bool followedByLf = i + 1 < units.size() && units[i + 1] == u'\n';
    if (unit == u'\r' && !followedByLf) text.push_back(u'\n');
  }
  return std::string(TrimControl(platform::Utf16ToCp932(text)));
}

// UTF-16 units up to the first zero unit; a leading byte-order mark decides the byte order,
// otherwise the given default holds. A missing last byte counts as zero.
std::u16string Utf16Units(std::string_view bytes, bool bigEndian) {
  std::size_t pos = 0;
  if (Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE) {
    bigEndian = false;
    pos = 2;
  } else if (Byte(bytes, 0) == 0xFE && Byte(bytes, 1) == 0xFF) {
    bigEndian = true;
    pos = 2;
  }
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (; pos < bytes.size(); pos += 2) {
    std::uint8_t first = Byte(bytes, pos), second = Byte(bytes, pos + 1);
    char16_t unit = bigEndian ? static_cast<char16_t>(first << 8 | second)
                              : static_cast<char16_t>(second << 8 | first);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

// Text in the given encoding; payload is what follows the encoding byte.
std::string DecodeWith(std::uint8_t encoding, std::string_view payload) {
  switch (encoding) {
    case Utf16WithBom: return WideText(Utf16Units(payload, false));
    case Utf16BigEndian: return WideText(Utf16Units(payload, true));
    case Utf8: return WideText(platform::Utf8ToUtf16(payload.substr(0, payload.find('\0'))));
    default: return LatinFlaggedText(payload);
  }
}

// The text of a text frame: encoding byte, then the text.
std::string DecodeText(std::string_view data) {
  if (data.empty()) return {};
  return DecodeWith(Byte(data, 0), data.substr(1));
}

// Offset just past the end of the content description (a zero character in the frame's
// encoding), or npos. UTF-16 characters are whole units from the description's start, so
// the zero high byte of "A" next to a zero low byte is not taken for the end.
std::size_t DescriptionEnd(std::uint8_t encoding, std::string_view bytes) {
  if (encoding == Utf16WithBom || encoding == Utf16BigEndian) {
    for (std::size_t pos = 0; pos < bytes.size(); pos += 2) {
      if (Byte(bytes, pos) == 0 && Byte(bytes, pos + 1) == 0) return std::min(pos + 2, bytes.size());
    }
    return std::string_view::npos;
  }
  std::size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? zero : zero + 1;
}

// The content of a frame laid out as encoding, [language,] description, content; npos
// when the description never ends.
std::optional<std::string_view> LongTextContent(std::string_view data, bool withLanguage) {
  if (data.empty()) return std::nullopt;
  std::string_view rest = data.substr(std::min<std::size_t>(withLanguage ? 4 : 1, data.size()));
  std::size_t end = DescriptionEnd(Byte(data, 0), rest);
  if (end == std::string_view::npos) return std::nullopt;
  return rest.substr(end);
}

std::string ExtractLongText(std::string_view data, bool withLanguage) {
  std::optional<std::string_view> content = LongTextContent(data, withLanguage);
  return content ? DecodeWith(Byte(data, 0), *content) : std::string();
}

// A URL link frame: the description is in the frame's encoding, the URL is always
// single-byte text.
std::string ExtractLink(std::string_view data) {
  std::optional<std::string_view> content = LongTextContent(data, false);
  return content ? PlainText(*content) : std::string();
}

using tagbytes::PlainNumberOrZero;

std::string FirstCharacters(const std::string& text, int count) {
  std::size_t end = 0;
  for (int i = 0; i < count && end < text.size(); ++i) end = platform::CharNext(text, end);
  return text.substr(0, end);
}

// The name a genre reference stands for: a number of the ID3v1 table, "RX" or "CR"; empty
// for anything else.
std::string ReferencedGenre(std::string_view reference) {
  if (reference == "RX") return "Remix";
  if (reference == "CR") return "Cover";
  if (reference.empty() || reference.size() > 3) return {};
  int index = 0;
  for (char c : reference) {
    if (c < '0' || c > '9') return {};
    index = index * 10 + (c - '0');
  }
  return ID3v1GenreName(index);
}

// The genre a content-type text shows: leading references "(13)", "(RX)", "(CR)" give their
// name unless a refinement text follows them ("(13)Pop" gives "Pop", "((" stands for a
// literal "("); a whole text that is a reference ("13", "RX") gives its name; any other
// text is free text and stays as it is.
std::string GenreName(const std::string& text) {
  std::string_view rest = text;
  std::string firstName;
  bool referenced = false;
  while (rest.size() >= 2 && rest[0] == '(' && rest[1] != '(') {
    const std::size_t close = rest.find(')');
    if (close == std::string_view::npos) break;
    std::string name = ReferencedGenre(rest.substr(1, close - 1));
    if (!referenced) firstName = std::move(name);
    referenced = true;
    rest.remove_prefix(close + 1);
  }
  if (rest.substr(0, 2) == "((") rest.remove_prefix(1);
  if (!referenced) {
    std::string name = ReferencedGenre(rest);
    return name.empty() ? std::string(rest) : name;
  }
  std::string_view refinement = TrimControl(rest);
  return refinement.empty() ? firstName : std::string(refinement);
}

// ---------------------------------------------------------------------------------------
// Tag header

struct TagHeader {
  bool present = false;  // the file starts with "ID3"
  std::int64_t start = 0;  // where the tag starts in the file
  std::uint8_t version = 0;
  std::uint8_t flags = 0;
  std::int64_t totalSize = 0;  // 0 when the file is shorter than the tag claims
  std::int64_t fileSize = 0;

  // A header whose size runs past the end of the file: its tag cannot be told from the
  // audio, so it is neither stripped nor replaced.
  bool Overruns() const { return present && totalSize == 0; }
};

// False when the file cannot be read at all; a file of fewer than 10 bytes has no header.
// A tag inside the file starts at start and must end by limit (a chunk that holds it).
bool ReadTagHeader(platform::File& file, TagHeader& header, std::int64_t start = 0, std::int64_t limit = -1) {
  header = TagHeader{};
  header.start = start;
  header.fileSize = file.Size();
  if (header.fileSize < 0 || !file.Seek(start)) return false;
  if (limit < 0 || limit > header.fileSize) limit = header.fileSize;
  std::uint8_t bytes[HeaderSize];
  if (file.Read(bytes, HeaderSize) != HeaderSize) return true;
  if (std::memcmp(bytes, "ID3", 3) != 0) return true;
  header.present = true;
  header.version = bytes[3];
  header.flags = bytes[5];
  std::int64_t total = std::int64_t{tagbytes::Syncsafe32At(bytes + 6)} + 10;
  if (header.flags & FooterFlag) total += 10;
  header.totalSize = total <= limit - start ? total : 0;
  return true;
}

bool ReadTagHeader(const std::string& fileName, TagHeader& header) {
  platform::File file;
  return file.Open(fileName, platform::File::Mode::Read) && ReadTagHeader(file, header);
}

// A header at offset that reads as an ID3v2 tag: known version, syncsafe size, inside the file.
std::int64_t TagSizeAt(platform::File& file, std::int64_t offset, std::int64_t fileSize) {
  std::uint8_t bytes[HeaderSize];
  if (!file.Seek(offset) || file.Read(bytes, HeaderSize) != HeaderSize) return 0;
  if (std::memcmp(bytes, "ID3", 3) != 0 || bytes[3] < 2 || bytes[3] > 4) return 0;
  if ((bytes[6] | bytes[7] | bytes[8] | bytes[9]) & 0x80) return 0;
  std::int64_t total = std::int64_t{tagbytes::Syncsafe32At(bytes + 6)} + 10;
  if (bytes[5] & FooterFlag) total += 10;
  return total <= fileSize - offset ? total : 0;
}

// ---------------------------------------------------------------------------------------
// Frames

// Serves byte ranges of the tag from one buffered read, so that a small tag costs one
// read and large frames (pictures) are skipped without being read.
class TagWindow {
public:
  TagWindow(platform::File& file, std::int64_t end) : file_(file), end_(end) {}

  // Up to count bytes at offset, fewer where the tag ends or the file cannot be read.
  std::string_view At(std::int64_t offset, std::size_t count) {
    if (offset >= end_) return {};
    count = static_cast<std::size_t>(std::min<std::int64_t>(count, end_ - offset));
    if (count == 0) return {};
    if (offset < start_ || offset + static_cast<std::int64_t>(count) > start_ + static_cast<std::int64_t>(filled_)) {
      Fill(offset, std::max(count, WindowSize));
    }
    std::size_t skip = static_cast<std::size_t>(offset - start_);
    std::size_t available = filled_ > skip ? filled_ - skip : 0;
    return std::string_view(buffer_.get() + skip, std::min(count, available));
  }

private:
  static constexpr std::size_t WindowSize = 64 * 1024;

  void Fill(std::int64_t offset, std::size_t want) {
    want = static_cast<std::size_t>(std::min<std::int64_t>(want, end_ - offset));
    if (want > capacity_) {
      buffer_ = std::make_unique_for_overwrite<char[]>(want);
      capacity_ = want;
    }
    start_ = offset;
    filled_ = file_.Seek(offset) ? file_.Read(buffer_.get(), want) : 0;
  }

  platform::File& file_;
  std::int64_t end_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::int64_t start_ = 0;
  std::size_t filled_ = 0;
};

bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }

// The content description of a comment frame (encoding, language, description, text).
std::u16string CommentDescription(std::string_view data) {
  const std::uint8_t encoding = Byte(data, 0);
  const std::string_view rest = data.substr(std::min<std::size_t>(4, data.size()));
  if (encoding == Utf16WithBom || encoding == Utf16BigEndian) return Utf16Units(rest, encoding == Utf16BigEndian);
  std::u16string description;
  for (char c : rest.substr(0, rest.find('\0'))) description.push_back(static_cast<unsigned char>(c));
  return description;
}

// How much a comment frame is the song's comment: iTunes keeps its own values in comment
// frames described "iTunNORM", "iTunSMPB", "iTunes_CDDB_1" and so on, which are never the
// comment; a frame without a description is the comment proper.
enum class CommentRank { ITunesValue, Described, Plain };

CommentRank RankComment(std::string_view data) {
  const std::u16string description = CommentDescription(data);
  if (description.empty()) return CommentRank::Plain;
  if (description.starts_with(u"iTun")) return CommentRank::ITunesValue;
  return CommentRank::Described;
}

// A later comment frame replaces the kept one unless it ranks lower; an iTunes value is
// never kept.
void OfferComment(std::string_view data, std::string& kept) {
  const CommentRank rank = RankComment(data);
  if (rank == CommentRank::ITunesValue) return;
  if (kept.empty() || rank >= RankComment(kept)) kept.assign(data);
}

void OfferFrame(std::string_view id, std::string_view data, bool version22, FrameTexts& texts) {
  std::uint8_t encoding = Byte(data, 0);
  if (encoding > Utf8) return;
  for (std::size_t slot = 0; slot < SlotCount; ++slot) {
    if (id != (version22 ? SlotIds[slot].v2 : SlotIds[slot].v3)) continue;
    if (slot == CommentSlot) {
      OfferComment(data, texts[slot]);
    } else {
      texts[slot].assign(data);
    }
  }
}

// Walks the frames from byte 10 to the end of the tag. An extended header is not skipped:
// its size field does not start with a letter, so the walk ends there.
void ReadFrames(platform::File& file, const TagHeader& header, FrameTexts& texts) {
  const bool version22 = header.version == 2;
  const std::size_t frameHeaderSize = version22 ? 6 : 10;
  const std::size_t idSize = version22 ? 3 : 4;
  const std::int64_t tagEnd = header.start + header.totalSize;
  TagWindow tag(file, tagEnd);
  std::int64_t pos = header.start + static_cast<std::int64_t>(HeaderSize);
  while (pos < tagEnd) {
    std::string_view frameHeader = tag.At(pos, frameHeaderSize);
    if (frameHeader.size() < frameHeaderSize || !IsUpperLetter(frameHeader[0])) break;
    const auto* raw = reinterpret_cast<const std::uint8_t*>(frameHeader.data());
    std::uint32_t size = version22 ? tagbytes::Be24At(raw + 3)
                         : header.version == 3 ? tagbytes::Be32At(raw + 4)
                                               : tagbytes::Syncsafe32At(raw + 4);
    std::string_view id = frameHeader.substr(0, idSize);
    bool compressed = !version22 && (raw[9] & CompressedFrameFlag);
    std::int64_t dataStart = pos + static_cast<std::int64_t>(frameHeaderSize);
    std::size_t wanted = std::min<std::size_t>(size, FrameDataLimit);
    std::size_t present = static_cast<std::size_t>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(wanted, tagEnd - dataStart)));
    std::string_view data = tag.At(dataStart, wanted);
    if (data.size() < present) break;  // the file could not be read
    if (!compressed) OfferFrame(id, data, version22, texts);
    pos = dataStart + size;
  }
}

// ---------------------------------------------------------------------------------------
// Writing

FrameTexts FramesToWrite(const TID3v2& tag) {
  FrameTexts texts;
  texts[TitleSlot] = tag.Title();
  texts[ArtistSlot] = tag.Artist();
  texts[AlbumSlot] = tag.Album();
  if (tag.Track() != 0) texts[TrackSlot] = std::to_string(tag.Track());
  texts[YearSlot] = tag.Year();
  texts[GenreSlot] = tag.Genre();
  if (!tag.Comment().empty()) texts[CommentSlot] = std::string("eng", 4) + tag.Comment();
  texts[ComposerSlot] = tag.Composer();
  texts[EncoderSlot] = tag.Encoder();
  texts[CopyrightSlot] = tag.Copyright();
  texts[LanguageSlot] = tag.Language();
  if (!tag.Link().empty()) texts[LinkSlot] = std::string(1, '\0') + tag.Link();
  if (!tag.Lyrics().empty()) texts[LyricsSlot] = std::string("eng", 4) + tag.Lyrics();
  return texts;
}

std::int64_t NeededSize(const FrameTexts& texts) {
  std::int64_t size = HeaderSize;
  for (const auto& text : texts) {
    if (!text.empty()) size += static_cast<std::int64_t>(text.size()) + 11;
  }
  return size;
}

void AppendSyncsafe32(std::string& out, std::uint32_t value) {
  for (int shift = 21; shift >= 0; shift -= 7) out.push_back(static_cast<char>((value >> shift) & 0x7F));
}

// A version 2.3 tag of the given frames followed by padding zero bytes.
std::string BuildTag(const FrameTexts& texts, std::int64_t needed, std::int64_t padding) {
  std::string tag = "ID3";
  tag.push_back(3);
  tag.push_back(0);
  tag.push_back(0);
  AppendSyncsafe32(tag, static_cast<std::uint32_t>(padding > 0 ? needed + padding - 10 : needed - 10));
  for (std::size_t slot = 0; slot < SlotCount; ++slot) {
    const std::string& text = texts[slot];
    if (text.empty()) continue;
    tag += SlotIds[slot].v3;
    tagbytes::AppendBe32(tag, static_cast<std::uint32_t>(text.size() + 1));
    tag.append(2, '\0');  // flags
    tag.push_back(Latin);
    tag += text;
  }
  if (padding > 0) tag.append(static_cast<std::size_t>(padding), '\0');
  return tag;
}

bool OverwriteStart(const std::string& fileName, const std::string& tag) {
  if (!platform::FileExists(fileName) || !platform::ClearAttributes(fileName)) return false;
  platform::File file;
  return file.Open(fileName, platform::File::Mode::ReadWrite) && file.Seek(0) && file.Write(tag);
}

bool CopyRange(platform::File& source, std::int64_t from, std::int64_t to, platform::File& target) {
  constexpr std::size_t ChunkSize = 256 * 1024;
  std::vector<char> chunk(static_cast<std::size_t>(std::min<std::int64_t>(ChunkSize, std::max<std::int64_t>(to - from, 0))));
  if (!source.Seek(from)) return false;
  for (std::int64_t pos = from; pos < to;) {
    std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(chunk.size(), to - pos));
    if (!source.ReadExact(chunk.data(), count) || !target.Write(chunk.data(), count)) return false;
    pos += static_cast<std::int64_t>(count);
  }
  return true;
}

// Writes newTag and the file's content after its old tag to a temporary file, then puts
// that in the file's place in one step: the file is either the old or the new whole.
bool RebuildFile(const std::string& fileName, const std::string& newTag) {
  if (!platform::FileExists(fileName) || !platform::ClearAttributes(fileName)) return false;
  platform::File source;
  TagHeader header;
  if (!source.Open(fileName, platform::File::Mode::Read) || !ReadTagHeader(source, header) ||
      header.Overruns()) {
    return false;
  }
  platform::File target;
  std::string temporary;
  if (!platform::CreateTemporaryBeside(fileName, target, temporary)) return false;
  bool copied = target.Write(newTag) &&
                CopyRange(source, header.present ? header.totalSize : 0, header.fileSize, target);
  source.Close();
  if (!copied) {
    platform::DiscardTemporary(target, temporary);
    return false;
  }
  return platform::CommitTemporary(target, temporary, fileName);
}

}  // namespace

// -----------------------------------------------------------------------------------------

std::int64_t EndOfID3v2TagsAt(platform::File& file, std::int64_t offset) {
  // A few stacked tags are real; a file made of nothing but tiny tags is not worth more reads.
  constexpr int MaxStackedTags = 16;
  const std::int64_t fileSize = file.Size();
  for (int i = 0; i < MaxStackedTags && offset >= 0 && offset < fileSize; ++i) {
    const std::int64_t size = TagSizeAt(file, offset, fileSize);
    if (size == 0) break;
    offset += size;
  }
  return offset;
}

TID3v2::TID3v2() { Clear(); }

void TID3v2::Clear() {
  ClearBase();
  exists_ = false;
  versionID_ = 0;
  size_ = 0;
  track_ = 0;
  for (std::string* text : {&title_, &artist_, &album_, &trackString_, &year_, &genre_, &comment_,
                            &composer_, &encoder_, &copyright_, &language_, &link_, &lyrics_}) {
    text->clear();
  }
}

const PropertyTable& TID3v2::Properties() const {
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<TID3v2>("Exists", PropKind::Boolean, &TID3v2::Exists),
          Published<TID3v2>("VersionID", PropKind::Byte, &TID3v2::VersionID),
          Published<TID3v2>("Size", PropKind::Integer, &TID3v2::Size),
          TextProperty<TID3v2>("Title", &TID3v2::Title, &TID3v2::SetTitle),
          TextProperty<TID3v2>("Artist", &TID3v2::Artist, &TID3v2::SetArtist),
          TextProperty<TID3v2>("Album", &TID3v2::Album, &TID3v2::SetAlbum),
          Published<TID3v2>(
              "Track", PropKind::Word, [](const TID3v2& t) { return std::int64_t{t.Track()}; },
              [](TID3v2& t, const PropValue& v) { t.SetTrack(static_cast<std::uint16_t>(PropInt(v))); }),
          Published<TID3v2>("TrackString", PropKind::ByteString, &TID3v2::TrackString),
          TextProperty<TID3v2>("Year", &TID3v2::Year, &TID3v2::SetYear),
          TextProperty<TID3v2>("Genre", &TID3v2::Genre, &TID3v2::SetGenre),
          TextProperty<TID3v2>("Comment", &TID3v2::Comment, &TID3v2::SetComment),
          TextProperty<TID3v2>("Composer", &TID3v2::Composer, &TID3v2::SetComposer),
          TextProperty<TID3v2>("Encoder", &TID3v2::Encoder, &TID3v2::SetEncoder),
          TextProperty<TID3v2>("Copyright", &TID3v2::Copyright, &TID3v2::SetCopyright),
          TextProperty<TID3v2>("Language", &TID3v2::Language, &TID3v2::SetLanguage),
          TextProperty<TID3v2>("Link", &TID3v2::Link, &TID3v2::SetLink),
          TextProperty<TID3v2>("Lyrics", &TID3v2::Lyrics, &TID3v2::SetLyrics),
      });
  return table;
}

void TID3v2::ClearFields() { Clear(); }

bool TID3v2::ReadFrom(platform::File& file) { return ReadAt(file, 0, -1); }

bool TID3v2::LoadFromRange(platform::File& file, std::int64_t offset, std::int64_t length) {
  ClearFields();
  if (offset >= 0 && length >= 0 && ReadAt(file, offset, offset + length) && !file.ReadFailed()) return true;
  ClearFields();
  return false;
}

bool TID3v2::ReadAt(platform::File& file, std::int64_t start, std::int64_t limit) {
  TagHeader header;
  if (!ReadTagHeader(file, header, start, limit) || !header.present) return false;
  exists_ = true;
  versionID_ = header.version;
  size_ = static_cast<std::int32_t>(header.totalSize);
  if (versionID_ < 2 || versionID_ > 4 || size_ == 0) return true;

  FrameTexts texts;
  ReadFrames(file, header, texts);
  FillFromFrames(texts);
  return true;
}

void TID3v2::FillFromFrames(const std::array<std::string, 18>& texts) {
  auto textOr = [&](int slot, int fallback) {
    std::string text = DecodeText(texts[slot]);
    return text.empty() ? DecodeText(texts[fallback]) : text;
  };
  title_ = textOr(TitleSlot, ContentGroupSlot);
  artist_ = textOr(ArtistSlot, OriginalArtistSlot);
  album_ = textOr(AlbumSlot, OriginalAlbumSlot);
  trackString_ = DecodeText(texts[TrackSlot]);
  track_ = static_cast<std::uint16_t>(PlainNumberOrZero(std::string_view(trackString_).substr(0, trackString_.find('/'))));
  year_ = DecodeText(texts[YearSlot]);
  if (year_.empty()) year_ = FirstCharacters(DecodeText(texts[RecordingTimeSlot]), 4);
  genre_ = GenreName(DecodeText(texts[GenreSlot]));
  comment_ = ExtractLongText(texts[CommentSlot], true);
  composer_ = DecodeText(texts[ComposerSlot]);
  encoder_ = DecodeText(texts[EncoderSlot]);
  copyright_ = DecodeText(texts[CopyrightSlot]);
  language_ = DecodeText(texts[LanguageSlot]);
  link_ = ExtractLink(texts[LinkSlot]);
  lyrics_ = ExtractLongText(texts[LyricsSlot], true);
  if (lyrics_.empty()) lyrics_ = ExtractLongText(texts[SyncedLyricsSlot], true);
}

bool TID3v2::WriteToFile(const std::string& fileName) {
  TagHeader header;
  if (!ReadTagHeader(fileName, header)) header = TagHeader{};
  if (header.Overruns()) return false;
  FrameTexts texts = FramesToWrite(*this);
  std::int64_t needed = NeededSize(texts);
  bool rebuild = !header.present || header.totalSize < needed || header.totalSize > RebuiltTagSize;
  std::int64_t padding = (rebuild ? RebuiltTagSize : header.totalSize) - needed;
  if (std::max(needed, needed + padding) - 10 > MaxSyncsafe) return false;
  std::string tag = BuildTag(texts, needed, padding);
  return rebuild ? RebuildFile(fileName, tag) : OverwriteStart(fileName, tag);
}

bool TID3v2::StripFromFile(const std::string& fileName) {
  TagHeader header;
  if (!ReadTagHeader(fileName, header) || !header.present || header.Overruns()) return false;
  return RebuildFile(fileName, std::string());
}

using tagbytes::Trimmed;

void TID3v2::SetTitle(const std::string& value) { title_ = Trimmed(value); }
void TID3v2::SetArtist(const std::string& value) { artist_ = Trimmed(value); }
void TID3v2::SetAlbum(const std::string& value) { album_ = Trimmed(value); }
void TID3v2::SetYear(const std::string& value) { year_ = Trimmed(value); }
void TID3v2::SetGenre(const std::string& value) { genre_ = Trimmed(value); }
void TID3v2::SetComment(const std::string& value) { comment_ = Trimmed(value); }
void TID3v2::SetComposer(const std::string& value) { composer_ = Trimmed(value); }
void TID3v2::SetEncoder(const std::string& value) { encoder_ = Trimmed(value); }
void TID3v2::SetCopyright(const std::string& value) { copyright_ = Trimmed(value); }
void TID3v2::SetLanguage(const std::string& value) { language_ = Trimmed(value); }
void TID3v2::SetLink(const std::string& value) { link_ = Trimmed(value); }
void TID3v2::SetLyrics(const std::string& value) { lyrics_ = Trimmed(value); }
