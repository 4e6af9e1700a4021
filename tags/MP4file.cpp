// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MP4file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "platform/CodePage.h"
#include "platform/File.h"
#include "text/jconvert.h"
#include "text/jconvertex.h"
#include "tags/ID3v1.h"
#include "tags/TagBytes.h"

namespace {

// Containers deeper than this are skipped like unknown atoms, so that a file made of
// nested containers cannot exhaust the stack.
constexpr int MaxDepth = 32;
constexpr std::int64_t AtomHeaderSize = 8;
constexpr std::int64_t DataAtomHeaderSize = 16;
constexpr std::int64_t MovieHeaderBytesUsed = 32;
// Far beyond any real file, small enough that position + payload cannot overflow.
constexpr std::int64_t MaxPayload = std::int64_t{1} << 60;

// Atom names are looked up as "NAME/" inside these lists; a name that is the tail of a
// listed name matches as well.
constexpr std::string_view ItemNames =
    "AART/AKID/ALB/APID/ATID/ART/CMT/CNID/COVR/CPIL/CPRT/DAY/DISK/GEID/GEN/GNRE/GRP/NAM/"
    "PLID/RTNG/TMPO/TOO/TRKN/WRT/LYR/";
constexpr std::string_view SpecialNames = "MDAT/META/MVHD/STSD/";
constexpr std::string_view ContainerNames = "ILST/MDIA/MINF/MOOV/STBL/TRAK/UDTA/";

// Value types of a data atom.
constexpr int ValueNumber = 0;
constexpr int ValueUtf8Text = 1;
constexpr int ValueSignedInteger = 21;

using tagbytes::Be16At;
using tagbytes::Be32At;
using tagbytes::Be64At;

// The ASCII letters of the four type bytes, upper-cased: A9 6E 61 6D gives "NAM".
std::string AtomName(const std::uint8_t* type) {
  std::string name;
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>(type[i]);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) name += platform::UpperAsciiChar(c);
  }
  return name;
}

bool Listed(std::string_view list, const std::string& key) {
  return list.find(key) != std::string_view::npos;
}

// A number item: the first byte, or the big-endian value of the first two or four bytes.
std::uint32_t NumberValue(const std::vector<std::uint8_t>& value) {
  switch (value.size()) {
    case 1:
    case 3: return value[0];
    case 2: return Be16At(value.data());
    default: return Be32At(value.data());  // four bytes or more
  }
}

// trkn: the track as a number of one, two or four bytes, or the first four of eight.
std::uint32_t TrackValue(const std::vector<std::uint8_t>& value) {
  switch (value.size()) {
    case 2: return Be16At(value.data());
    case 4:
    case 8: return Be32At(value.data());
    default: return value[0];
  }
}

std::uint32_t TrackCountValue(const std::vector<std::uint8_t>& value) {
  return value.size() == 8 ? Be16At(value.data() + 4) : 0;
}

// A big-endian signed integer of 1 to 4 or 8 bytes; false for any other length.
bool SignedIntegerText(const std::vector<std::uint8_t>& value, std::string& text) {
  std::size_t n = value.size();
  if (n == 0 || (n > 4 && n != 8)) return false;
  std::uint64_t bits = 0;
  for (std::uint8_t b : value) bits = (bits << 8) | b;
  if (n < 8 && (value[0] & 0x80)) bits |= ~std::uint64_t{0} << (8 * n);  // sign extension
  text = std::to_string(static_cast<std::int64_t>(bits));
  return true;
}

// Every lone CR becomes CR LF; a CR LF stays as it is.
std::u16string CrToCrLf(const std::u16string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n')) out += u'\n';
  }
  return out;
}

// A decimal 32-bit integer, 0 when the text is not one.
std::int32_t DecimalOrZero(const std::string& text) {
  std::int32_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) return 0;
  return value;
}

std::u16string AsciiToWide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

// Walks the atom tree of one open file on behalf of a TMP4file. A false result is an error
// that ends the walk (the file is then refused).
class Mp4AtomWalker {
public:
  Mp4AtomWalker(TMP4file& owner, platform::File& file) : owner_(owner), file_(file), fileSize_(file.Size()) {}

  // Reads atoms from the current position while it is below start + length.
  bool ReadAtomList(int depth, std::int64_t length) {
    std::int64_t end = file_.Position() + length;
    while (file_.Position() < end) {
      std::int64_t position = file_.Position();
      if (end - position < AtomHeaderSize || fileSize_ - position < AtomHeaderSize) {
        // Too little left for a header: the rest of this level is padding.
        file_.Seek(end);
        break;
      }
      if (!ReadAtom(depth, end)) return false;
    }
    return true;
  }

private:
  void Append(std::string line) { owner_.RawValues().push_back(std::move(line)); }

  void SkipTo(std::int64_t position) { file_.Seek(position); }

