#include "library/ShiftJisCheck.h"

#include <algorithm>
#include <cstdio>

#include "platform/CodePage.h"

namespace library {

namespace {

constexpr std::size_t kNamedAtMost = 10;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A character becomes "?" exactly when the code page has no form for it.
bool HasCodePageForm(std::u16string_view character) {
  if (character == u"?") return true;
  return platform::Utf16ToCp932(character) != "?";
}

std::size_t CountQuestionMarks(std::u16string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), u'?'));
}

std::string CodePoints(std::u16string_view character) {
  char32_t value = character[0];
  if (character.size() == 2) value = 0x10000 + ((character[0] - 0xD800) << 10) + (character[1] - 0xDC00);
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

std::vector<MissingCharacter> CharactersShiftJisLacks(std::u16string_view text) {
  std::vector<MissingCharacter> missing;
  // One conversion of the whole text tells whether any character is lost at all.
  const std::string whole = platform::Utf16ToCp932(text);
  if (static_cast<std::size_t>(std::count(whole.begin(), whole.end(), '?')) == CountQuestionMarks(text))
    return missing;
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::size_t i = 0; i < text.size();) {
    const char16_t unit = text[i];
    if (unit == u'\r' || unit == u'\n') {
      i += (unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
      ++line;
      column = 1;
      continue;
    }
    const std::size_t length = IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]) ? 2 : 1;
    const std::u16string_view character = text.substr(i, length);
    if (!HasCodePageForm(character)) missing.push_back({platform::Utf16ToUtf8(character), line, column});
    i += length;
    ++column;
  }
  return missing;
}

std::string ShiftJisLacksText(const std::vector<MissingCharacter>& missing) {
  std::string text = platform::Sjis("Shift_JIS にない文字が ") + std::to_string(missing.size()) +
                     platform::Sjis(" 個あります。保存していません。");
  for (std::size_t i = 0; i < missing.size() && i < kNamedAtMost; ++i) {
    const MissingCharacter& at = missing[i];
    text += "\r\n" + std::to_string(at.line) + platform::Sjis(" 行 ") + std::to_string(at.column) +
            platform::Sjis(" 列: ") + CodePoints(platform::Utf8ToUtf16(at.utf8));
  }
  if (missing.size() > kNamedAtMost)
    text += "\r\n" + platform::Sjis("ほか ") + std::to_string(missing.size() - kNamedAtMost) + platform::Sjis(" 個");
  return text;
}

}  // namespace library
