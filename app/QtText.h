// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one crossing between the program's code page 932 text and Qt's QString, and the small
// text and font helpers the windows share.
#include <QFile>
#include <QFont>
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
// A path as the system gave it (the data folder, the player's files), for showing.
inline QString FromSystemPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

inline QString Ui(const char* utf8) { return QString::fromUtf8(utf8); }

// Line breaks of any kind (CR LF, lone CR, lone LF) as "\n", the text controls' own form.
inline QString WithNewlines(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// The font with its point size multiplied by factor (a font sized in pixels stays as it is).
inline QFont ScaledFont(QFont font, double factor) {
  if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * factor);
  return font;
}

}  // namespace app
