// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/jconvertex.h"

#include <array>

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kVoicedMark = 0xDE;      // ﾞ
constexpr unsigned char kSemiVoicedMark = 0xDF;  // ﾟ
constexpr unsigned char kEucKanaPrefix = 0x8E;

// JIS X 0208 cell byte of the full-width form of each half-width katakana 0xA1..0xDF.
constexpr std::array<unsigned char, 63> kKanaCells = {
    0x23, 0x56, 0x57, 0x22, 0x26,                    // ｡｢｣､･
    0x72,                                            // ｦ
    0x21, 0x23, 0x25, 0x27, 0x29,                    // ｧｨｩｪｫ
    0x63, 0x65, 0x67, 0x43,                          // ｬｭｮｯ
    0x3C,                                            // ｰ
    0x22, 0x24, 0x26, 0x28, 0x2A,                    // ｱｲｳｴｵ
    0x2B, 0x2D, 0x2F, 0x31, 0x33,                    // ｶｷｸｹｺ
    0x35, 0x37, 0x39, 0x3B, 0x3D,                    // ｻｼｽｾｿ
    0x3F, 0x41, 0x44, 0x46, 0x48,                    // ﾀﾁﾂﾃﾄ
    0x4A, 0x4B, 0x4C, 0x4D, 0x4E,                    // ﾅﾆﾇﾈﾉ
    0x4F, 0x52, 0x55, 0x58, 0x5B,                    // ﾊﾋﾌﾍﾎ
    0x5E, 0x5F, 0x60, 0x61, 0x62,                    // ﾏﾐﾑﾒﾓ
    0x64, 0x66, 0x68,                                // ﾔﾕﾖ
    0x69, 0x6A, 0x6B, 0x6C, 0x6D,                    // ﾗﾘﾙﾚﾛ
    0x6F, 0x73,                                      // ﾜﾝ
    0x2B, 0x2C,                                      // ﾞﾟ
};

// Stands for an EUC 0x8E whose next byte is no half-width katakana: 〓 (geta mark).
constexpr TJisPair kNoKanaPair = {0x22, 0x2E};

bool InRange(unsigned char b, unsigned char low, unsigned char high) { return b >= low && b <= high; }
bool IsHalfWidthKana(unsigned char b) { return InRange(b, 0xA1, 0xDF); }

// The byte at pos, or a zero byte past the end.
unsigned char ByteAt(std::string_view text, std::size_t pos) {
  return pos < text.size() ? static_cast<unsigned char>(text[pos]) : 0;
}

unsigned char KanaRow(unsigned char kana) {
  if (InRange(kana, 0xA1, 0xA5) || kana == 0xB0 || kana == kVoicedMark || kana == kSemiVoicedMark)
    return 0x21;
  return 0x25;
}

// The full-width pair of a kana, with the mark (0 for none) combined where it can be.
// Returns whether the mark was absorbed.
bool CombineKana(unsigned char kana, unsigned char mark, TJisPair& pair) {
  pair = {KanaRow(kana), kKanaCells[(kana & 0x7F) - 0x21]};
  if (mark == kVoicedMark) {
    if (kana == 0xB3) {
      pair.second = 0x74;  // ヴ
      return true;
    }
    if (InRange(kana, 0xB6, 0xC4) || InRange(kana, 0xCA, 0xCE)) {
      pair.second += 1;
      return true;
    }
  } else if (mark == kSemiVoicedMark && InRange(kana, 0xCA, 0xCE)) {
    pair.second += 2;
    return true;
  }
  return false;
}

void AppendPair(std::string& out, TJisPair pair) {
  out.push_back(static_cast<char>(pair.first));
  out.push_back(static_cast<char>(pair.second));
}

// Shift state of the ISO-2022-JP writers.
class JisWriter {
public:
  explicit JisWriter(std::string& out) : out_(out) {}
  void SingleByte() {
    if (!twoByte_) return;
    out_.append("\x1B(J");
    twoByte_ = false;
  }
  void TwoByte() {
    if (twoByte_) return;
    out_.append("\x1B$B");
    twoByte_ = true;
  }

private:
  std::string& out_;
  bool twoByte_ = false;
};

std::string Utf8Prefixed(std::string_view text) {
  std::string out("\xEF\xBB\xBF");
  out.append(text);
  return out;
}

