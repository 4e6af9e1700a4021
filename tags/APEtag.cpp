// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/APEtag.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::int64_t ID3v1Size = 128;
constexpr std::int64_t FooterSize = 32;
// Deliberate: a value counts with its first 250 bytes only, like the other readers' texts.
constexpr std::size_t ValueLimit = 250;
constexpr std::uint32_t HeaderPresentFlag = 0x80000000u;
constexpr std::uint32_t WrittenVersion = 1000;

enum Slot { TitleSlot, ArtistSlot, AlbumSlot, TrackSlot, YearSlot, GenreSlot, CommentSlot, CopyrightSlot, SlotCount };

constexpr std::array<const char*, SlotCount> SlotKeys = {"Title", "Artist", "Album", "Track",
                                                         "Year",  "Genre",  "Comment", "Copyright"};

using SlotTexts = std::array<std::string, SlotCount>;

using tagbytes::AppendLe32;
using tagbytes::Le32At;
using tagbytes::TrimControl;
using tagbytes::Trimmed;

// A value's text ends at an inner zero byte, the separator of a value list.
std::string_view ValueText(std::string_view bytes) { return tagbytes::TextBeforeZero(bytes); }

// UTF-8 value text as code page 932; the text ends where the UTF-8 stops being well formed
// (a value cut at 250 bytes may end inside a character).
std::string Utf8ValueText(std::string_view bytes) {
  return platform::Utf16ToCp932(platform::Utf8ToUtf16(bytes, platform::Utf8Malformed::End));
}

int SlotOfKey(std::string_view key) {
  for (int slot = 0; slot < SlotCount; ++slot) {
    if (platform::SameTextIgnoringAsciiCase(key, SlotKeys[slot])) return slot;
  }
  return -1;
}

using tagbytes::PlainNumberOrZero;

// ---------------------------------------------------------------------------------------
// Footer and items

struct Footer {
  std::int64_t fileSize = 0;
  std::int64_t shift = 0;  // 128 when an ID3v1 tag follows, else 0
  std::uint8_t bytes[FooterSize] = {};

  bool IsApe() const { return std::memcmp(bytes, "APETAGEX", 8) == 0; }
  std::uint32_t Version() const { return Le32At(bytes + 8); }
  std::uint32_t TagSize() const { return Le32At(bytes + 12); }
  std::uint32_t ItemCount() const { return Le32At(bytes + 16); }
  std::uint32_t Flags() const { return Le32At(bytes + 20); }
  // Where the items end (the footer's position).
  std::int64_t ItemsEnd() const { return fileSize - shift - FooterSize; }
};

bool LocateFooter(platform::File& file, Footer& footer) {
  footer.fileSize = file.Size();
  if (footer.fileSize < ID3v1Size) return false;
  char id3v1[3];
  if (!file.Seek(footer.fileSize - ID3v1Size) || !file.ReadExact(id3v1, 3)) return false;
  footer.shift = std::memcmp(id3v1, "TAG", 3) == 0 ? ID3v1Size : 0;
  return footer.ItemsEnd() >= 0 && file.Seek(footer.ItemsEnd()) && file.ReadExact(footer.bytes, FooterSize);
}

// Reads the key up to its zero byte; false when the items end first.
bool ReadKey(platform::File& file, std::int64_t itemsEnd, std::string& key) {
  key.clear();
  while (file.Position() < itemsEnd) {
    char c;
    if (!file.ReadExact(&c, 1)) return false;
    if (c == '\0') return true;
    key.push_back(c);
  }
  return false;
}

