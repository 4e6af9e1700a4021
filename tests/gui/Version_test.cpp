// SPDX-License-Identifier: GPL-3.0-or-later
// The about box and the application's --help and --version.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "ProgramVersion.h"
#include "app/Version.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The text with the names that stay as they are taken out; what is left must not hold a
// Latin word a Japanese user would have to read.
QString WithoutNames(QString text) {
  for (const char* name : {"GPL-3.0-or-later", "GNU", "Lyrimate", "iPod", "Qt", "ver", "OK"})
    text.remove(QString::fromLatin1(name));
  return text;
}

std::optional<std::string> Info(std::vector<std::string> args) {
  args.insert(args.begin(), "lyrimate");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return app::InfoOptionText(static_cast<int>(args.size()), argv.data());
}

}  // namespace

class VersionTest : public QObject {
  Q_OBJECT

private slots:
  void showsVersionLicenceQtAndDataFolder() {
    app::TAbout about(nullptr, U("/home/花子/.local/share/Lyrimate/"));
    QCOMPARE(about.Label1->text(), QStringLiteral("Lyrimate ver ") + QString::fromLatin1(lyrimate::kShortVersion));
    QVERIFY(QString::fromLatin1(lyrimate::kVersion).startsWith(QString::fromLatin1(lyrimate::kShortVersion) + '.'));
    QVERIFY(about.Licence->text().contains(QStringLiteral("GPL-3.0-or-later")));
    QVERIFY(about.Copyright->text().contains(U("©")));
    QVERIFY(about.QtVersion->text().contains(QString::fromLatin1(qVersion())));
    QVERIFY(!about.Description->text().isEmpty());
    QCOMPARE(about.DataFolder->text(), U("/home/花子/.local/share/Lyrimate/"));
    QVERIFY(about.DataFolder->isReadOnly());
  }

  void noEnglishBesideNames() {
    app::TAbout about;
    const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    for (const QLabel* label : about.findChildren<QLabel*>())
      QVERIFY2(!WithoutNames(label->text()).contains(word), qPrintable(label->text()));
    for (const QPushButton* button : about.findChildren<QPushButton*>())
      QVERIFY2(!WithoutNames(button->text()).contains(word), qPrintable(button->text()));
  }

  // The added lines must not be cut off by the classic fixed size.
  void everythingFitsAndTheClassicSizeIsTheLeast() {
    app::TAbout about(nullptr, U("/a/rather/long/path/to/the/data/folder/of/a/user/Lyrimate/"));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.width() >= 480 && about.height() >= 189);
    for (const QWidget* child : about.findChildren<QWidget*>()) {
      if (!child->isVisible()) continue;
      const QRect inDialog(child->mapTo(&about, QPoint(0, 0)), child->size());
      QVERIFY2(about.rect().contains(inDialog), qPrintable(child->objectName()));
      QVERIFY2(child->width() >= child->minimumSizeHint().width(), qPrintable(child->objectName()));
    }
  }

  void copyButtonPutsTheDataFolderOnTheClipboard() {
    app::TAbout about(nullptr, U("/data/歌詞/"));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    about.show();
    QTest::mouseClick(about.CopyDataFolder, Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), U("/data/歌詞/"));
    QVERIFY(about.isVisible());  // copying does not close the box
    QVERIFY(!about.CopyDataFolder->isDefault());
  }

  void okEndsWith1000() {
    app::TAbout about;
    about.open();
    QTest::mouseClick(about.OK, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), 1000);
  }

  void infoOptions() {
    const std::string version = std::string("lyrimate ") + lyrimate::kVersion + "\n";
    QVERIFY(Info({"--version"}) == version);
    QVERIFY(Info({"--player", "/media/ipod", "--version"}) == version);
    QVERIFY(Info({"--help"})->starts_with("usage: lyrimate "));
    QVERIFY(Info({"-h"})->starts_with("usage: lyrimate "));
    QVERIFY(Info({"--data-dir=/d", "-style", "Fusion", "--help"})->starts_with("usage: "));
    // Values of our options are folders, never options.
    QVERIFY(!Info({"--player", "--help"}));
    QVERIFY(!Info({"--data-dir", "--version"}));
    QVERIFY(!Info({}));
    QVERIFY(!Info({"--player", "/media/ipod", "-platform", "offscreen"}));
  }
};

QTEST_MAIN(VersionTest)
#include "Version_test.moc"
