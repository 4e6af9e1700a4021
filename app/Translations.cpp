// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <cstring>

namespace app {

namespace {

// Texts the file dialog shows that the distribution's qtbase_ja leaves in English: the type
// column of its file list. Asked before qtbase_ja; anything else passes on to it.
class JapaneseSupplement : public QTranslator {
public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
    (void)disambiguation;
    (void)n;
    if (context == nullptr || source == nullptr || std::strcmp(context, "QAbstractFileIconProvider") != 0) return {};
    static const struct {
      const char* source;
      const char* japanese;
    } texts[] = {{"Folder", "フォルダ"}, {"File", "ファイル"}, {"%1 File", "%1 ファイル"},
                 {"Drive", "ドライブ"}, {"Shortcut", "ショートカット"}, {"Alias", "エイリアス"}};
    for (const auto& text : texts)
      if (std::strcmp(source, text.source) == 0) return QString::fromUtf8(text.japanese);
    return {};
  }
};

}  // namespace

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
  QCoreApplication::installTranslator(new JapaneseSupplement(&application));
  return true;
}

}  // namespace app
