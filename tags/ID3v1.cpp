// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/ID3v1.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "tags/LegacyText.h"

namespace {

constexpr std::size_t TagSize = 128;
using TagBlock = std::array<unsigned char, TagSize>;

// Field offsets and widths inside the block.
constexpr std::size_t TitleOffset = 3, ArtistOffset = 33, AlbumOffset = 63, YearOffset = 93,
                      CommentOffset = 97;
constexpr std::size_t TextWidth = 30, YearWidth = 4, ShortCommentWidth = 28;
constexpr std::size_t TrackMarkerOffset = 125, TrackOffset = 126, GenreOffset = 127;

constexpr std::array<std::string_view, ID3v1GenreCount> GenreNames = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop",
    "Jazz", "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock",
    "Techno", "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack",
    "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance",
    "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise",
    "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop",
    "Instrumental Rock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic",
    "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40",
    "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave",
    "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk",
    "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // Winamp's extension of the list.
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic",
    "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony",
    "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba",
    "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock",
    "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House",
    "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat",
    "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover",
    "Contemporary Christian", "Christian Rock", "Merengue", "Salsa", "Thrash Metal", "Anime",
    "JPop", "Synthpop",
    // Winamp 5.6's extension.
    "Abstract", "Art Rock", "Baroque", "Bhangra", "Big Beat", "Breakbeat", "Chillout",
    "Downtempo", "Dub", "EBM", "Eclectic", "Electro", "Electroclash", "Emo", "Experimental",
    "Garage", "Global", "IDM", "Illbient", "Industro-Goth", "Jam Band", "Krautrock",
    "Leftfield", "Lounge", "Math Rock", "New Romantic", "Nu-Breakz", "Post-Punk", "Post-Rock",
    "Psytrance", "Shoegaze", "Space Rock", "Trop Rock", "World Music", "Neoclassical",
    "Audiobook", "Audio Theatre", "Neue Deutsche Welle", "Podcast", "Indie Rock", "G-Funk",
    "Dubstep", "Garage Rock", "Psybient",
};

// Reads the last 128 bytes of the file; false when the file cannot be read or is shorter.
bool ReadLastBlock(platform::File& file, TagBlock& block) {
  const std::int64_t size = file.Size();
  if (size < static_cast<std::int64_t>(TagSize)) return false;
  return file.Seek(size - static_cast<std::int64_t>(TagSize)) && file.ReadExact(block.data(), block.size());
}

bool ReadLastBlock(const std::string& fileName, TagBlock& block) {
  platform::File file;
  return file.Open(fileName, platform::File::Mode::Read) && ReadLastBlock(file, block);
}

bool HasTagId(const TagBlock& block) {
  return block[0] == 'T' && block[1] == 'A' && block[2] == 'G';
}

// Drops the trailing run of bytes 0 to 32 (zero padding, spaces and control bytes).
std::string TrimTrailingPadding(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return std::string(text.substr(0, end));
}

std::string FieldText(const TagBlock& block, std::size_t offset, std::size_t width) {
  // Read fields are legacy text (Shift_JIS, Latin-1 or UTF-8); written ones are kept as set.
  return tags::LegacyTextToCp932(
      TrimTrailingPadding(std::string_view(reinterpret_cast<const char*>(block.data()) + offset, width)));
}

// At most `capacity` bytes of the text without cutting a double-byte character in two.
std::string CutToCapacity(const std::string& text, std::size_t capacity) {
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t next = platform::CharNext(text, end);
    if (next > capacity) break;
    end = next;
  }
  return text.substr(0, end);
}

std::string FittedText(const std::string& value, std::size_t capacity) {
  return CutToCapacity(TrimTrailingPadding(value), capacity);
}

void PutField(TagBlock& block, std::size_t offset, std::size_t width, std::string_view text) {
  std::memcpy(block.data() + offset, text.data(), std::min(text.size(), width));
}

// Cuts the tag off the end of a file that is known to end with one.
bool CutTagOff(const std::string& fileName) {
  platform::ClearAttributes(fileName);
  platform::File file;
  if (!file.Open(fileName, platform::File::Mode::ReadWrite)) return false;
  const std::int64_t size = file.Size();
  if (size < static_cast<std::int64_t>(TagSize)) return false;
  return file.Truncate(size - static_cast<std::int64_t>(TagSize));
}

bool AppendBlock(const std::string& fileName, const TagBlock& block) {
  platform::ClearAttributes(fileName);
  platform::File file;
  if (!file.Open(fileName, platform::File::Mode::ReadWrite)) return false;
  const std::int64_t size = file.Size();
  return size >= 0 && file.Seek(size) && file.Write(block.data(), block.size());
}

}  // namespace

