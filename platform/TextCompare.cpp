// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TextCompare.h"

#include <memory>
#include <vector>

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "platform/CodePage.h"

namespace platform {

namespace {

constexpr char16_t kReplacement = u'\uFFFD';
// Undecodable bytes are kept apart in the fold as lone low surrogates U+DC80..U+DCFF
// (case folding leaves lone surrogates alone), so that "\x80" and "\xA0" stay different keys.
constexpr char16_t kEscapeBase = 0xDC00;

// Replaces each U+FFFD that stands for an undecodable byte by the escape of that byte.
// Code page 932 decodes to the BMP only, so every output unit is one input character and
// every U+FFFD one input byte; when the walk does not line up, the text is left as it is.
std::u16string EscapeUndecodableBytes(std::string_view text, std::u16string decoded) {
  std::u16string escaped = decoded;
  std::size_t in = 0;
  for (char16_t& unit : escaped) {
    if (in >= text.size()) return decoded;
    const auto byte = static_cast<unsigned char>(text[in]);
    if (unit == kReplacement) {
      if (byte < 0x80) return decoded;
      unit = static_cast<char16_t>(kEscapeBase + byte);
      ++in;
    } else {
      in += (IsDBCSLeadByte(byte) && in + 1 < text.size()) ? 2 : 1;
    }
  }
  return in == text.size() ? escaped : decoded;
}

std::u16string FoldUtf16(const std::u16string& text) {
  if (text.empty()) return text;
  std::u16string folded(text.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = u_strFoldCase(folded.data(), static_cast<int32_t>(folded.size()), text.data(),
                                 static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    // Full folding can lengthen the text ("ß" -> "ss").
    folded.assign(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    length = u_strFoldCase(folded.data(), length, text.data(), static_cast<int32_t>(text.size()),
                           U_FOLD_CASE_DEFAULT, &status);
  }
  if (U_FAILURE(status)) return text;
  folded.resize(static_cast<std::size_t>(length));
  return folded;
}

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::u16string FoldAscii(std::string_view text) {
  std::u16string folded(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    folded[i] = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return folded;
}

// The UTF-16 unit and the folded unit of every code page 932 character, worked out once
// through the converter and ICU, so that decoding or folding a text is a walk over its bytes.
class CharTable {
public:
  static constexpr char16_t kNoCharacter = 0xFFFF;  // not a character of the code page
  static constexpr char16_t kExpands = 0xFFFE;      // folds to more than one unit

  struct Units {
    char16_t decoded = kNoCharacter;
    char16_t folded = kNoCharacter;
  };

  CharTable() : units_(256 * 257) {
    for (int b = 0; b < 256; ++b) {
      if (IsDBCSLeadByte(static_cast<unsigned char>(b))) {
        for (int t = 0x40; t <= 0xFC; ++t) units_[Pair(b, t)] = UnitsOf({static_cast<char>(b), static_cast<char>(t)});
      } else {
        units_[Single(b)] = UnitsOf(std::string(1, static_cast<char>(b)));
      }
    }
  }

  // The character at text[i] and its length in bytes (1 for a byte that is no character).
  const Units& At(std::string_view text, std::size_t i, std::size_t& length) const {
    const auto byte = static_cast<unsigned char>(text[i]);
    length = 1;
    if (IsDBCSLeadByte(byte) && i + 1 < text.size()) {
      const Units& pair = units_[Pair(byte, static_cast<unsigned char>(text[i + 1]))];
      if (pair.decoded != kNoCharacter) {
        length = 2;
        return pair;
      }
    }
    return units_[Single(byte)];
  }

private:
  static std::size_t Single(int b) { return static_cast<std::size_t>(256 * 256 + b); }
  static std::size_t Pair(int lead, int trail) { return static_cast<std::size_t>(lead * 256 + trail); }

  static Units UnitsOf(const std::string& character) {
    const std::u16string wide = Cp932ToUtf16(character);
    if (wide.size() != 1 || wide[0] == kReplacement) return Units{};
    const std::u16string folded = FoldUtf16(wide);
    return Units{wide[0], folded.size() == 1 ? folded[0] : kExpands};
  }

  std::vector<Units> units_;  // 256 x 256 byte pairs, then 256 single bytes
};

const CharTable& Chars() {
  static const CharTable table;
  return table;
}

// The fold by table; false when a character needs ICU's folding of the whole text.
bool FoldByTable(std::string_view text, std::u16string& folded) {
  const CharTable& table = Chars();
  folded.clear();
  folded.reserve(text.size());
  for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
    const CharTable::Units& units = table.At(text, i, length);
    if (units.folded == CharTable::kExpands) return false;
    folded.push_back(units.decoded == CharTable::kNoCharacter
                         ? static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(text[i]))
                         : units.folded);
  }
  return true;
}

// The same UTF-16 text as Cp932ToUtf16 (U+FFFD for each undecodable byte), by table.
std::u16string DecodeByTable(std::string_view text) {
  const CharTable& table = Chars();
  std::u16string decoded;
  decoded.reserve(text.size());
  for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
    const char16_t unit = table.At(text, i, length).decoded;
    decoded.push_back(unit == CharTable::kNoCharacter ? kReplacement : unit);
  }
  return decoded;
}

// nfkc_cf through ICU; the text as it is when ICU has no normalization data.
std::u16string NfkcCaseFold(std::u16string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* normalizer = icu::Normalizer2::getNFKCCasefoldInstance(status);
  if (U_FAILURE(status) || normalizer == nullptr) return std::u16string(text);
  const icu::UnicodeString source(false, text.data(), static_cast<int32_t>(text.size()));
  icu::UnicodeString folded;
  normalizer->normalize(source, folded, status);
  if (U_FAILURE(status)) return std::u16string(text);
  return std::u16string(reinterpret_cast<const char16_t*>(folded.getBuffer()), static_cast<std::size_t>(folded.length()));
}

// The search fold of every code page 932 character, worked out on first use. Folding
// character by character gives ICU's result except where a half-width voiced or
// semi-voiced sound mark (U+FF9E, U+FF9F) joins the character before it; such a text goes to
// ICU whole.
class SearchTable {
public:
  // Appends the fold of the character at text[i]; false for a sound mark that may join.
  bool Append(std::string_view text, std::size_t i, std::size_t& length, std::u16string& out) {
    const char16_t unit = Chars().At(text, i, length).decoded;
    if (unit == u'\uFF9E' || unit == u'\uFF9F') return false;
    if (unit == CharTable::kNoCharacter) {
      out.push_back(kReplacement);
      return true;
    }
    Entry& entry = entries_[unit];
    if (!entry.known) {
      entry.fold = NfkcCaseFold(std::u16string_view(&unit, 1));
      entry.known = true;
    }
    out += entry.fold;
    return true;
  }

private:
  struct Entry {
    bool known = false;
    std::u16string fold;
  };
  std::vector<Entry> entries_ = std::vector<Entry>(0x10000);
};

// The "ja" collator at tertiary strength, made once; null when ICU has no collation data.
const icu::Collator* JapaneseCollator() {
  static const std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status) || !made) return std::unique_ptr<icu::Collator>();
    made->setStrength(icu::Collator::TERTIARY);
    return made;
  }();
  return collator.get();
}

int Sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

}  // namespace

std::u16string CaseFold(std::string_view text) {
  // Plain ASCII (most keys) folds without conversion; the result is the same as ICU's.
  if (IsAscii(text)) return FoldAscii(text);
  std::u16string folded;
  if (FoldByTable(text, folded)) return folded;
  std::u16string wide = Cp932ToUtf16(text);
  if (wide.find(kReplacement) != std::u16string::npos)
    wide = EscapeUndecodableBytes(text, std::move(wide));
  return FoldUtf16(wide);
}

std::u16string SearchFold(std::string_view text) {
  if (IsAscii(text)) return FoldAscii(text);
  static SearchTable table;
  std::u16string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0, length = 0; i < text.size(); i += length)
    if (!table.Append(text, i, length, folded)) return NfkcCaseFold(DecodeByTable(text));
  return folded;
}

std::u16string SearchFoldWide(std::u16string_view text) { return NfkcCaseFold(text); }

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a == b) return true;
  return CaseFold(a) == CaseFold(b);
}

int CompareLocale(std::string_view a, std::string_view b) {
  const std::u16string wideA = DecodeByTable(a);
  const std::u16string wideB = DecodeByTable(b);
  if (const icu::Collator* collator = JapaneseCollator()) {
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult result =
        collator->compare(wideA.data(), static_cast<int32_t>(wideA.size()), wideB.data(),
                          static_cast<int32_t>(wideB.size()), status);
    // Texts that the collator holds equal (hiragana and katakana are equal at this strength)
    // are put in code-unit order, so that the order is total and a list sorts the same way
    // every time.
    if (U_SUCCESS(status) && result != UCOL_EQUAL) return static_cast<int>(result);
  }
  return Sign(wideA.compare(wideB));
}

}  // namespace platform
