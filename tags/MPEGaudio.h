// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MPEG-1, MPEG-2 and MPEG 2.5 audio streams (Layers I to III): the first frame, a Xing or
// VBRI header after it, an encoder signature near the end, and what follows from them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/sMediaTag.h"

// The variable-bit-rate header found after the first frame; all zero when there is none.
struct VBRData {
  bool Present = false;
  std::string Signature;  // "Xing" or "VBRI"
  std::int32_t TotalFrames = 0;
  std::int32_t TotalBytes = 0;
  std::uint8_t Quality = 0;
  std::string Vendor;  // 8 bytes as stored ("LAME3.90"), or empty
};

// The first frame found and the fields of its four header bytes.
struct FrameData {
  bool Found = false;
  std::int32_t FrameOffset = 0;  // inside the block in which it was found
  std::uint16_t FrameSize = 0;
  bool ZeroStart = false;  // the six bytes after the header are all zero
  std::array<std::uint8_t, 4> Header{};
  std::uint8_t VersionIndex = 1;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
  std::uint8_t LayerIndex = 0;    // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
  bool ProtectionBit = false;     // a CRC follows the header
  std::uint8_t BitRateIndex = 0;
  std::uint8_t SampleRateIndex = 3;
  bool PaddingBit = false;
  bool PrivateBit = false;
  std::uint8_t ModeIndex = 4;  // 0 Stereo, 1 Joint Stereo, 2 Dual Channel, 3 Mono, 4 none
  std::uint8_t ModeExtension = 4;
  bool CopyrightBit = false;
  bool OriginalBit = false;
  std::uint8_t EmphasisIndex = 2;
  // The header of the frame that follows this one at exactly FrameSize bytes.
  std::array<std::uint8_t, 4> NextHeader{};
  // The frame count of an "Info" header (LAME's and ffmpeg's Xing layout in the first frame
  // of a constant bit rate file) whose frame-count flag is set; 0 when there is none.
  std::int32_t InfoFrames = 0;
};

// The stream-level pieces, free of any file, so they can be used on any buffer.
namespace mpegaudio {

// Size of the blocks searched for the first frame and for the end vendor (twice the
// longest frame allowed for).
constexpr std::size_t BlockSize = 3458;
constexpr std::size_t MaxFrameStart = 1729;

// The four bytes at header are a usable frame header (sync, no reserved or free values).
bool IsFrameHeader(const std::uint8_t* header);
// The fields of four header bytes; Found, FrameOffset, FrameSize and ZeroStart untouched.
void DecodeHeader(const std::array<std::uint8_t, 4>& header, FrameData& frame);

// Table values for a decoded header (0 for reserved or free-format values).
int BitRateOf(const FrameData& frame);
int SampleRateOf(const FrameData& frame);
int CoefficientOf(const FrameData& frame);
int PaddingOf(const FrameData& frame);
// Coefficient x bit rate x 1000 / sample rate + padding; 0 without a sample rate.
int FrameLengthOf(const FrameData& frame);
// Distance from the frame start to a Xing or VBRI header.
int VBRHeaderOffsetOf(const FrameData& frame);

// Finds the first frame that another frame header follows at exactly one frame length,
// starting at most MaxFrameStart bytes into data; reads the VBR or Info header behind it.
// Only the size bytes at data take part. Returns frame.Found.
bool LocateFrame(const std::uint8_t* data, std::size_t size, FrameData& frame, VBRData& vbr);
// Searches backwards from 8 bytes before the end of a BlockSize block over window + 1
// positions for "LAME" (giving 8 characters) or "GOGO"; empty when neither is there.
std::string FindEndVendor(const std::uint8_t* data, std::size_t size, int window);

}  // namespace mpegaudio

class TMPEGaudio : public TsMediaTag {
public:
  TMPEGaudio();

  const PropertyTable& Properties() const override;

  std::int32_t FileLength() const;
  const VBRData& VBR() const { return vbr_; }
  TID3v1* ID3v1() const { return id3v1_.get(); }
  TID3v2* ID3v2() const { return id3v2_.get(); }
  std::string Version() const;
  std::string Layer() const;
  std::uint16_t BitRate() const;
  std::uint16_t SampleRate() const;
  std::string ChannelMode() const;
  std::string Emphasis() const;
  std::int32_t Frames() const;
  double Duration() const;
  std::uint8_t EncoderID() const;
  std::string Encoder() const;
  bool Valid() const;

  // The first frame and the text found near the end of the audio (read-only views).
  const FrameData& FrameHeader() const { return frame_; }
  const std::string& EndVendor() const { return endVendor_; }

private:
  bool ReadFrom(platform::File& file) override;
  void ClearFields() override;
  // The cleared state, tags included.
  void Clear();
  // The cleared state of the stream fields only; allocates nothing.
  void ClearStream();
  // Result of reading the stream once the tags are read: false on an input/output failure.
  bool ReadStream(platform::File& file);
  // Bytes of audio counted for a constant bit rate stream (file less tags and frame offset).
  std::int64_t AudioBytes() const;
  std::uint8_t VariableRateEncoderID() const;
  std::uint8_t ConstantRateEncoderID() const;

  std::unique_ptr<TID3v1> id3v1_;
  std::unique_ptr<TID3v2> id3v2_;
  std::int64_t fileLength_ = 0;
  // Where the audio starts: after the ID3v2 tag and any further tag right behind it.
  std::int64_t streamStart_ = 0;
  VBRData vbr_;
  FrameData frame_;
  std::string endVendor_;
};
