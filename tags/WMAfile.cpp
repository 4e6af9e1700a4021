// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/WMAfile.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

using Guid = std::array<std::uint8_t, 16>;

// The 16 bytes of a GUID as ASF stores it: the first three groups little-endian,
// the last eight bytes as written.
constexpr Guid MakeGuid(std::uint32_t first, std::uint16_t second, std::uint16_t third,
                        std::uint64_t last) {
  Guid guid{};
  for (int i = 0; i < 4; ++i) guid[i] = static_cast<std::uint8_t>(first >> (8 * i));
  guid[4] = static_cast<std::uint8_t>(second);
  guid[5] = static_cast<std::uint8_t>(second >> 8);
  guid[6] = static_cast<std::uint8_t>(third);
  guid[7] = static_cast<std::uint8_t>(third >> 8);
  for (int i = 0; i < 8; ++i) guid[8 + i] = static_cast<std::uint8_t>(last >> (56 - 8 * i));
  return guid;
}

constexpr Guid HeaderObjectGuid = MakeGuid(0x75B22630, 0x668E, 0x11CF, 0xA6D900AA0062CE6CULL);
constexpr Guid FilePropertiesGuid = MakeGuid(0x8CABDCA1, 0xA947, 0x11CF, 0x8EE400C00C205365ULL);
constexpr Guid StreamPropertiesGuid = MakeGuid(0xB7DC0791, 0xA9B7, 0x11CF, 0x8EE600C00C205365ULL);
constexpr Guid ContentDescriptionGuid =
    MakeGuid(0x75B22633, 0x668E, 0x11CF, 0xA6D900AA0062CE6CULL);
constexpr Guid ExtendedContentDescriptionGuid =
    MakeGuid(0xD2D0A440, 0xE307, 0x11D2, 0x97F000A0C95EA850ULL);

// GUID and 64-bit size.
constexpr std::int64_t ObjectHeaderSize = 24;
// GUID, 64-bit size, 32-bit object count and two reserved bytes.
constexpr std::size_t HeaderObjectHeadSize = 30;

constexpr std::int64_t MaxBitRateOffset = 100;
constexpr std::int64_t AudioChannelsOffset = 80;

struct TagData {
  std::u16string title, artist, album, track, year, genre, comment;
};

struct FileData {
  std::int64_t fileSize = 0;
  std::int32_t maxBitRate = 0;
  std::uint16_t channels = 0;
  std::int32_t sampleRate = 0;
  std::int32_t byteRate = 0;
  TagData tag;
};

using tagbytes::Le16At;
using tagbytes::Le32At;
using tagbytes::Le64At;

// Reads inside one header object: nothing past the object's end is ever read, so a length
// field that lies only shortens what is read.
class ObjectReader {
public:
  ObjectReader(platform::File& file, std::int64_t start, std::int64_t size)
      : file_(file), start_(start), end_(start + size) {}

  bool SeekTo(std::int64_t offset) {
    if (offset < 0 || start_ + offset > end_) return false;
    return file_.Seek(start_ + offset);
  }
  bool Skip(std::int64_t count) { return SeekTo(file_.Position() - start_ + count); }

  bool U16(std::uint16_t& value) {
    std::uint8_t bytes[2];
    if (!Take(bytes, sizeof bytes)) return false;
    value = Le16At(bytes);
    return true;
  }
  bool I32(std::int32_t& value) {
    std::uint8_t bytes[4];
    if (!Take(bytes, sizeof bytes)) return false;
    value = static_cast<std::int32_t>(Le32At(bytes));
    return true;
  }

  // A UTF-16LE string of byteLength bytes (fewer when the object ends first); an odd last
  // byte is dropped, a terminating NUL is kept.
  std::u16string Utf16(std::size_t byteLength) {
    std::int64_t left = Remaining();
    if (static_cast<std::int64_t>(byteLength) > left) byteLength = static_cast<std::size_t>(left);
    std::vector<std::uint8_t> bytes(byteLength);
    bytes.resize(file_.Read(bytes.data(), bytes.size()));
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(Le16At(&bytes[2 * i]));
    return text;
  }

private:
  std::int64_t Remaining() const {
    std::int64_t left = end_ - file_.Position();
    return left > 0 ? left : 0;
  }
  bool Take(void* out, std::size_t count) {
    if (static_cast<std::int64_t>(count) > Remaining()) return false;
    return file_.ReadExact(out, count);
  }

