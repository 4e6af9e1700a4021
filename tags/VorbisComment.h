// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Vorbis comments, as Ogg Vorbis and FLAC files carry them: a vendor string, a count, then
// length-prefixed "NAME=value" entries in UTF-8. One mapping of names to song values for
// both formats.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "tags/TagBytes.h"
#include "tags/sMediaTag.h"

struct VorbisCommentValues {
  std::string title, artist, album;  // code page 932
  std::uint16_t track = 0;
  std::string date, genre, comment, vendor;
};

class VorbisCommentFields {
public:
  // Entries count with their first bytes only.
  static constexpr std::size_t EntryCut = 250;

  // Reads the vendor string, the count and the entries from source, which offers
  //   std::size_t Read(std::uint8_t* out, std::size_t count)  (bytes read, the rest of out zero)
  //   void Skip(std::uint64_t count)
  // and ends where the comments end. The count cannot make the loop outlast the source, as
  // every entry takes at least its 4-byte length.
  template <class Source>
  void ReadFrom(Source& source) {
    if (!ReadEntry(source)) return;
    std::uint8_t countBytes[4];
    source.Read(countBytes, sizeof countBytes);
    const std::uint32_t count = tagbytes::Le32At(countBytes);
    for (std::uint32_t i = 0; i < count; ++i) {
      if (!ReadEntry(source)) return;
    }
  }

  // Takes one entry: "NAME=value" for a known name (a later one replaces an earlier), the
  // first entry without "=" as the vendor string.
  void Store(std::string_view entry);
  // The song's values: ARTIST or else PERFORMER, COMMENT or else DESCRIPTION, the track
  // number's low 8 bits.
  VorbisCommentValues Values() const;

  // The track number of a TRACKNUMBER value: the part before a "/" as a decimal integer,
  // 0 when it is not one.
  static std::int32_t TrackFromText(std::string_view text);
  // UTF-8 of one to three bytes per character; decoding stops for good at a malformed or
  // cut sequence, keeping what came before.
  static std::u16string DecodeUtf8(std::string_view bytes);

private:
  enum Entry {
    VendorEntry, TitleEntry, ArtistEntry, AlbumEntry, TrackEntry, DateEntry, GenreEntry,
    CommentEntry, PerformerEntry, DescriptionEntry, EntryCount
  };

  // One length-prefixed entry, cut to its first bytes; false when the source has no room left
  // for the length.
  template <class Source>
  bool ReadEntry(Source& source) {
    std::uint8_t lengthBytes[4];
    if (source.Read(lengthBytes, sizeof lengthBytes) < sizeof lengthBytes) return false;
    const std::uint32_t length = tagbytes::Le32At(lengthBytes);
    std::uint8_t text[EntryCut];
    const std::size_t kept = length < EntryCut ? length : EntryCut;
    source.Read(text, kept);
    if (kept < EntryCut) std::memset(text + kept, 0, EntryCut - kept);
    // Deliberate: only the first 250 bytes of an entry count; a longer title is cut there.
    Store(tagbytes::Trimmed(std::string_view(reinterpret_cast<const char*>(text), EntryCut)));
    source.Skip(length - kept);
    return true;
  }

  std::array<std::string, EntryCount> entries_;
};

// A file whose song values come from Vorbis comments (Ogg Vorbis, FLAC): the values, their
// accessors and their published properties, one set for both formats.
class TVorbisCommentTag : public TsMediaTag {
public:
  // Texts in code page 932.
  const std::string& Title() const { return comments_.title; }
  const std::string& Artist() const { return comments_.artist; }
  const std::string& Album() const { return comments_.album; }
  std::uint16_t Track() const { return comments_.track; }
  const std::string& Date() const { return comments_.date; }
  const std::string& Genre() const { return comments_.genre; }
  const std::string& Comment() const { return comments_.comment; }
  // The comment header's vendor string as stored.
  const std::string& Vendor() const { return comments_.vendor; }
  // Change the values in memory only.
  void SetTitle(const std::string& value) { comments_.title = value; }
  void SetArtist(const std::string& value) { comments_.artist = value; }
  void SetAlbum(const std::string& value) { comments_.album = value; }
  void SetTrack(std::uint16_t value) { comments_.track = value; }
  void SetDate(const std::string& value) { comments_.date = value; }
  void SetGenre(const std::string& value) { comments_.genre = value; }
  void SetComment(const std::string& value) { comments_.comment = value; }

protected:
  // before, then the published Title, Artist, Album, Track, Date, Genre, Comment and Vendor,
  // then after: a format's own properties with the comments' among them.
  static std::vector<PropertyInfo> WithCommentProperties(std::vector<PropertyInfo> before,
                                                         std::vector<PropertyInfo> after);

  VorbisCommentValues comments_;
};