// Every source as Shift_JIS; the one odd entry (UTF-16LE target from UTF-8) is handled by the
// caller.
std::string ToSjis(std::string_view text, TextCode source) {
  switch (source) {
    case jcJIS:
    case jcJIS2: return JisToSjis(text);
    case jcEUC: return EucToSjis(text);
    case jcUTF16LE: return Utf16LEToSjis(text);
    case jcUTF16BE: return Utf16BEToSjis(text);
    case jcUTF8BOM: return Utf8BomToSjis(text);
    case jcUTF8: return Utf8ToSjis(text);
    default: return std::string(text);
  }
}

bool IsConvertibleSource(TextCode source) {
  return source == jcJIS || source == jcJIS2 || source == jcEUC || source == jcSJIS ||
         source == jcUTF16LE || source == jcUTF16BE || source == jcUTF8BOM || source == jcUTF8;
}

}  // namespace

TJisPair JisToSjisChar(unsigned char j1, unsigned char j2) {
  const unsigned char half = static_cast<unsigned char>(static_cast<unsigned char>(j1 + 1) >> 1);
  const unsigned char s1 = static_cast<unsigned char>(half + (j1 <= 0x5E ? 0x70 : 0xB0));
  unsigned char s2;
  if (j1 % 2 == 0) s2 = static_cast<unsigned char>(j2 + 0x7E);
  else s2 = static_cast<unsigned char>(j2 + (j2 <= 0x5F ? 0x1F : 0x20));
  return {s1, s2};
}

TJisPair SjisToJisChar(unsigned char s1, unsigned char s2) {
  unsigned char j1 = static_cast<unsigned char>((s1 - (s1 < 0xA0 ? 0x70 : 0xB0)) * 2);
  unsigned char j2;
  if (s2 >= 0x9F) {
    j2 = static_cast<unsigned char>(s2 - 0x7E);
  } else {
    j1 = static_cast<unsigned char>(j1 - 1);
    j2 = static_cast<unsigned char>(s2 - (s2 <= 0x7F ? 0x1F : 0x20));
  }
  return {j1, j2};
}

TJisPair SjisKanaToJis(std::string_view text, std::size_t& pos) {
  const unsigned char kana = ByteAt(text, pos);
  ++pos;
  const unsigned char mark = pos < text.size() ? ByteAt(text, pos) : 0;
  TJisPair pair;
  if (!IsHalfWidthKana(kana)) return kNoKanaPair;
  if (CombineKana(kana, mark, pair)) ++pos;
  return pair;
}

TJisPair EucKanaToJis(std::string_view text, std::size_t& pos) {
  const unsigned char kana = ByteAt(text, pos + 1);
  if (pos + 1 >= text.size() || !IsHalfWidthKana(kana)) {
    // Only the prefix is taken, so the byte after it is converted on its own.
    ++pos;
    return kNoKanaPair;
  }
  pos += 2;
  unsigned char mark = 0;
  if (pos < text.size() && ByteAt(text, pos) == kEucKanaPrefix) mark = ByteAt(text, pos + 1);
  TJisPair pair;
  if (CombineKana(kana, mark, pair)) pos += 2;
  return pair;
}

namespace {

// Writes text as ISO-2022-JP: bytes below 0x80 in single-byte mode, every other character in
// two-byte mode through toJis, which returns its JIS pair and moves pos past what it used.
template <class ToJis>
std::string EncodeJis(std::string_view text, ToJis toJis, bool closeAtEnd) {
  std::string out;
  out.reserve(text.size() + text.size() / 2 + 8);
  JisWriter writer(out);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char b = ByteAt(text, pos);
    if (b >= 0x80) {
      writer.TwoByte();
      AppendPair(out, toJis(b, pos));
    } else {
      writer.SingleByte();
      out.push_back(static_cast<char>(b));
      ++pos;
    }
  }
  if (closeAtEnd) writer.SingleByte();
  return out;
}

}  // namespace

std::string EucToJis(std::string_view text) {
  return EncodeJis(text, [text](unsigned char b, std::size_t& pos) -> TJisPair {
    if (b == kEucKanaPrefix) return EucKanaToJis(text, pos);
    const TJisPair pair{static_cast<unsigned char>(b & 0x7F),
                        static_cast<unsigned char>(ByteAt(text, pos + 1) & 0x7F)};
    pos += 2;
    return pair;
  }, false);
}