  platform::File& file_;
  std::int64_t start_;
  std::int64_t end_;
};

// Trimming drops the code units up to and including the space at both ends, among them the
// NUL that ends every ASF string.
using tagbytes::Trimmed;

void ReadContentDescription(ObjectReader& reader, TagData& tag) {
  std::uint16_t lengths[5];
  for (auto& length : lengths) {
    if (!reader.U16(length)) return;
  }
  std::u16string* targets[5] = {&tag.title, &tag.artist, nullptr, &tag.comment, nullptr};
  for (int i = 0; i < 5; ++i) {
    if (lengths[i] == 0) continue;
    std::u16string text = reader.Utf16(lengths[i]);
    if (targets[i]) *targets[i] = std::move(text);
  }
}

std::u16string* TagTextNamed(const std::string& name, TagData& tag) {
  static const struct {
    const char* name;
    std::u16string TagData::*text;
  } fields[] = {
      {"WM/TITLE", &TagData::title},     {"WM/AUTHOR", &TagData::artist},
      {"WM/ALBUMTITLE", &TagData::album}, {"WM/TRACK", &TagData::track},
      {"WM/YEAR", &TagData::year},       {"WM/GENRE", &TagData::genre},
      {"WM/DESCRIPTION", &TagData::comment},
  };
  for (const auto& field : fields) {
    if (platform::SameTextIgnoringAsciiCase(name, field.name)) return &(tag.*field.text);
  }
  return nullptr;
}

void ReadExtendedContent(ObjectReader& reader, TagData& tag) {
  constexpr std::uint16_t UnicodeString = 0;
  std::uint16_t count = 0;
  if (!reader.U16(count)) return;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint16_t nameLength = 0, valueType = 0, valueLength = 0;
    if (!reader.U16(nameLength)) return;
    std::u16string name = reader.Utf16(nameLength);
    if (!reader.U16(valueType) || !reader.U16(valueLength)) return;
    std::u16string value;
    if (valueType == UnicodeString) {
      value = reader.Utf16(valueLength);
    } else if (!reader.Skip(valueLength)) {
      return;
    }
    std::u16string* target = TagTextNamed(platform::Utf16ToCp932(Trimmed(name)), tag);
    // A value of another type leaves the text as it was.
    if (target && valueType == UnicodeString) *target = std::move(value);
  }
}

void ReadHeaderObject(const Guid& guid, ObjectReader& reader, FileData& data) {
  if (guid == FilePropertiesGuid) {
    if (reader.SeekTo(MaxBitRateOffset)) reader.I32(data.maxBitRate);
  } else if (guid == StreamPropertiesGuid) {
    // Only a stream object that holds the whole audio format record counts.
    std::uint16_t channels = 0;
    std::int32_t sampleRate = 0, byteRate = 0;
    if (reader.SeekTo(AudioChannelsOffset) && reader.U16(channels) && reader.I32(sampleRate) &&
        reader.I32(byteRate)) {
      data.channels = channels;
      data.sampleRate = sampleRate;
      data.byteRate = byteRate;
    }
  } else if (guid == ContentDescriptionGuid) {
    if (reader.SeekTo(ObjectHeaderSize)) ReadContentDescription(reader, data.tag);
  } else if (guid == ExtendedContentDescriptionGuid) {
    if (reader.SeekTo(ObjectHeaderSize)) ReadExtendedContent(reader, data.tag);
  }
}

