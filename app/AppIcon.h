// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own icon and the toolbar icons: the desktop theme's icon when it has one,
// otherwise a Qt standard icon or one of the program's own drawings.
#include <QIcon>
#include <QStyle>

namespace app {

// The application icon (":/lyrimate.svg").
QIcon AppIcon();
// The theme icon themeName, else the style's standard icon.
QIcon ThemeIcon(const char* themeName, QStyle::StandardPixmap fallback);
// The theme icon themeName, else the drawing at resourcePath (":/icons/...").
QIcon ThemeIcon(const char* themeName, const char* resourcePath);

}  // namespace app
