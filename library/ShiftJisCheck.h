#pragma once
// Which characters of a text Shift_JIS (code page 932) cannot hold, with where they are, so
// that a front end can refuse to store the text instead of garbling it.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace library {

struct MissingCharacter {
  std::string utf8;         // the character (a surrogate pair is one character)
  std::size_t line = 0;     // from 1; lines end at CR LF, a lone CR or a lone LF
  std::size_t column = 0;   // from 1, counted in characters
};

// Every character of text that has no code page 932 form, in order.
std::vector<MissingCharacter> CharactersShiftJisLacks(std::u16string_view text);

// The refusal naming them (code page 932): "Shift_JIS にない文字が N 個あります。保存して
// いません。" and one line "L 行 C 列: X" for each of the first ten (the characters shown
// as U+XXXX, since the code page cannot show them), then "ほか M 個" when there are more.
std::string ShiftJisLacksText(const std::vector<MissingCharacter>& missing);

}  // namespace library
