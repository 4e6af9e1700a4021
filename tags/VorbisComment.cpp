// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/VorbisComment.h"

#include "platform/CodePage.h"

namespace {

constexpr const char* FieldNames[] = {
    nullptr, "TITLE", "ARTIST", "ALBUM", "TRACKNUMBER", "DATE", "GENRE", "COMMENT", "PERFORMER", "DESCRIPTION",
};

}  // namespace

std::u16string VorbisCommentFields::DecodeUtf8(std::string_view bytes) {
  return platform::Utf8ToUtf16(bytes, platform::Utf8Malformed::End, platform::Utf8Sequences::TwoOrThreeBytes);
}

std::int32_t VorbisCommentFields::TrackFromText(std::string_view text) {
  std::size_t slash = text.find('/');
  return tagbytes::WholeDecimalOrZero(slash == std::string_view::npos ? text : text.substr(0, slash));
}

void VorbisCommentFields::Store(std::string_view entry) {
  const std::size_t equals = entry.find('=');
  if (equals == std::string_view::npos) {
    if (entries_[VendorEntry].empty()) entries_[VendorEntry] = std::string(entry);
    return;
  }
  const std::string_view name = entry.substr(0, equals);
  for (int field = TitleEntry; field < EntryCount; ++field) {
    if (platform::SameTextIgnoringAsciiCase(name, FieldNames[field])) {
      entries_[field] = platform::Utf16ToCp932(DecodeUtf8(tagbytes::Trimmed(entry.substr(equals + 1))));
      return;
    }
  }
}

VorbisCommentValues VorbisCommentFields::Values() const {
  const auto& e = entries_;
  VorbisCommentValues values;
  values.title = e[TitleEntry];
  values.artist = e[ArtistEntry].empty() ? e[PerformerEntry] : e[ArtistEntry];
  values.album = e[AlbumEntry];
  // Deliberate: the track number keeps only its low 8 bits (300 reads as 44), as the song
  // list has always shown it for Ogg files.
  values.track = static_cast<std::uint16_t>(TrackFromText(e[TrackEntry]) & 0xFF);
  values.date = e[DateEntry];
  values.genre = e[GenreEntry];
  values.comment = e[CommentEntry].empty() ? e[DescriptionEntry] : e[CommentEntry];
  values.vendor = e[VendorEntry];
  return values;
}

std::vector<PropertyInfo> TVorbisCommentTag::WithCommentProperties(std::vector<PropertyInfo> before,
                                                                   std::vector<PropertyInfo> after) {
  using T = TVorbisCommentTag;
  std::vector<PropertyInfo> rows = std::move(before);
  for (PropertyInfo& row : std::vector<PropertyInfo>{
      TextProperty<T>("Title", &T::Title, &T::SetTitle),
      TextProperty<T>("Artist", &T::Artist, &T::SetArtist),
      TextProperty<T>("Album", &T::Album, &T::SetAlbum),
      Published<T>("Track", PropKind::Word, [](const T& t) { return std::int64_t{t.Track()}; },
                   [](T& t, const PropValue& v) { t.SetTrack(static_cast<std::uint16_t>(PropInt(v) & 0xFFFF)); }),
      TextProperty<T>("Date", &T::Date, &T::SetDate),
      TextProperty<T>("Genre", &T::Genre, &T::SetGenre),
      TextProperty<T>("Comment", &T::Comment, &T::SetComment),
      Published<T>("Vendor", PropKind::ByteString, &T::Vendor),
  })
    rows.push_back(std::move(row));
  for (PropertyInfo& row : after) rows.push_back(std::move(row));
  return rows;
}
