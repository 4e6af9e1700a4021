// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/FLACfile.h"

#include <climits>

#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::size_t StreamInfoBytes = 26;
// The byte values of "fLaC" add up to this.
constexpr unsigned SignatureSum = 342;

}  // namespace

TFLACfile::TFLACfile() { Clear(); }

void TFLACfile::Clear() {
  ClearBase();
  channels_ = 0;
  sampleRate_ = 0;
  bitsPerSample_ = 0;
  fileLength_ = 0;
  samples_ = 0;
  id3v1_ = std::make_unique<TID3v1>();
  id3v2_ = std::make_unique<TID3v2>();
}

void TFLACfile::ClearFields() { Clear(); }

bool TFLACfile::ReadFrom(platform::File& file) {
  std::uint8_t b[StreamInfoBytes];
  const std::int64_t size = file.Size();
  if (size < 0 || !file.Seek(0) || !file.ReadExact(b, sizeof b)) return false;
  // Deliberate: any four bytes that add up like "fLaC" are taken, and the format is named
  // "FRAC"; the song list and the tag tool show that name as it is.
  if (unsigned{b[0]} + b[1] + b[2] + b[3] != SignatureSum) return false;
  fileLength_ = tagbytes::CappedTo<std::int32_t>(size);
  channels_ = static_cast<std::uint8_t>(((b[20] >> 1) & 7) + 1);
  sampleRate_ = b[18] * 4096 + b[19] * 16 + (b[20] >> 4);
  bitsPerSample_ = static_cast<std::uint8_t>((b[20] & 1) * 16 + (b[21] >> 4) + 1);
  samples_ = static_cast<std::int32_t>(tagbytes::Be32At(b + 22));
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
      {
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
      });
  return table;
}
