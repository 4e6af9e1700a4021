// SPDX-License-Identifier: GPL-3.0-or-later
// The note preview: markup removed, links underlined, the reader's cut marked, parts in order.
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include "app/NotePreview.h"
#include "platform/CodePage.h"

namespace {

// Whether the text is shown and every fragment holding it is underlined.
bool Underlined(const QTextDocument& document, const QString& text) {
  bool found = false;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it)
      if (it.fragment().text().contains(text)) {
        found = true;
        if (!it.fragment().charFormat().fontUnderline()) return false;
      }
  return found;
}

}  // namespace

class NotePreviewTest : public QObject {
  Q_OBJECT

private slots:
  void showsWhatTheReaderShowsAndWhereItStops() {
    const std::string first = "<?xml?>Title:  <a href=\"x\">LINKED</a>\r\n" + std::string(4100, 'w') + "HIDDEN\r\n";
    const std::string second = "<?xml?>" + platform::Sjis("二つ目") + "\r\n";
    app::TNotePreview preview;
    preview.Show({{"song", first}, {platform::Sjis("song～2"), second}});
    const QString text = preview.Memo1->toPlainText();
    QVERIFY(!text.contains(QStringLiteral("<a href")));
    QVERIFY(!text.contains(QStringLiteral("<?xml")));
    QVERIFY(text.contains(QStringLiteral("Title:  LINKED")));
    QVERIFY(Underlined(*preview.Memo1->document(), QStringLiteral("LINKED")));
    QVERIFY(!Underlined(*preview.Memo1->document(), QStringLiteral("Title:")));
    // The marker stands after the last byte shown and before what the reader leaves out.
    const int marker = text.indexOf(QString::fromUtf8("ここから後ろは iPod に表示されません"));
    QVERIFY(marker > text.indexOf(QStringLiteral("wwww")));
    QVERIFY(marker < text.indexOf(QStringLiteral("HIDDEN")));
    QVERIFY(text.indexOf(QString::fromUtf8("song～2")) > text.indexOf(QStringLiteral("HIDDEN")));
    QVERIFY(text.indexOf(QString::fromUtf8("二つ目")) > text.indexOf(QString::fromUtf8("song～2")));
    QCOMPARE(text.count(QString::fromUtf8("表示されません")), 1);  // the short part has no cut
  }
};

QTEST_MAIN(NotePreviewTest)
#include "NotePreview_test.moc"
