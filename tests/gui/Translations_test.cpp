// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's own texts in Japanese: the standard buttons of the message boxes, the file dialog and
// the text fields' context menu, once the translation is installed; a missing translation is
// reported and changes nothing.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <memory>

#include "TestSupport.h"
#include "app/Translations.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

bool HasJapanese(const QString& text) {
  for (QChar c : text)
    if (c.unicode() >= 0x3040 && c.unicode() <= 0x9FFF) return true;
  return false;
}

}  // namespace

class TranslationsTest : public QObject {
  Q_OBJECT

private slots:
  void aMissingTranslationIsReportedAndLeavesQtsTexts() {
    testing_support::TempDir empty;
    QVERIFY(!app::InstallJapaneseTranslations(*qApp, QString::fromStdString(empty.path().string())));
    QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QString("&Yes"));
  }

  void standardButtonsDialogsAndMenusComeOutJapanese() {
    QVERIFY(app::InstallJapaneseTranslations(*qApp));
    QMessageBox box(QMessageBox::Question, "t", "q",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    // Japanese writes OK as it is.
    const struct {
      QMessageBox::StandardButton button;
      const char* japanese;
    } buttons[] = {{QMessageBox::Yes, "はい"}, {QMessageBox::No, "いいえ"}, {QMessageBox::Cancel, "キャンセル"}, {QMessageBox::Ok, "OK"}};
    for (const auto& b : buttons)
      QVERIFY2(box.button(b.button)->text().startsWith(U(b.japanese)), qPrintable(box.button(b.button)->text()));

    QLineEdit field;
    field.setText("text");
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    int japanese = 0;
    for (const QAction* action : menu->actions())
      if (!action->isSeparator()) japanese += HasJapanese(action->text()) ? 1 : 0;
    QVERIFY(japanese >= 5);  // undo, redo, cut, copy, paste, delete, select all

    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    QVERIFY(lookIn);
    QVERIFY2(HasJapanese(lookIn->text()), qPrintable(lookIn->text()));
    auto* fileName = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
    QVERIFY(fileName);
    QVERIFY2(HasJapanese(fileName->text()), qPrintable(fileName->text()));
    // The file list's type column, which qtbase_ja leaves out.
    QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"), U("フォルダ"));
    QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "%1 File", "%1 is a file name suffix, for example txt"),
             U("%1 ファイル"));
    // Everything else is still qtbase_ja's.
    QCOMPARE(QCoreApplication::translate("QFileSystemModel", "Date Modified"), U("更新日"));
  }
};

QTEST_MAIN(TranslationsTest)
#include "Translations_test.moc"