// Reads the items between the position the footer's size gives and the footer. Reads stay
// inside that range whatever the sizes and the count claim.
void ReadItems(platform::File& file, const Footer& footer, std::int32_t version, SlotTexts& texts) {
  const std::int64_t itemsEnd = footer.ItemsEnd();
  const std::int64_t start = footer.fileSize - footer.shift - std::int64_t{footer.TagSize()};
  if (start < 0 || !file.Seek(start)) return;
  std::string key;
  for (std::uint32_t item = 0; item < footer.ItemCount(); ++item) {
    std::uint8_t itemHeader[8];
    if (file.Position() + 8 > itemsEnd || !file.ReadExact(itemHeader, 8)) return;
    const std::uint32_t valueSize = Le32At(itemHeader);
    if (!ReadKey(file, itemsEnd, key)) return;
    const std::int64_t valueStart = file.Position();
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::int64_t>({valueSize, ValueLimit, itemsEnd - valueStart}));
    char value[ValueLimit];
    if (!file.ReadExact(value, wanted)) return;
    int slot = SlotOfKey(TrimControl(key));
    if (slot >= 0) {
      std::string_view text = ValueText(std::string_view(value, wanted));
      texts[slot] = version > 1000 ? Utf8ValueText(text) : std::string(text);
    }
    if (!file.Seek(valueStart + valueSize)) return;
  }
}

// Bytes cut off the end by a strip: the APE tag (with its header) and a trailing ID3v1 tag;
// -1 when the footer lies about the tag: a size smaller than the footer itself, more than
// the file holds, or a header announced where there is none. Such a tag cannot be told from
// the audio, so it is left alone.
std::int64_t StrippedLength(platform::File& file, const Footer& footer) {
  std::int64_t tagSize = 0;
  if (footer.IsApe()) {
    tagSize = footer.TagSize();
    if (tagSize < FooterSize) return -1;
    if (footer.Flags() & HeaderPresentFlag) tagSize += FooterSize;
  }
  const std::int64_t cut = footer.shift + tagSize;
  if (cut > footer.fileSize) return -1;
  if (footer.IsApe() && (footer.Flags() & HeaderPresentFlag)) {
    char header[8];
    if (!file.Seek(footer.fileSize - cut) || !file.ReadExact(header, sizeof header) ||
        std::memcmp(header, "APETAGEX", 8) != 0) {
      return -1;
    }
  }
  return cut;
}

std::string BuildTag(const SlotTexts& texts) {
  std::string block;
  std::uint32_t itemCount = 0;
  std::int64_t tagSize = FooterSize;
  for (int slot = 0; slot < SlotCount; ++slot) {
    const std::string& text = texts[slot];
    if (text.empty()) continue;
    AppendLe32(block, static_cast<std::uint32_t>(text.size() + 1));
    AppendLe32(block, 0);
    block += SlotKeys[slot];
    block.push_back('\0');
    block += text;
    block.push_back('\0');
    tagSize += static_cast<std::int64_t>(std::strlen(SlotKeys[slot]) + text.size() + 10);
    ++itemCount;
  }
  block += "APETAGEX";
  AppendLe32(block, WrittenVersion);
  AppendLe32(block, static_cast<std::uint32_t>(tagSize));
  AppendLe32(block, itemCount);
  AppendLe32(block, 0);
  block.append(8, '\0');
  return block;
}

// The file's trailing ID3v1 tag, or empty text.
std::string TrailingID3v1(const std::string& fileName) {
  platform::File file;
  Footer footer;
  if (!file.Open(fileName, platform::File::Mode::Read) || !LocateFooter(file, footer) || footer.shift == 0) {
    return {};
  }
  std::string tag(ID3v1Size, '\0');
  if (!file.Seek(footer.fileSize - ID3v1Size) || !file.ReadExact(tag.data(), tag.size())) return {};
  return tag;
}

bool AppendToFile(const std::string& fileName, const std::string& bytes) {
  platform::File file;
  if (!file.Open(fileName, platform::File::Mode::ReadWrite)) return false;
  std::int64_t size = file.Size();
  return size >= 0 && file.Seek(size) && file.Write(bytes);
}

}  // namespace

// -----------------------------------------------------------------------------------------

TAPEtag::TAPEtag() { Clear(); }

void TAPEtag::Clear() {
  ClearBase();
  exists_ = false;
  version_ = 0;
  size_ = 0;
  track_ = 0;
  for (std::string* text : {&title_, &artist_, &album_, &year_, &genre_, &comment_, &copyright_}) {
    text->clear();
  }
}

