// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/jconvert.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

namespace {

bool InRange(unsigned char b, unsigned char low, unsigned char high) { return b >= low && b <= high; }

// The state of one detection. Positions count from 1 as in a terminated string: the position
// just past the last byte reads as a zero byte, and so does anything further out.
class Detector {
public:
  explicit Detector(std::string_view text)
      : text_(text),
        length_(text.size()),
        limit_(std::min<std::size_t>(text.size(), static_cast<std::size_t>(DetectLimit))) {}

  TextCode Run();

private:
  unsigned char At(std::size_t position) const {
    return position >= 1 && position <= length_ ? static_cast<unsigned char>(text_[position - 1]) : 0;
  }
  // True when a byte of the text follows position.
  bool ByteFollows(std::size_t position) const { return position + 1 <= length_; }

  bool AllPrintableAscii() const;
  std::optional<TextCode> EscapeTest() const;
  void Utf8Walk();
  std::optional<TextCode> EucTest() const;
  std::optional<TextCode> SjisTest();
  std::optional<TextCode> EucByteTest();
  TextCode Winner() const;

  std::string_view text_;
  std::size_t length_;
  std::size_t limit_;
  std::size_t p_ = 1;
  TextCode provisional_ = jcUnknown;
  bool signatureSeen_ = false;
  std::array<int, jcUTF8 + 1> score_{};
};

bool Detector::AllPrintableAscii() const {
  for (std::size_t i = 1; i <= limit_; ++i)
    if (!InRange(At(i), 0x21, 0x7E)) return false;
  return true;
}

std::optional<TextCode> Detector::EscapeTest() const {
  if (p_ + 3 > length_ || At(p_) != 0x1B) return std::nullopt;
  const unsigned char second = At(p_ + 1);
  if (second == 0x24) return At(p_ + 2) == 0x40 ? jcJIS2 : jcJIS;
  if (second == 0x26) return jcJIS;
  if (second == 0x28) return jcJIS2;
  return provisional_;
}

void Detector::Utf8Walk() {
  const std::size_t start = p_;
  if (At(p_) == 0xEF && At(p_ + 1) == 0xBB && At(p_ + 2) == 0xBF) {
    signatureSeen_ = true;
    p_ += 3;
    if (p_ > length_) return;
  }
  while (p_ <= limit_) {
    ++score_[jcUTF8];
    const unsigned char b = At(p_);
    std::size_t continuation = 0;
    if (b >= 0xFC) continuation = 5;
    else if (b >= 0xF8) continuation = 4;
    else if (b >= 0xF0) continuation = 3;
    else if (b >= 0xE0) continuation = 2;

    if (continuation > 0) {
      if (p_ + continuation > length_) return;
      for (std::size_t i = 1; i <= continuation; ++i) {
        if (!InRange(At(p_ + i), 0x80, 0xBF)) {
          score_[jcUTF8] = 0;
          return;
        }
      }
      provisional_ = jcUTF8;
      p_ += continuation + 1;
    } else if (b >= 0xC0) {
      provisional_ = jcUTF8;
      p_ += 2;  // the byte after the lead is not examined
    } else if (b <= 0x7F) {
      p_ += 1;
    } else {
      p_ = start;
      return;
    }
  }
}

std::optional<TextCode> Detector::EucTest() const {
  if (At(p_) != 0x8F || p_ + 3 > length_) return std::nullopt;
  const unsigned char b1 = At(p_ + 1);
  const unsigned char b2 = At(p_ + 2);
  if (InRange(b1, 0xA1, 0xFE) && InRange(b2, 0xA1, 0xFE) && (b1 >= 0xFD || b2 >= 0xFD)) return jcEUC;
  return std::nullopt;
}

std::optional<TextCode> Detector::SjisTest() {
  const unsigned char b = At(p_);
  if (InRange(b, 0x80, 0xA0)) return jcSJIS;
  if (InRange(b, 0xE0, 0xEF)) {
    ++score_[jcSJIS];
    if (ByteFollows(p_)) {
      const unsigned char n = At(p_ + 1);
      if (InRange(n, 0x40, 0x7E) || InRange(n, 0x80, 0xFC)) ++score_[jcSJIS];
    }
  }
  if (!ByteFollows(p_)) {
    if (InRange(b, 0xA1, 0xDF)) return jcSJIS;
    return std::nullopt;
  }
  if (InRange(b, 0xA1, 0xDF)) {
    const unsigned char n = At(p_ + 1);
    ++score_[jcSJIS];
    if ((b == 0xA4 || b == 0xA5) && InRange(n, 0xA1, 0xF6)) {
      ++score_[jcEUC];
    } else if (InRange(n, 0xE0, 0xFE)) {
      ++score_[jcEUC];
      provisional_ = jcEUC;
      if (n >= 0xFD) return jcEUC;
    } else {
      ++score_[jcSJIS];
      provisional_ = jcSJIS;
    }
  }
  return std::nullopt;
}

std::optional<TextCode> Detector::EucByteTest() {
  const unsigned char b = At(p_);
  if (!InRange(b, 0xA1, 0xFE)) return std::nullopt;
  provisional_ = jcEUC;
  ++score_[jcEUC];
  if (b >= 0xFD) return jcEUC;
  return std::nullopt;
}

TextCode Detector::Winner() const {
  TextCode best = jcASCII;
  for (TextCode code = jcASCII + 1; code <= jcUTF8; ++code)
    if (score_[code] > score_[best]) best = code;  // strictly greater: the lower code wins a tie
  if (best == jcUTF8 && signatureSeen_) return jcUTF8BOM;
  return best;
}

TextCode Detector::Run() {
  if (length_ == 0) return jcUnknown;
  if (AllPrintableAscii()) return jcASCII;
  if (length_ >= 2) {
    if (At(1) == 0xFF && At(2) == 0xFE) return jcUTF16LE;
    if (At(1) == 0xFE && At(2) == 0xFF) return jcUTF16BE;
  }
  while (p_ <= limit_) {
    if (auto code = EscapeTest()) return *code;
    if (InRange(At(p_), 0xC0, 0xFD)) Utf8Walk();
    if (auto code = EucTest()) return *code;
    if (auto code = SjisTest()) return *code;
    if (auto code = EucByteTest()) return *code;
    ++p_;
  }
  return Winner();
}

}  // namespace

TextCode DetectTextCode(std::string_view text) { return Detector(text).Run(); }

std::size_t FirstNonAsciiOrEscape(std::string_view text) {
  const auto found = std::find_if(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || byte == 0x1B;
  });
  return static_cast<std::size_t>(found - text.begin());
}

TextCode DetectTextCodeBeyondAscii(std::string_view text) {
  const TextCode code = DetectTextCode(text);
  if (code != jcASCII && code != jcUnknown) return code;
  const std::size_t first = FirstNonAsciiOrEscape(text);
  if (first == 0 || first == text.size()) return code;
  return DetectTextCode(text.substr(first));
}
