// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppIcon.h"

#include <QApplication>
#include <QString>

// The resources live in a static library: referencing their initialiser here keeps the
// linker from dropping them.
static void InitLyrimateResources() { Q_INIT_RESOURCE(lyrimate); }

namespace app {

namespace {

void EnsureResources() {
  static const bool done = (InitLyrimateResources(), true);
  (void)done;
}

}  // namespace

QIcon AppIcon() {
  EnsureResources();
  return QIcon(QStringLiteral(":/lyrimate.svg"));
}

QIcon ThemeIcon(const char* themeName, QStyle::StandardPixmap fallback) {
  const QString name = QString::fromLatin1(themeName);
  if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  return QApplication::style()->standardIcon(fallback);
}

QIcon ThemeIcon(const char* themeName, const char* resourcePath) {
  EnsureResources();
  return QIcon::fromTheme(QString::fromLatin1(themeName), QIcon(QString::fromLatin1(resourcePath)));
}

}  // namespace app
