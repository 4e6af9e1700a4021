// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Version.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string_view>

#include "ProgramVersion.h"
#include "app/AppIcon.h"
#include "app/QtText.h"

namespace app {

namespace {

constexpr const char* kDescription = "iPod の曲の歌詞を管理し、iPod のノートに書き出すソフトウェアです。";
constexpr const char* kLicence = "ライセンス: GPL-3.0-or-later（GNU 一般公衆利用許諾書 第3版以降）";
constexpr const char* kCopyright = "© 2026 Lyrimate 開発者";

QLabel* SelectableLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

TAbout::TAbout(QWidget* parent, const QString& dataFolder) : QDialog(parent) {
  setObjectName(QStringLiteral("TAbout"));
  setWindowTitle(QStringLiteral("Lyrimate"));
  setWindowIcon(AppIcon());

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setFixedSize(65, 65);
  Image1->setPixmap(AppIcon().pixmap(QSize(65, 65), devicePixelRatio()));

  Label1 = new QLabel(QStringLiteral("Lyrimate ver ") + QString::fromLatin1(lyrimate::kShortVersion), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  // A fixed-pitch face, a bit over half again the desktop's size.
  QFont versionFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const double basePoints = font().pointSizeF() > 0 ? font().pointSizeF() : 9.0;
  versionFont.setPointSizeF(basePoints * 20.0 / 12.0);
  Label1->setFont(versionFont);

  Description = SelectableLabel(Ui(kDescription), "Description", this);
  Licence = SelectableLabel(Ui(kLicence), "Licence", this);
  Copyright = SelectableLabel(Ui(kCopyright), "Copyright", this);
  QtVersion = SelectableLabel(Ui("Qt %1 を使用しています。").arg(QString::fromLatin1(qVersion())), "QtVersion", this);

  auto* dataFolderCaption = new QLabel(Ui("データフォルダ(&D):"), this);
  DataFolder = new QLineEdit(dataFolder, this);
  DataFolder->setObjectName(QStringLiteral("DataFolder"));
  DataFolder->setReadOnly(true);
  DataFolder->setCursorPosition(0);
  DataFolder->setMinimumWidth(280);
  dataFolderCaption->setBuddy(DataFolder);
  CopyDataFolder = new QPushButton(Ui("コピー(&C)"), this);
  CopyDataFolder->setObjectName(QStringLiteral("CopyDataFolder"));
  CopyDataFolder->setAutoDefault(false);
  connect(CopyDataFolder, &QPushButton::clicked, this, &TAbout::CopyDataFolderClick);

  OK = new QPushButton(QStringLiteral("OK"), this);
  OK->setObjectName(QStringLiteral("OK"));
  OK->setDefault(true);
  connect(OK, &QPushButton::clicked, this, &TAbout::OKClick);

  auto* text = new QVBoxLayout;
  text->addWidget(Label1);
  text->addWidget(Description);
  text->addSpacing(8);
  text->addWidget(Licence);
  text->addWidget(Copyright);
  text->addWidget(QtVersion);
  auto* top = new QHBoxLayout;
  top->addWidget(Image1, 0, Qt::AlignTop);
  top->addSpacing(16);
  top->addLayout(text, 1);
  auto* folder = new QHBoxLayout;
  folder->addWidget(dataFolderCaption);
  folder->addWidget(DataFolder, 1);
  folder->addWidget(CopyDataFolder);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(OK);
  bottom->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addLayout(top, 1);
  layout->addSpacing(8);
  layout->addLayout(folder);
  layout->addSpacing(8);
  layout->addLayout(bottom);
  // At least the classic 480 pixels wide, and as large as the added lines need; the user does
  // not resize it.
  layout->addStrut(480);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAbout::OKClick() { done(1000); }

void TAbout::CopyDataFolderClick() {
  QApplication::clipboard()->setText(DataFolder->text());
  DataFolder->selectAll();
}

std::optional<std::string> InfoOptionText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--player" || arg == "--data-dir") {
      ++i;
    } else if (arg == "--version") {
      return std::string("lyrimate ") + lyrimate::kVersion + "\n";
    } else if (arg == "--help" || arg == "-h") {
      return "usage: lyrimate [--player DIR]... [--data-dir DIR] [QT-OPTION...] | --help | --version\n"
             "\n"
             "Keeps the lyrics of the songs on an iPod attached as a USB disk and writes them\n"
             "into the iPod's Notes. The window is in Japanese.\n"
             "\n"
             "  --player DIR    look for the player at DIR as well as on the mounted volumes\n"
             "                  (may be given more than once)\n"
             "  --data-dir DIR  keep the settings, the lists and the lyrics in DIR instead of\n"
             "                  the program's folder (when writable) or $XDG_DATA_HOME/Lyrimate/\n"
             "  --help          print this text\n"
             "  --version       print the program's name and version\n"
             "\n"
             "Qt's own options, such as -platform NAME or -style NAME, are passed to Qt.\n";
    }
  }
  return std::nullopt;
}

}  // namespace app