// Walks the header objects. False when the file cannot be read or its header object is
// cut short. The walk ends early at an object smaller than its own header or one reaching
// past the end of the file, so neither a lying size nor a huge count can keep it going.
bool ReadAsfHeader(platform::File& file, FileData& data) {
  const std::int64_t fileSize = file.Size();
  if (fileSize < 0 || !file.Seek(0)) return false;
  data.fileSize = fileSize;

  std::uint8_t head[HeaderObjectHeadSize];
  if (!file.ReadExact(head, Guid{}.size())) return false;
  if (std::memcmp(head, HeaderObjectGuid.data(), Guid{}.size()) != 0) return true;
  if (!file.ReadExact(head + 16, HeaderObjectHeadSize - 16)) return false;
  const std::int32_t count = static_cast<std::int32_t>(Le32At(head + 24));

  std::int64_t position = HeaderObjectHeadSize;
  for (std::int32_t i = 0; i < count; ++i) {
    if (fileSize - position < ObjectHeaderSize) break;
    std::uint8_t objectHead[ObjectHeaderSize];
    if (!file.Seek(position) || !file.ReadExact(objectHead, sizeof objectHead)) return false;
    const std::uint64_t objectSize = Le64At(objectHead + 16);
    if (objectSize < static_cast<std::uint64_t>(ObjectHeaderSize) ||
        objectSize > static_cast<std::uint64_t>(fileSize - position)) {
      break;
    }
    Guid guid;
    std::memcpy(guid.data(), objectHead, guid.size());
    ObjectReader reader(file, position, static_cast<std::int64_t>(objectSize));
    ReadHeaderObject(guid, reader, data);
    position += static_cast<std::int64_t>(objectSize);
  }
  return true;
}

bool IsValid(const FileData& data) {
  return data.maxBitRate >= 1 && data.maxBitRate <= 319999 &&
         (data.channels == 1 || data.channels == 2) && data.sampleRate >= 8000 &&
         data.sampleRate <= 96000 && data.byteRate >= 1 && data.byteRate <= 39999;
}

}  // namespace

TWMAfile::TWMAfile() { Clear(); }

void TWMAfile::Clear() {
  ClearBase();
  valid_ = false;
  fileSize_ = 0;
  channelModeID_ = 0;
  sampleRate_ = 0;
  duration_ = 0;
  bitRate_ = 0;
  title_.clear();
  artist_.clear();
  album_.clear();
  track_ = 0;
  year_.clear();
  genre_.clear();
  comment_.clear();
}

std::string TWMAfile::ChannelMode() const {
  static const char* const names[] = {"Unknown", "Mono", "Stereo"};
  return channelModeID_ < 3 ? names[channelModeID_] : names[0];
}

void TWMAfile::ClearFields() { Clear(); }

bool TWMAfile::ReadFrom(platform::File& file) {
  FileData data;
  if (!ReadAsfHeader(file, data) || !IsValid(data)) return false;
  valid_ = true;
  fileSize_ = tagbytes::CappedTo<std::int32_t>(data.fileSize);
  channelModeID_ = static_cast<std::uint8_t>(data.channels);
  sampleRate_ = data.sampleRate;
  duration_ = static_cast<double>(data.fileSize) * 8 / data.maxBitRate;
  bitRate_ = data.byteRate * 8 / 1000;
  title_ = Trimmed(data.tag.title);
  artist_ = Trimmed(data.tag.artist);
  album_ = Trimmed(data.tag.album);
  track_ = tagbytes::WholeDecimalOrZero(std::u16string_view(Trimmed(data.tag.track)));
  year_ = Trimmed(data.tag.year);
  genre_ = Trimmed(data.tag.genre);
  comment_ = Trimmed(data.tag.comment);
  SetFileFormat("WMA");
  return true;
}

const PropertyTable& TWMAfile::Properties() const {
  using T = TWMAfile;
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
          Published<T>("FileSize", PropKind::Integer, &T::FileSize),
          Published<T>("ChannelModeID", PropKind::Byte, &T::ChannelModeID),
          Published<T>("ChannelMode", PropKind::ByteString, &T::ChannelMode),
          Published<T>("SampleRate", PropKind::Integer, &T::SampleRate),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("BitRate", PropKind::Integer, &T::BitRate),
          Published<T>("Title", PropKind::WideString, &T::Title),
          Published<T>("Artist", PropKind::WideString, &T::Artist),
          Published<T>("Album", PropKind::WideString, &T::Album),
          Published<T>("Track", PropKind::Integer, &T::Track),
          Published<T>("Year", PropKind::WideString, &T::Year),
          Published<T>("Genre", PropKind::WideString, &T::Genre),
          Published<T>("Comment", PropKind::WideString, &T::Comment),
      });
  return table;
}