std::string ID3v1GenreName(int index) {
  if (index < 0 || index >= ID3v1GenreCount) return {};
  return std::string(GenreNames[static_cast<std::size_t>(index)]);
}

TID3v1::TID3v1() { Clear(); }

void TID3v1::Clear() {
  exists_ = false;
  versionID_ = 1;
  title_.clear();
  artist_.clear();
  album_.clear();
  year_.clear();
  comment_.clear();
  track_ = 0;
  genreID_ = 255;
}

const PropertyTable& TID3v1::Properties() const {
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<TID3v1>("Exists", PropKind::Boolean, &TID3v1::Exists),
          Published<TID3v1>("VersionID", PropKind::Byte, &TID3v1::VersionID),
          TextProperty<TID3v1>("Title", &TID3v1::Title, &TID3v1::SetTitle, PropKind::ShortString),
          TextProperty<TID3v1>("Artist", &TID3v1::Artist, &TID3v1::SetArtist, PropKind::ShortString),
          TextProperty<TID3v1>("Album", &TID3v1::Album, &TID3v1::SetAlbum, PropKind::ShortString),
          TextProperty<TID3v1>("Year", &TID3v1::Year, &TID3v1::SetYear, PropKind::ShortString),
          TextProperty<TID3v1>("Comment", &TID3v1::Comment, &TID3v1::SetComment, PropKind::ShortString),
          Published<TID3v1>(
              "Track", PropKind::Byte, [](const TID3v1& t) { return std::int64_t{t.Track()}; },
              [](TID3v1& t, const PropValue& v) { t.SetTrack(static_cast<std::uint8_t>(PropInt(v))); }),
          Published<TID3v1>(
              "GenreID", PropKind::Byte, [](const TID3v1& t) { return std::int64_t{t.GenreID()}; },
              [](TID3v1& t, const PropValue& v) { t.SetGenreID(static_cast<std::uint8_t>(PropInt(v))); }),
          Published<TID3v1>("Genre", PropKind::ByteString, &TID3v1::Genre),
      });
  return table;
}

void TID3v1::ClearFields() {
  ClearBase();
  Clear();
}

bool TID3v1::ReadFrom(platform::File& file) {
  TagBlock block{};
  if (!ReadLastBlock(file, block) || !HasTagId(block)) return false;
  exists_ = true;
  const unsigned char marker = block[TrackMarkerOffset];
  const unsigned char track = block[TrackOffset];
  const bool hasTrack = (marker == 0 && track != 0) || (marker == ' ' && track != ' ');
  versionID_ = hasTrack ? 2 : 1;
  title_ = FieldText(block, TitleOffset, TextWidth);
  artist_ = FieldText(block, ArtistOffset, TextWidth);
  album_ = FieldText(block, AlbumOffset, TextWidth);
  year_ = FieldText(block, YearOffset, YearWidth);
  comment_ = FieldText(block, CommentOffset, hasTrack ? ShortCommentWidth : TextWidth);
  if (hasTrack) track_ = track;
  genreID_ = block[GenreOffset];
  return true;
}

bool TID3v1::StripFromFile(const std::string& fileName) {
  TagBlock block{};
  if (!ReadLastBlock(fileName, block)) return false;
  if (!HasTagId(block)) return true;
  return CutTagOff(fileName);
}

bool TID3v1::WriteToFile(const std::string& fileName) {
  TagBlock block{};
  PutField(block, 0, 3, "TAG");
  PutField(block, TitleOffset, TextWidth, title_);
  PutField(block, ArtistOffset, TextWidth, artist_);
  PutField(block, AlbumOffset, TextWidth, album_);
  PutField(block, YearOffset, YearWidth, year_);
  PutField(block, CommentOffset, TextWidth, comment_);
  if (track_ > 0) {
    block[TrackMarkerOffset] = 0;
    block[TrackOffset] = track_;
  }
  block[GenreOffset] = genreID_;
  if (!StripFromFile(fileName)) return false;
  return AppendBlock(fileName, block);
}

std::string TID3v1::Genre() const { return ID3v1GenreName(genreID_); }

void TID3v1::SetTitle(const std::string& value) { title_ = FittedText(value, TextWidth); }
void TID3v1::SetArtist(const std::string& value) { artist_ = FittedText(value, TextWidth); }
void TID3v1::SetAlbum(const std::string& value) { album_ = FittedText(value, TextWidth); }
void TID3v1::SetYear(const std::string& value) { year_ = FittedText(value, YearWidth); }
void TID3v1::SetComment(const std::string& value) { comment_ = FittedText(value, TextWidth); }
