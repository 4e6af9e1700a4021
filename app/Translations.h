// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt's own texts (standard buttons, the file dialog, the text fields' context menus) in
// Japanese: the program's interface is Japanese whatever the locale.
#include <QString>

class QCoreApplication;

namespace app {

// Where Qt's translation files are looked for: the Qt installation's translations folder.
QString QtTranslationsFolder();

// Installs Qt's Japanese translation (qtbase_ja) on application, with the few file dialog
// texts it lacks; the translators live as long as the application. False, with a line on
// standard error, when the file is missing (Qt's texts then stay English).
bool InstallJapaneseTranslations(QCoreApplication& application, const QString& folder = QtTranslationsFolder());

}  // namespace app