  bool ReadAtom(int depth, std::int64_t listEnd) {
    std::uint8_t header[8];
    std::int64_t atomStart = file_.Position();
    if (!file_.ReadExact(header, sizeof header)) return true;  // cannot happen: checked by the list
    std::uint32_t size = Be32At(header);
    std::int64_t payload;
    if (size == 1) {
      std::uint8_t extended[8];
      if (!file_.ReadExact(extended, sizeof extended)) return false;  // the header cannot be read
      std::uint64_t size64 = Be64At(extended);
      std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
      payload = static_cast<std::int64_t>(size64 > limit ? limit : size64) - 16;
    } else if (size == 0) {
      // Size 0: the atom reaches to the end of the level that holds it.
      payload = listEnd - (atomStart + AtomHeaderSize);
    } else {
      payload = static_cast<std::int64_t>(size) - AtomHeaderSize;
    }
    if (payload <= 0) return true;
    payload = std::min(payload, MaxPayload);

    std::int64_t payloadStart = file_.Position();
    std::int64_t payloadEnd = payloadStart + payload;
    std::string name = AtomName(header + 4);
    std::string key = name + "/";
    if (Listed(ItemNames, key)) {
      ReadItem(name, payload);
      return true;
    }
    if (Listed(SpecialNames, key)) {
      if (key == "META/") return ReadNested(depth, payloadStart + 4, payload - 4, payloadEnd);
      if (key == "MVHD/") return ReadMovieHeader(payload);
      SkipTo(payloadEnd);  // mdat, stsd and the tails of listed names
      return true;
    }
    if (Listed(ContainerNames, key)) return ReadNested(depth, payloadStart, payload, payloadEnd);
    SkipTo(payloadEnd);
    return true;
  }

  bool ReadNested(int depth, std::int64_t start, std::int64_t length, std::int64_t payloadEnd) {
    if (depth + 1 > MaxDepth) {
      SkipTo(payloadEnd);
      return true;
    }
    SkipTo(start);
    return ReadAtomList(depth + 1, length);
  }

  // Reads the item's first data atom. Only that atom is consumed: whatever follows it inside
  // the item is read as further atoms of the item's level. A data atom whose size is 0 (or
  // too small for its header) or runs past the item is broken: the item gives nothing, and
  // the walk goes on after it.
  void ReadItem(const std::string& name, std::int64_t payload) {
    std::int64_t payloadStart = file_.Position();
    if (payload < DataAtomHeaderSize) {
      SkipTo(payloadStart + payload);
      return;
    }
    std::uint8_t header[DataAtomHeaderSize];
    if (!file_.ReadExact(header, sizeof header)) {
      SkipTo(fileSize_);
      return;
    }
    const std::uint32_t dataSize = Be32At(header);
    if (dataSize < DataAtomHeaderSize || static_cast<std::int64_t>(dataSize) > payload) {
      SkipTo(payloadStart + payload);
      return;
    }
    std::int64_t valueLength = static_cast<std::int64_t>(dataSize) - DataAtomHeaderSize;
    if (valueLength < 0) valueLength = 0;
    int valueType = header[11];
    std::int64_t valueStart = file_.Position();
    if (valueType == ValueNumber || valueType == ValueUtf8Text || valueType == ValueSignedInteger) {
      // ReadBytes never reads past the end of the file, whatever the declared length.
      std::vector<std::uint8_t> value = file_.ReadBytes(static_cast<std::size_t>(valueLength));
      AddItemLines(name, valueType, value);
    }
    SkipTo(valueStart + valueLength);
  }

  void AddItemLines(const std::string& name, int valueType, const std::vector<std::uint8_t>& value) {
    if (valueType == ValueUtf8Text) {
      std::string text(value.begin(), value.end());
      Append(name + "=" + ConvertTextCode(text, jcSJIS, jcAuto));
      return;
    }
    if (valueType == ValueSignedInteger) {
      std::string number;
      if (!SignedIntegerText(value, number)) number.assign(value.begin(), value.end());
      Append(name + "=" + number);
      return;
    }
    if (value.empty()) return;  // a number without bytes adds no line
    if (name == "TRKN") {
      std::uint32_t track = TrackValue(value);
      Append("TRKN=" + std::to_string(track));
      Append("TrackCount=" + std::to_string(TrackCountValue(value)));
      owner_.track_ = static_cast<std::int32_t>(track);
      return;
    }
    Append(name + "=" + std::to_string(NumberValue(value)));
  }

  // Reads time scale and duration. A time scale of 0 is an error; a header that is too short,
  // of another version than 0 and 1, or of a duration beyond 64-bit seconds sets nothing.
  bool ReadMovieHeader(std::int64_t payload) {
    std::int64_t payloadEnd = file_.Position() + payload;
    std::uint8_t bytes[MovieHeaderBytesUsed];
    bool complete = payload >= MovieHeaderBytesUsed && file_.ReadExact(bytes, sizeof bytes);
    SkipTo(payloadEnd);
    if (!complete) return true;
    std::uint32_t timeScale;
    std::uint64_t duration;
    if (bytes[0] == 0) {
      timeScale = Be32At(bytes + 12);
      duration = Be32At(bytes + 16);
    } else if (bytes[0] == 1) {
      timeScale = Be32At(bytes + 20);
      duration = Be64At(bytes + 24);
    } else {
      return true;
    }
    if (timeScale == 0) return false;
    long double seconds = static_cast<long double>(duration) / timeScale;
    if (seconds >= 9.0e18L) return true;
    owner_.SetPlayingTime(seconds);
    return true;
  }

