// SPDX-License-Identifier: GPL-3.0-or-later
// The settings dialog: what it reads at creation, what OK writes, what Cancel leaves.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "GuiSupport.h"
#include "TestSupport.h"
#include "app/SettingU.h"
#include "library/MainState.h"
#include "platform/Profile.h"

using gui_support::BoxSeen;
using gui_support::ModalAnswer;
using gui_support::Press;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct Boxes {
  bool c1, c2, c3, c4;
  bool operator==(const Boxes&) const = default;
};

Boxes Shown(const app::TSetting& dialog) {
  return {dialog.CheckBox1->isChecked(), dialog.CheckBox2->isChecked(), dialog.CheckBox3->isChecked(),
          dialog.CheckBox4->isChecked()};
}

// Opens the dialog as the main window does and waits until it is laid out and shown.
bool Open(app::TSetting& dialog) {
  dialog.open();
  return QTest::qWaitForWindowExposed(&dialog);
}

// A check box reacts to clicks on its box and caption only, not on the blank rest of its row.
void Tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

QString BoxCaption(const std::string& appDir, const char* name) {
  app::TSetting dialog(appDir);
  auto* box = dialog.findChild<QCheckBox*>(QString::fromLatin1(name));
  return box ? box->text() : QString();
}

std::string Key(const std::string& appDir, const char* key) {
  return platform::ReadProfileString(appDir + "Lyrimate.ini", "Lyrimate", key, "<missing>");
}

}  // namespace

class SettingUTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> dir_;
  std::string appDir_;

private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    appDir_ = dir_->path().string() + "/";
  }
  void cleanup() { dir_.reset(); }

  void captionsAndNames() {
    app::TSetting dialog(appDir_);
    QCOMPARE(dialog.windowTitle(), U("設定"));
    QCOMPARE(dialog.findChild<QGroupBox*>()->title(), U("全般"));
    const std::pair<const char*, const char*> boxes[] = {
        {"CheckBox1", "起動時にiPodと接続する"},
        {"CheckBox2", "起動時にiPodの曲リストを取得しない(推奨)"},
        {"CheckBox3", "自動でiPodをチェックする(推奨)"},
        {"CheckBox4", "曲情報取得時に登録済みの曲にチェックをつける"}};
    for (const auto& [name, caption] : boxes) {
      auto* box = dialog.findChild<QCheckBox*>(QString::fromLatin1(name));
      QVERIFY2(box != nullptr, name);
      QCOMPARE(box->text(), U(caption));
    }
    bool noteFound = false;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      noteFound |= label->text() == U("※　設定を反映させるには、Lyrimateの再起動が必要です。");
    }
    QVERIFY(noteFound);
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Button2"))->text(), QStringLiteral("Cancel"));
  }

  void noSettingsFileGivesTheDefaultsAndCreatesNothing() {
    app::TSetting dialog(appDir_);
    QCOMPARE(Shown(dialog), (Boxes{false, true, true, false}));
    QVERIFY(!std::filesystem::exists(appDir_ + "Lyrimate.ini"));
  }

  void theFileIsReadWhenTheDialogIsCreated() {
    WriteBytes(appDir_ + "Lyrimate.ini", "[Lyrimate]\r\nAutoConnect=yes\r\nAutoGetMusic=0\r\nAutoCheck=0\r\nAutoCopy=-3\r\n");
    app::TSetting dialog(appDir_);
    // "yes" is not a whole number: the default; any number but 0 is true.
    QCOMPARE(Shown(dialog), (Boxes{false, false, false, true}));
    // Read once: a later change of the file does not reach the open dialog.
    WriteBytes(appDir_ + "Lyrimate.ini", "[Lyrimate]\r\nAutoConnect=1\r\n");
    QVERIFY(Open(dialog));
    QCOMPARE(Shown(dialog), (Boxes{false, false, false, true}));
  }

  void okWritesEveryBoxAndCloses() {
    WriteBytes(appDir_ + "Lyrimate.ini", "; kept\r\n[Other]\r\nx=1\r\n");
    app::TSetting dialog(appDir_);
    QVERIFY(Open(dialog));
    Tick(dialog.CheckBox1);
    Tick(dialog.CheckBox3);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Key(appDir_, "AutoConnect"), "1");
    QCOMPARE(Key(appDir_, "AutoGetMusic"), "1");
    QCOMPARE(Key(appDir_, "AutoCheck"), "0");
    QCOMPARE(Key(appDir_, "AutoCopy"), "0");
    const std::string file = ReadBytes(appDir_ + "Lyrimate.ini");
    QVERIFY(file.find("; kept") != std::string::npos);
    QVERIFY(file.find("AutoConnect") < file.find("AutoGetMusic"));
    QVERIFY(file.find("AutoGetMusic") < file.find("AutoCheck"));
    QVERIFY(file.find("AutoCheck") < file.find("AutoCopy"));
  }

  void cancelWritesNothingAndALaterOkWritesTheChangedBoxes() {
    app::TSetting dialog(appDir_);
    QVERIFY(Open(dialog));
    Tick(dialog.CheckBox2);
    Tick(dialog.CheckBox4);
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!std::filesystem::exists(appDir_ + "Lyrimate.ini"));

    QVERIFY(Open(dialog));  // the next opening shows the boxes as the user left them
    QCOMPARE(Shown(dialog), (Boxes{false, false, true, true}));
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    QCOMPARE(Key(appDir_, "AutoConnect"), "0");
    QCOMPARE(Key(appDir_, "AutoGetMusic"), "0");
    QCOMPARE(Key(appDir_, "AutoCheck"), "1");
    QCOMPARE(Key(appDir_, "AutoCopy"), "1");
    QCOMPARE(library::ReadSettings(appDir_).AutoCopy, true);
  }

  void theNotesBoxesReadAndWriteSplitPagesAndCleanNotesBesideTheOthers() {
    QCOMPARE(BoxCaption(appDir_, "CheckBox5"), U("4,096 バイトを超える歌詞は続きのノートに分ける"));
    WriteBytes(appDir_ + "Lyrimate.ini", "[Lyrimate]\r\nAutoCopy=1\r\nCleanNotes=1\r\n");
    app::TSetting dialog(appDir_);
    QCOMPARE(dialog.GroupBox2->title(), U("ノート"));
    QVERIFY(!dialog.CheckBox5->isChecked());
    QVERIFY(dialog.CheckBox6->isChecked());
    QVERIFY(Open(dialog));
    Tick(dialog.CheckBox5);
    Tick(dialog.CheckBox6);
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    QCOMPARE(Key(appDir_, "SplitPages"), "1");
    QCOMPARE(Key(appDir_, "CleanNotes"), "0");
    QCOMPARE(Key(appDir_, "AutoCopy"), "1");  // the other keys keep what the boxes showed
    const library::Settings read = library::ReadSettings(appDir_);
    QVERIFY(read.SplitPages && !read.CleanNotes && read.AutoCopy);
  }

  void aFailedWriteIsShownAndTheDialogStaysOpen() {
    WriteBytes(dir_->File("plain"), "a file where the data folder should be");
    app::TSetting dialog(dir_->File("plain") + "/");
    QVERIFY(Open(dialog));
    BoxSeen seen;
    ModalAnswer<QMessageBox> error(Press(QMessageBox::Ok, &seen));
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    QVERIFY(error.answered());
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY(!seen.text.isEmpty());
    QVERIFY(dialog.isVisible());
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
  }
};

QTEST_MAIN(SettingUTest)
#include "SettingU_test.moc"
