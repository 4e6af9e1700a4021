#pragma once
// The one crossing between the program's code page 932 text and Qt's QString.
#include <QString>
#include <string>

#include "platform/CodePage.h"

namespace app {

inline QString FromCp932(const std::string& text) {
  const std::u16string wide = platform::Cp932ToUtf16(text);
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

inline std::string ToCp932(const QString& text) {
  return platform::Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                     static_cast<std::size_t>(text.size())));
}

// A UTF-8 literal from the source as a QString (captions, messages).
inline QString Ui(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace app