  TMP4file& owner_;
  platform::File& file_;
  std::int64_t fileSize_;
};

TMP4file::TMP4file() { Clear(); }

void TMP4file::Clear() {
  sampleRate_ = 0;
  duration_ = 0.0;
  track_ = 0;
  time_.clear();
  album_.clear();
  artist_.clear();
  comment_.clear();
  genre_.clear();
  title_.clear();
  year_.clear();
  encoder_.clear();
  composer_.clear();
  tempo_.clear();
  lyrics_.clear();
}

const PropertyTable& TMP4file::Properties() const {
  using T = TMP4file;
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<T>("SampleRate", PropKind::Integer, &T::SampleRate),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("Title", PropKind::WideString, &T::Title),
          Published<T>("Artist", PropKind::WideString, &T::Artist),
          Published<T>("Album", PropKind::WideString, &T::Album),
          Published<T>("Track", PropKind::Integer, &T::Track),
          Published<T>("Year", PropKind::WideString, &T::Year),
          Published<T>("Genre", PropKind::WideString, &T::Genre),
          Published<T>("Comment", PropKind::WideString, &T::Comment),
          Published<T>("Time", PropKind::WideString, &T::Time),
          Published<T>("Tempo", PropKind::WideString, &T::Tempo),
          Published<T>("Encoder", PropKind::WideString, &T::Encoder),
          Published<T>("Composer", PropKind::WideString, &T::Composer),
          Published<T>("Lyrics", PropKind::WideString, &T::Lyrics),
      });
  return table;
}

void TMP4file::ClearFields() {
  Clear();
  ClearBase();
}

bool TMP4file::ReadFrom(platform::File& file) {
  std::uint8_t head[8];
  if (!file.Seek(0) || !file.ReadExact(head, sizeof head)) return false;
  const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
  if (!platform::SameTextIgnoringAsciiCase(type, "FTYP")) return false;
  file.Seek(0);
  Mp4AtomWalker walker(*this, file);
  if (!walker.ReadAtomList(0, file.Size())) return false;
  SetFileFormat("M4A");
  CopyPropertiesFromRawValues();
  return true;
}

bool TMP4file::StripFromFile(const std::string&) { return false; }
bool TMP4file::WriteToFile(const std::string&) { return false; }

std::string TMP4file::RawValue(std::string_view name) const {
  for (const std::string& line : RawValues()) {
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (platform::SameTextIgnoringAsciiCase(std::string_view(line).substr(0, equals), name)) {
      return line.substr(equals + 1);
    }
  }
  return {};
}

void TMP4file::CopyPropertiesFromRawValues() {
  auto wide = [this](std::string_view name) { return platform::Cp932ToUtf16(RawValue(name)); };
  album_ = wide("ALB");
  artist_ = wide("ART");
  year_ = wide("DAY");
  genre_ = platform::Cp932ToUtf16(GenreText());
  title_ = wide("NAM");
  comment_ = CrToCrLf(wide("CMT"));
  track_ = DecimalOrZero(RawValue("TRKN"));
  tempo_ = wide("TMPO");
  encoder_ = wide("TOO");
  composer_ = wide("WRT");
  lyrics_ = CrToCrLf(wide("LYR"));
}

std::string TMP4file::GenreText() const {
  // A genre code is the ID3v1 genre number plus one; a code outside the table shows as it is.
  const std::string code = RawValue("GNRE");
  if (code.empty()) return RawValue("GEN");
  const std::int32_t number = DecimalOrZero(code);
  const std::string name = ID3v1GenreName(number - 1);
  return name.empty() ? code : name;
}

void TMP4file::SetPlayingTime(long double seconds) {
  auto minutes = static_cast<std::int64_t>(std::trunc(seconds / 60));
  auto wholeSeconds = static_cast<std::int64_t>(std::trunc(seconds - static_cast<long double>(minutes) * 60));
  auto milliseconds = static_cast<std::int64_t>(std::trunc((seconds - std::trunc(seconds)) * 1000 + 0.5L));
  auto roundedSeconds = static_cast<std::int64_t>(std::trunc(seconds + 0.5L));
  RawValues().push_back("SECS=" + std::to_string(roundedSeconds));
  RawValues().push_back("MM=" + std::to_string(minutes));
  RawValues().push_back("SS=" + std::to_string(wholeSeconds));
  RawValues().push_back("MS=" + std::to_string(milliseconds));
  char text[48];
  std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(minutes),
                static_cast<long long>(wholeSeconds));
  time_ = AsciiToWide(text);
  duration_ = static_cast<double>(seconds);
}
