// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Comparison of code page 932 strings through ICU on their UTF-16 form.
#include <string>
#include <string_view>

namespace platform {

// Equal ignoring letter case only (full-width/half-width and hiragana/katakana stay different).
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
// The case-folded UTF-16 form used for equality; equal keys give equal folds.
std::u16string CaseFold(std::string_view text);
// The form that text searches compare: NFKC with case folding (ICU's nfkc_cf), so that
// letter case and character width do not count and half-width kana equal full-width ones
// ("ｂｅｓｔ" and "Best" give "best", "ｶﾞｸ" and "ガク" give "ガク"). SearchFold takes
// code page 932, SearchFoldWide UTF-16 (a typed query).
std::u16string SearchFold(std::string_view text);
std::u16string SearchFoldWide(std::u16string_view text);
// Locale order for list sorting (locale "ja", tertiary strength): <0, 0, >0.
int CompareLocale(std::string_view a, std::string_view b);

}  // namespace platform
