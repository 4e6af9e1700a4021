#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

namespace app {

QString QtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool InstallJapaneseTranslations(QCoreApplication& application, const QString& folder) {
  auto* translator = new QTranslator(&application);
  translator->setObjectName(QStringLiteral("QtJapanese"));
  if (!translator->load(QStringLiteral("qtbase_ja"), folder) || !QCoreApplication::installTranslator(translator)) {
    std::fprintf(stderr, "lyrimate: Qt's Japanese translation qtbase_ja was not found in %s\n",
                 qPrintable(folder));
    delete translator;
    return false;
  }
  return true;
}

}  // namespace app
