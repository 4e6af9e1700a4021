// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/MPEGaudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string_view>

#include "platform/File.h"
#include "tags/TagBytes.h"

namespace {

constexpr std::int64_t ID3v1TagSize = 128;
constexpr std::uint8_t VersionMPEG1 = 3;
constexpr std::uint8_t LayerIII = 1;
constexpr std::uint8_t LayerII = 2;
constexpr std::uint8_t LayerI = 3;
constexpr std::uint8_t ModeStereo = 0;
constexpr std::uint8_t ModeDualChannel = 2;
constexpr std::uint8_t ModeMono = 3;

}  // namespace

namespace mpegaudio {
namespace {

// The end-vendor search looks at most this far back; its first position is 8 bytes
// before the end of the block, so that "LAME" and four more bytes fit.
constexpr int EndVendorStart = static_cast<int>(BlockSize) - 8;

// Indexed by version index, then layer index (0 reserved, 1 Layer III, 2 Layer II,
// 3 Layer I), then bit rate index.
constexpr std::uint16_t BitRates[4][4][16] = {
    // MPEG 2.5
    {{0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}},
    // reserved
    {{0}, {0}, {0}, {0}},
    // MPEG 2
    {{0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0}},
    // MPEG 1
    {{0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}},
};

// Indexed by version index, then sample rate index.
constexpr std::uint16_t SampleRates[4][4] = {
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
};

// True when count bytes at pos lie wholly inside the size bytes of a block.
bool Inside(std::size_t size, std::size_t pos, std::size_t count) {
  return pos <= size && count <= size - pos;
}

std::int32_t BigEndian32(const std::uint8_t* bytes) {
  return static_cast<std::int32_t>(tagbytes::Be32At(bytes));
}

bool SameBytes(const std::uint8_t* bytes, std::string_view text) {
  return std::memcmp(bytes, text.data(), text.size()) == 0;
}

void ReadXing(const std::uint8_t* data, std::size_t size, std::size_t q, VBRData& vbr) {
  vbr.Present = true;
  vbr.Signature = "Xing";
  if (Inside(size, q + 8, 4)) vbr.TotalFrames = BigEndian32(data + q + 8);
  if (Inside(size, q + 12, 4)) vbr.TotalBytes = BigEndian32(data + q + 12);
  if (Inside(size, q + 119, 1)) vbr.Quality = data[q + 119];
  if (Inside(size, q + 120, 8)) vbr.Vendor.assign(reinterpret_cast<const char*>(data + q + 120), 8);
}

void ReadVBRI(const std::uint8_t* data, std::size_t size, std::size_t q, VBRData& vbr) {
  vbr.Present = true;
  vbr.Signature = "VBRI";
  if (Inside(size, q + 9, 1)) vbr.Quality = data[q + 9];
  if (Inside(size, q + 10, 4)) vbr.TotalBytes = BigEndian32(data + q + 10);
  if (Inside(size, q + 14, 4)) vbr.TotalFrames = BigEndian32(data + q + 14);
}

// "Info" is the Xing layout that LAME and ffmpeg put into a constant bit rate file: only its
// frame count is taken, and the stream is otherwise read as one without a VBR header.
void ReadInfo(const std::uint8_t* data, std::size_t size, std::size_t q, FrameData& frame) {
  constexpr std::uint32_t FramesFlag = 1;
  if (!Inside(size, q + 4, 8) || !(tagbytes::Be32At(data + q + 4) & FramesFlag)) return;
  frame.InfoFrames = std::max(BigEndian32(data + q + 8), 0);
}

void ReadVBRHeader(const std::uint8_t* data, std::size_t size, std::size_t q, FrameData& frame,
                   VBRData& vbr) {
  if (!Inside(size, q, 4)) return;
  if (SameBytes(data + q, "Xing")) {
    ReadXing(data, size, q, vbr);
  } else if (SameBytes(data + q, "VBRI")) {
    ReadVBRI(data, size, q, vbr);
  } else if (SameBytes(data + q, "Info")) {
    ReadInfo(data, size, q, frame);
  }
}

bool SixZeroBytes(const std::uint8_t* data, std::size_t size, std::size_t pos) {
  if (!Inside(size, pos, 6)) return false;
  return std::all_of(data + pos, data + pos + 6, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

bool IsFrameHeader(const std::uint8_t* header) {
  const std::uint8_t b1 = header[1];
  const std::uint8_t b2 = header[2];
  return header[0] == 0xFF && b1 >= 0xE0 && ((b1 >> 3) & 3) != 1 && ((b1 >> 1) & 3) != 0 &&
         b2 > 15 && b2 < 240 && ((b2 >> 2) & 3) != 3 && (header[3] & 3) != 2;
}

void DecodeHeader(const std::array<std::uint8_t, 4>& header, FrameData& frame) {
  frame.Header = header;
  frame.VersionIndex = (header[1] >> 3) & 3;
  frame.LayerIndex = (header[1] >> 1) & 3;
  frame.ProtectionBit = (header[1] & 1) == 0;
  frame.BitRateIndex = header[2] >> 4;
  frame.SampleRateIndex = (header[2] >> 2) & 3;
  frame.PaddingBit = ((header[2] >> 1) & 1) != 0;
  frame.PrivateBit = (header[2] & 1) != 0;
  frame.ModeIndex = header[3] >> 6;
  frame.ModeExtension = (header[3] >> 4) & 3;
  frame.CopyrightBit = ((header[3] >> 3) & 1) != 0;
  frame.OriginalBit = ((header[3] >> 2) & 1) != 0;
  frame.EmphasisIndex = header[3] & 3;
}

int BitRateOf(const FrameData& frame) {
  if (frame.VersionIndex > 3 || frame.LayerIndex > 3 || frame.BitRateIndex > 15) return 0;
  return BitRates[frame.VersionIndex][frame.LayerIndex][frame.BitRateIndex];
}

int SampleRateOf(const FrameData& frame) {
  if (frame.VersionIndex > 3 || frame.SampleRateIndex > 3) return 0;
  return SampleRates[frame.VersionIndex][frame.SampleRateIndex];
}

int CoefficientOf(const FrameData& frame) {
  switch (frame.LayerIndex) {
    case LayerI: return 48;
    case LayerII: return 144;
    case LayerIII: return frame.VersionIndex == VersionMPEG1 ? 144 : 72;
    default: return 0;
  }
}

int PaddingOf(const FrameData& frame) {
  if (!frame.PaddingBit) return 0;
  return frame.LayerIndex == LayerI ? 4 : 1;
}

int FrameLengthOf(const FrameData& frame) {
  const int sampleRate = SampleRateOf(frame);
  if (sampleRate == 0) return 0;
  const std::int64_t bytes =
      std::int64_t{CoefficientOf(frame)} * BitRateOf(frame) * 1000 / sampleRate;
  return static_cast<std::uint16_t>(bytes + PaddingOf(frame));
}

int VBRHeaderOffsetOf(const FrameData& frame) {
  const bool mono = frame.ModeIndex == ModeMono;
  if (frame.VersionIndex == VersionMPEG1) return mono ? 21 : 36;
  return mono ? 13 : 21;
}

bool LocateFrame(const std::uint8_t* data, std::size_t size, FrameData& frame, VBRData& vbr) {
  frame = FrameData{};
  vbr = VBRData{};
  for (std::size_t p = 0; p <= MaxFrameStart && Inside(size, p, 4); ++p) {
    if (!IsFrameHeader(data + p)) continue;
    FrameData candidate;
    DecodeHeader({data[p], data[p + 1], data[p + 2], data[p + 3]}, candidate);
    const std::size_t length = static_cast<std::size_t>(FrameLengthOf(candidate));
    const std::size_t next = p + length;
    if (length == 0 || !Inside(size, next, 4) || !IsFrameHeader(data + next)) continue;

    frame = candidate;
    frame.Found = true;
    frame.FrameOffset = static_cast<std::int32_t>(p);
    frame.FrameSize = static_cast<std::uint16_t>(length);
    frame.ZeroStart = SixZeroBytes(data, size, p + 4);
    std::copy_n(data + next, 4, frame.NextHeader.begin());
    ReadVBRHeader(data, size, p + static_cast<std::size_t>(VBRHeaderOffsetOf(frame)), frame, vbr);
    return true;
  }
  return false;
}

std::string FindEndVendor(const std::uint8_t* data, std::size_t size, int window) {
  const int last = std::clamp(window, -1, EndVendorStart);
  if (last < 0 || size < 4) return {};
  // Walks backwards from EndVendorStart over the positions that hold four bytes, from one
  // "L" or "G" to the next.
  const std::size_t lowest = static_cast<std::size_t>(EndVendorStart - last);
  const std::size_t highest = std::min<std::size_t>(EndVendorStart, size - 4);
  std::size_t end = highest + 1;  // positions still to look at: [lowest, end)
  while (end > lowest) {
    const auto* l = static_cast<const std::uint8_t*>(memrchr(data + lowest, 'L', end - lowest));
    const auto* g = static_cast<const std::uint8_t*>(memrchr(data + lowest, 'G', end - lowest));
    const std::uint8_t* hit = std::max(l, g, std::less<>());
    if (!hit) break;
    const auto pos = static_cast<std::size_t>(hit - data);
    if (SameBytes(hit, "LAME") && Inside(size, pos, 8)) {
      return std::string(reinterpret_cast<const char*>(hit), 8);
    }
    if (SameBytes(hit, "GOGO")) return "GOGO";
    end = pos;
  }
  return {};
}

}  // namespace mpegaudio

namespace {

constexpr const char* VersionNames[] = {"MPEG 2.5", "MPEG ?", "MPEG 2", "MPEG 1"};
constexpr const char* LayerNames[] = {"Layer ?", "Layer III", "Layer II", "Layer I"};
constexpr const char* ModeNames[] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};
constexpr const char* EmphasisNames[] = {"None", "50/15 ms", "Unknown", "CCIT J.17"};
constexpr const char* EncoderNames[] = {"Unknown", "Xing", "FhG",  "LAME",
                                        "Blade",   "GoGo", "Shine", "QDesign"};

enum EncoderGuess : std::uint8_t {
  EncoderUnknown = 0,
  EncoderXing = 1,
  EncoderFhG = 2,
  EncoderLAME = 3,
  EncoderBlade = 4,
  EncoderGoGo = 5,
  EncoderShine = 6,
  EncoderQDesign = 7,
};

template <std::size_t N>
std::string NameAt(const char* const (&names)[N], std::size_t index) {
  return index < N ? names[index] : names[N - 1];
}

std::string_view FirstFour(const std::string& text) {
  return std::string_view(text).substr(0, 4);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

TMPEGaudio::TMPEGaudio() { Clear(); }

void TMPEGaudio::Clear() {
  // Fresh objects: the tag classes offer no way to clear them from outside.
  id3v1_ = std::make_unique<TID3v1>();
  id3v2_ = std::make_unique<TID3v2>();
  ClearStream();
}

void TMPEGaudio::ClearStream() {
  fileLength_ = 0;
  streamStart_ = 0;
  vbr_ = VBRData{};
  frame_ = FrameData{};
  endVendor_.clear();
}

const PropertyTable& TMPEGaudio::Properties() const {
  using T = TMPEGaudio;
  static const PropertyTable table = DeriveProperties(
      BaseProperties(),
      {
          Published<T>("FileLength", PropKind::Integer, &T::FileLength),
          Published<T>("VBR", PropKind::Record, [](const T&) { return std::monostate{}; }),
          Published<T>("ID3v1", PropKind::Object, &T::ID3v1),
          Published<T>("ID3v2", PropKind::Object, &T::ID3v2),
          Published<T>("Version", PropKind::ByteString, &T::Version),
          Published<T>("Layer", PropKind::ByteString, &T::Layer),
          Published<T>("BitRate", PropKind::Word, &T::BitRate),
          Published<T>("SampleRate", PropKind::Word, &T::SampleRate),
          Published<T>("ChannelMode", PropKind::ByteString, &T::ChannelMode),
          Published<T>("Emphasis", PropKind::ByteString, &T::Emphasis),
          Published<T>("Frames", PropKind::Integer, &T::Frames),
          Published<T>("Duration", PropKind::Double, &T::Duration),
          Published<T>("EncoderID", PropKind::Byte, &T::EncoderID),
          Published<T>("Encoder", PropKind::ByteString, &T::Encoder),
          Published<T>("Valid", PropKind::Boolean, &T::Valid),
      });
  return table;
}

void TMPEGaudio::ClearFields() {
  ClearBase();
  Clear();
}

bool TMPEGaudio::ReadFrom(platform::File& file) {
  id3v2_->LoadFrom(file);
  if (!id3v2_->Exists()) id3v1_->LoadFrom(file);
  if (!id3v2_->Exists() && !id3v1_->Exists()) return false;

  const bool streamRead = ReadStream(file);
  if (!frame_.Found) {
    Clear();
  }
  if (!streamRead) return false;
  SetFileFormat("MP3");
  return true;
}

bool TMPEGaudio::ReadStream(platform::File& file) {
  using mpegaudio::BlockSize;
  const std::int64_t size = file.Size();
  if (size < 0) return false;
  fileLength_ = size;

  const std::int64_t tagSize = id3v2_->Size() > 0 ? EndOfID3v2TagsAt(file, id3v2_->Size()) : 0;
  streamStart_ = tagSize;
  std::array<std::uint8_t, BlockSize> block;
  if (!file.Seek(tagSize)) return false;
  std::size_t got = file.Read(block.data(), BlockSize);
  mpegaudio::LocateFrame(block.data(), got, frame_, vbr_);

  if (!frame_.Found && got == BlockSize) {
    if (!file.Seek((fileLength_ - tagSize) / 2)) return false;
    got = file.Read(block.data(), BlockSize);
    mpegaudio::LocateFrame(block.data(), got, frame_, vbr_);
  }

  if (frame_.Found && !vbr_.Present) {
    const std::int64_t id3v1Size = id3v1_->Exists() ? ID3v1TagSize : 0;
    if (!file.Seek(fileLength_ - static_cast<std::int64_t>(BlockSize) - id3v1Size)) return false;
    got = file.Read(block.data(), BlockSize);
    endVendor_ = mpegaudio::FindEndVendor(block.data(), got, 5 * int{frame_.FrameSize});
  }
  return true;
}

std::int64_t TMPEGaudio::AudioBytes() const {
  const std::int64_t id3v1Size = id3v1_->Exists() ? ID3v1TagSize : 0;
  return fileLength_ - streamStart_ - id3v1Size - frame_.FrameOffset;
}

std::int32_t TMPEGaudio::FileLength() const {
  return tagbytes::CappedTo<std::int32_t>(fileLength_);
}

std::string TMPEGaudio::Version() const { return NameAt(VersionNames, frame_.VersionIndex); }
std::string TMPEGaudio::Layer() const { return NameAt(LayerNames, frame_.LayerIndex); }
std::string TMPEGaudio::ChannelMode() const { return NameAt(ModeNames, frame_.ModeIndex); }
std::string TMPEGaudio::Emphasis() const { return NameAt(EmphasisNames, frame_.EmphasisIndex); }

std::uint16_t TMPEGaudio::BitRate() const {
  if (vbr_.Present && vbr_.TotalFrames > 0) {
    const int coefficient = mpegaudio::CoefficientOf(frame_);
    if (coefficient == 0) return 0;
    const double bytesPerFrame = static_cast<double>(vbr_.TotalBytes) / vbr_.TotalFrames;
    return tagbytes::RoundToWord((bytesPerFrame - mpegaudio::PaddingOf(frame_)) *
                                     mpegaudio::SampleRateOf(frame_) / coefficient / 1000,
                                 tagbytes::WordOverflow::Clamp);
  }
  if (frame_.InfoFrames > 0) {
    // The Info frame itself may be written at a lower rate than the music (ffmpeg does),
    // and its byte count includes the encoder's tag: the next frame has the true rate.
    FrameData next;
    mpegaudio::DecodeHeader(frame_.NextHeader, next);
    return static_cast<std::uint16_t>(mpegaudio::BitRateOf(next));
  }
  return static_cast<std::uint16_t>(mpegaudio::BitRateOf(frame_));
}

std::uint16_t TMPEGaudio::SampleRate() const {
  return static_cast<std::uint16_t>(mpegaudio::SampleRateOf(frame_));
}

std::int32_t TMPEGaudio::Frames() const {
  if (vbr_.Present) return vbr_.TotalFrames;
  if (frame_.InfoFrames > 0) return frame_.InfoFrames;
  const int length = mpegaudio::FrameLengthOf(frame_);
  if (!frame_.Found || length == 0) return 0;
  const std::int64_t frames = AudioBytes() / length;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      frames, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

double TMPEGaudio::Duration() const {
  if (!frame_.Found) return 0;
  const std::int32_t countedFrames =
      vbr_.Present ? vbr_.TotalFrames : frame_.InfoFrames;
  if (countedFrames > 0) {
    const int sampleRate = mpegaudio::SampleRateOf(frame_);
    if (sampleRate == 0) return 0;
    // 64-bit: a stream of more than about 13 hours overflows 32 bits here.
    const std::int64_t samples8 = std::int64_t{mpegaudio::CoefficientOf(frame_)} * countedFrames * 8;
    return static_cast<double>(samples8) / sampleRate;
  }
  const int bitRate = mpegaudio::BitRateOf(frame_);
  if (bitRate == 0) return 0;
  return static_cast<double>(AudioBytes()) / bitRate / 1000 * 8;
}

bool TMPEGaudio::Valid() const {
  const std::uint16_t bitRate = BitRate();
  return frame_.Found && bitRate >= 8 && bitRate <= 448 && Duration() >= 0.1;
}

std::uint8_t TMPEGaudio::VariableRateEncoderID() const {
  const std::string_view vendor = FirstFour(vbr_.Vendor);
  const bool gogo = vendor == "GOGO" || vendor == "MPGE";
  const bool lame = vendor == "LAME";
  std::uint8_t id = EncoderUnknown;
  if (gogo) {
    id = EncoderGoGo;
  } else if (lame) {
    id = EncoderLAME;
  }
  if (vbr_.Signature == "Xing" && !gogo && !lame) id = EncoderXing;
  if (vbr_.Signature == "VBRI") id = EncoderFhG;
  return id;
}

std::uint8_t TMPEGaudio::ConstantRateEncoderID() const {
  const FrameData& f = frame_;
  std::uint8_t id = (f.OriginalBit && f.ProtectionBit) ? EncoderLAME : EncoderFhG;
  if (mpegaudio::BitRateOf(f) <= 160 && f.ModeIndex == ModeStereo) id = EncoderBlade;
  if (f.CopyrightBit && f.OriginalBit && !f.ProtectionBit) id = EncoderXing;
  if (f.ZeroStart && f.OriginalBit) id = EncoderXing;
  if (f.LayerIndex == LayerII) id = EncoderQDesign;
  if (f.ModeIndex == ModeDualChannel && f.ProtectionBit) id = EncoderShine;
  const std::string_view vendor = FirstFour(endVendor_);
  if (vendor == "LAME") id = EncoderLAME;
  if (vendor == "GOGO") id = EncoderGoGo;
  return id;
}

std::uint8_t TMPEGaudio::EncoderID() const {
  if (!frame_.Found) return EncoderUnknown;
  return vbr_.Present ? VariableRateEncoderID() : ConstantRateEncoderID();
}

std::string TMPEGaudio::Encoder() const {
  const std::uint8_t id = EncoderID();
  const std::string& version = endVendor_.empty() ? vbr_.Vendor : endVendor_;
  if (id == EncoderLAME && version.size() > 7 && IsDigit(version[4]) && version[5] == '.' &&
      IsDigit(version[6]) && IsDigit(version[7])) {
    return "LAME " + version.substr(4, 4);
  }
  return NameAt(EncoderNames, id);
}