const PropertyTable& TAPEtag::Properties() const {
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<TAPEtag>("Exists", PropKind::Boolean, &TAPEtag::Exists),
          Published<TAPEtag>("Version", PropKind::Integer, &TAPEtag::Version),
          Published<TAPEtag>("Size", PropKind::Integer, &TAPEtag::Size),
          TextProperty<TAPEtag>("Title", &TAPEtag::Title, &TAPEtag::SetTitle),
          TextProperty<TAPEtag>("Artist", &TAPEtag::Artist, &TAPEtag::SetArtist),
          TextProperty<TAPEtag>("Album", &TAPEtag::Album, &TAPEtag::SetAlbum),
          Published<TAPEtag>(
              "Track", PropKind::Byte, [](const TAPEtag& t) { return std::int64_t{t.Track()}; },
              [](TAPEtag& t, const PropValue& v) { t.SetTrack(static_cast<std::uint8_t>(PropInt(v))); }),
          TextProperty<TAPEtag>("Year", &TAPEtag::Year, &TAPEtag::SetYear),
          TextProperty<TAPEtag>("Genre", &TAPEtag::Genre, &TAPEtag::SetGenre),
          TextProperty<TAPEtag>("Comment", &TAPEtag::Comment, &TAPEtag::SetComment),
          TextProperty<TAPEtag>("Copyright", &TAPEtag::Copyright, &TAPEtag::SetCopyright),
      });
  return table;
}

void TAPEtag::ClearFields() { Clear(); }

bool TAPEtag::ReadFrom(platform::File& file) {
  Footer footer;
  if (!LocateFooter(file, footer) || !footer.IsApe()) return false;
  exists_ = true;
  version_ = static_cast<std::int32_t>(footer.Version());
  size_ = static_cast<std::int32_t>(footer.TagSize());
  SlotTexts texts;
  ReadItems(file, footer, version_, texts);
  title_ = texts[TitleSlot];
  artist_ = texts[ArtistSlot];
  album_ = texts[AlbumSlot];
  std::string_view track = texts[TrackSlot];
  track_ = static_cast<std::uint8_t>(PlainNumberOrZero(track.substr(0, track.find('/'))));
  year_ = texts[YearSlot];
  genre_ = texts[GenreSlot];
  comment_ = texts[CommentSlot];
  copyright_ = texts[CopyrightSlot];
  SetFileFormat("APE");
  return true;
}

bool TAPEtag::StripFromFile(const std::string& fileName) {
  Footer footer;
  platform::File file;
  if (!file.Open(fileName, platform::File::Mode::Read) || !LocateFooter(file, footer)) return false;
  const std::int64_t cut = StrippedLength(file, footer);
  file.Close();
  if (cut < 0 || !platform::ClearAttributes(fileName)) return false;
  return file.Open(fileName, platform::File::Mode::ReadWrite) && file.Truncate(footer.fileSize - cut);
}

bool TAPEtag::WriteToFile(const std::string& fileName) {
  SlotTexts texts = {title_, artist_, album_, track_ != 0 ? std::to_string(track_) : std::string(),
                     year_,  genre_,  comment_, copyright_};
  // A trailing ID3v1 tag goes with the strip; it is put back after the new APE tag.
  std::string id3v1 = TrailingID3v1(fileName);
  if (!StripFromFile(fileName)) return false;
  return AppendToFile(fileName, BuildTag(texts) + id3v1);
}

void TAPEtag::SetTitle(const std::string& value) { title_ = Trimmed(value); }
void TAPEtag::SetArtist(const std::string& value) { artist_ = Trimmed(value); }
void TAPEtag::SetAlbum(const std::string& value) { album_ = Trimmed(value); }
void TAPEtag::SetYear(const std::string& value) { year_ = Trimmed(value); }
void TAPEtag::SetGenre(const std::string& value) { genre_ = Trimmed(value); }
void TAPEtag::SetComment(const std::string& value) { comment_ = Trimmed(value); }
void TAPEtag::SetCopyright(const std::string& value) { copyright_ = Trimmed(value); }