std::string SjisToJis(std::string_view text) {
  return EncodeJis(text, [text](unsigned char b, std::size_t& pos) -> TJisPair {
    if (IsHalfWidthKana(b)) return SjisKanaToJis(text, pos);
    const TJisPair pair = SjisToJisChar(b, ByteAt(text, pos + 1));
    pos += 2;
    return pair;
  }, true);
}

std::string JisToEuc(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool twoByte = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char b = ByteAt(text, pos);
    if (b == kEsc) {
      const unsigned char selector = ByteAt(text, pos + 1);
      if (selector == '$') twoByte = true;
      else if (selector == '(') twoByte = false;
      pos += 3;
      continue;
    }
    out.push_back(static_cast<char>(twoByte && InRange(b, 0x21, 0x7E) ? (b | 0x80) : b));
    ++pos;
  }
  return out;
}

std::string JisToSjis(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool twoByte = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char b = ByteAt(text, pos);
    if (b == kEsc) {
      const unsigned char selector = ByteAt(text, pos + 1);
      if (selector == '(' || selector == '$') {
        twoByte = selector == '$';
        pos += 3;
      } else {
        ++pos;  // only the ESC is dropped
      }
      continue;
    }
    if (twoByte) {
      AppendPair(out, JisToSjisChar(b, ByteAt(text, pos + 1)));
      pos += 2;
    } else {
      out.push_back(static_cast<char>(b));
      ++pos;
    }
  }
  return out;
}

std::string EucToSjis(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char b = ByteAt(text, pos);
    if (b <= 0x80 || b == 0xFF) {
      out.push_back(static_cast<char>(b));
      ++pos;
    } else if (b == kEucKanaPrefix) {
      out.push_back(static_cast<char>(ByteAt(text, pos + 1)));
      pos += 2;
    } else {
      AppendPair(out, JisToSjisChar(static_cast<unsigned char>(b & 0x7F),
                                    static_cast<unsigned char>(ByteAt(text, pos + 1) & 0x7F)));
      pos += 2;
    }
  }
  return out;
}

std::string SjisToEuc(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char b = ByteAt(text, pos);
    if (b <= 0x7F) {
      out.push_back(static_cast<char>(b));
      ++pos;
    } else if (IsHalfWidthKana(b)) {
      out.push_back(static_cast<char>(kEucKanaPrefix));
      out.push_back(static_cast<char>(b));
      ++pos;
    } else {
      const TJisPair jis = SjisToJisChar(b, ByteAt(text, pos + 1));
      AppendPair(out, {static_cast<unsigned char>(jis.first | 0x80),
                       static_cast<unsigned char>(jis.second | 0x80)});
      pos += 2;
    }
  }
  return out;
}

std::string ConvertTextCode(std::string_view text, TextCode target, TextCode source) {
  if (source < 0) source = DetectTextCode(text);
  if (source == jcJIS2) source = jcJIS;
  if (source == jcASCII || source == jcUnknown || source == target || source == jcPass ||
      !IsConvertibleSource(source))
    return std::string(text);

  switch (target) {
    case jcJIS:
      return source == jcEUC ? EucToJis(text) : SjisToJis(ToSjis(text, source));
    case jcEUC:
      return source == jcJIS ? JisToEuc(text) : SjisToEuc(ToSjis(text, source));
    case jcSJIS:
      return ToSjis(text, source);
    case jcUTF16LE:
      // A UTF-8 source is read as if it might carry the signature.
      return SjisToUtf16LE(ToSjis(text, source == jcUTF8 ? jcUTF8BOM : source));
    case jcUTF16BE:
      return SjisToUtf16BE(ToSjis(text, source));
    case jcUTF8BOM:
      return source == jcUTF8 ? Utf8Prefixed(text) : SjisToUtf8Bom(ToSjis(text, source));
    case jcUTF8:
      // A source said to carry the signature loses its first three bytes, whatever they are.
      if (source == jcUTF8BOM) return std::string(text.substr(text.size() < 3 ? text.size() : 3));
      return SjisToUtf8(ToSjis(text, source));
    default:
      return std::string(text);
  }
}
