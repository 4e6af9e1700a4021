// SPDX-License-Identifier: GPL-3.0-or-later
// The lyrics editor, driven through its toolbar buttons, its open dialog and its boxes.
#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "GuiSupport.h"
#include "PlayerSupport.h"
#include "TestSupport.h"
#include "app/Edit_Words.h"
#include "library/LyricsStore.h"
#include "library/MainState.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "text/jconvertex.h"

using gui_support::BoxSeen;
using gui_support::ModalAnswer;
using gui_support::NoModalExpected;
using gui_support::Press;
using testing_support::Bytes;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The UTF-16 form of a UTF-8 text with its byte-order mark.
std::string Utf16WithBom(const char* utf8, bool bigEndian) {
  const std::u16string units = platform::Utf8ToUtf16(utf8);
  Bytes bytes;
  bigEndian ? bytes.U8(0xFE).U8(0xFF) : bytes.U8(0xFF).U8(0xFE);
  for (char16_t unit : units) bigEndian ? bytes.Be16(unit) : bytes.Le16(unit);
  return bytes.str();
}

}  // namespace

class EditWordsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<library::MainState> state_;
  std::unique_ptr<app::TEdit> edit_;

  QToolButton* Button(const char* name) { return edit_->ToolBar1->findChild<QToolButton*>(QString::fromLatin1(name)); }
  void Click(const char* name) {
    QToolButton* button = Button(name);
    QVERIFY2(button != nullptr, name);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // The editor showing a song's text, as the main window leaves it.
  void ShowText(const char* utf8) {
    edit_->ShowSong({platform::Sjis("Song (Album)"), platform::Sjis(utf8)});
  }
  void Type(const char* utf8) {
    edit_->Memo->setFocus();
    edit_->Memo->moveCursor(QTextCursor::End);
    const QString text = U(utf8);
    bool ascii = true;
    for (QChar c : text) ascii &= c.unicode() < 0x80;
    if (ascii) {
      QTest::keyClicks(edit_->Memo, text);
      return;
    }
    // Japanese arrives as an input method's committed text.
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(edit_->Memo, &commit);
  }
  // Opens path through the open button, answering the confirmation (when one comes) with OK.
  void OpenThroughDialog(const QString& path) {
    ModalAnswer<QFileDialog> pick([path](QFileDialog* dialog) { gui_support::PickFile(dialog, path); });
    Click("ToolButton2");
    QVERIFY(pick.answered());
  }
  QString OpenFileWith(const std::string& bytes) {
    const std::string path = dir_->File("opened.txt");
    WriteBytes(path, bytes);
    OpenThroughDialog(QString::fromStdString(path));
    return edit_->Memo->toPlainText();
  }

private slots:
  void init() {
    dir_ = std::make_unique<TempDir>();
    state_ = std::make_unique<library::MainState>(dir_->path().string() + "/");
    state_->LyricsPath = dir_->File("song-album.txt");
    edit_ = std::make_unique<app::TEdit>(*state_);
  }
  void cleanup() {
    edit_.reset();
    state_.reset();
    dir_.reset();
  }

  void windowHasItsControls() {
    QCOMPARE(edit_->objectName(), QStringLiteral("TEdit"));
    QVERIFY(edit_->isWindow());
    QCOMPARE(edit_->windowTitle(), QStringLiteral("Edit Words"));
    QCOMPARE(edit_->Memo->objectName(), QStringLiteral("Memo"));
    QVERIFY(edit_->Memo->isUndoRedoEnabled());
    QCOMPARE(edit_->ToolBar1->objectName(), QStringLiteral("ToolBar1"));
    const std::pair<const char*, const char*> buttons[] = {
        {"ToolButton1", "新規作成"}, {"ToolButton2", "開く"},     {"ToolButton3", "保存"},
        {"ToolButton5", "戻す"},     {"ToolButton6", "コピー"},   {"ToolButton7", "切り取り"},
        {"ToolButton8", "貼り付け"}, {"ToolButton10", "終了"}};
    for (const auto& [name, tip] : buttons) {
      QToolButton* button = Button(name);
      QVERIFY2(button != nullptr, name);
      QCOMPARE(button->toolTip(), U(tip));
      QVERIFY2(!button->icon().isNull(), name);
    }
    // Left to right: three commands, a separator, four, a separator, close.
    const QList<QAction*> actions = edit_->ToolBar1->actions();
    QCOMPARE(actions.size(), 10);
    QVERIFY(actions[3]->isSeparator());
    QCOMPARE(actions[3]->objectName(), QStringLiteral("ToolButton4"));
    QVERIFY(actions[8]->isSeparator());
    QCOMPARE(actions[8]->objectName(), QStringLiteral("ToolButton9"));
    QCOMPARE(actions[9]->toolTip(), U("終了"));
    QCOMPARE(edit_->Od->objectName(), QStringLiteral("Od"));
    QCOMPARE(edit_->Od->nameFilters(), QStringList({U("テキストファイル(*.txt)"), U("すべて(*.*)")}));
  }

  void captionOfASongWithSlashes() {
    const std::filesystem::path root = dir_->path() / "player";
    testing_support::MakePlayer(root);
    testing_support::SongTags tags;
    tags.title = "A/B";
    tags.album = "C";
    const std::string song = testing_support::AddSong(root, "F00/a.mp3", tags);
    library::SongRow row;
    row.caption = "A/B";
    row.sub[library::kAlbum] = "C";
    row.sub[library::kPath] = song;
    state_->MList.push_back(row);
    state_->SongTable.Put(library::SongKey(row), row.sub[library::kPath]);

    const auto content = library::OpenLyricsEditor(*state_, library::ListId::MList, {{0}});
    QVERIFY(content.has_value());
    edit_->ShowSong(*content);
    QCOMPARE(edit_->windowTitle(), QStringLiteral("A_B (C)"));
    QVERIFY(edit_->isVisible());
  }

  void showSongReplacesTextOrKeepsIt() {
    ShowText("一行目\r\n二行目\r\n");
    QCOMPARE(edit_->Memo->toPlainText(), U("一行目\n二行目\n"));
    QVERIFY(!edit_->Memo->document()->isModified());
    Type("x");
    // A song with neither a lyrics file nor tag lyrics leaves the text under the new caption.
    edit_->ShowSong({platform::Sjis("次の曲 (アルバム)"), std::nullopt});
    QCOMPARE(edit_->windowTitle(), U("次の曲 (アルバム)"));
    QCOMPARE(edit_->Memo->toPlainText(), U("一行目\n二行目\nx"));
  }

  void newOnAnUnchangedTextClearsWithoutAsking() {
    ShowText("歌詞");
    NoModalExpected guard;
    Click("ToolButton1");
    QCOMPARE(guard.seen(), 0);
    QVERIFY(edit_->Memo->toPlainText().isEmpty());
  }

  void newOnAChangedTextAsksAndCancelKeepsIt() {
    ShowText("歌詞");
    Type("を直した");
    BoxSeen seen;
    ModalAnswer<QMessageBox> answer(Press(QMessageBox::Cancel, &seen));
    Click("ToolButton1");
    QVERIFY(answer.answered());
    QCOMPARE(seen.text, U("編集中の歌詞が全て消去されます。\nよろしいですか？"));
    QCOMPARE(seen.icon, QMessageBox::Information);
    QCOMPARE(seen.buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(edit_->Memo->toPlainText(), U("歌詞を直した"));
  }

  void newOnAChangedTextWithOkClears() {
    ShowText("歌詞");
    Type("!");
    ModalAnswer<QMessageBox> answer(Press(QMessageBox::Ok));
    Click("ToolButton1");
    QVERIFY(answer.answered());
    QVERIFY(edit_->Memo->toPlainText().isEmpty());
    QVERIFY(!edit_->Memo->document()->isModified());
  }

  void openCancelledLeavesTheTextAlsoAfterOk() {
    ShowText("歌詞");
    Type("!");
    ModalAnswer<QMessageBox> confirm(Press(QMessageBox::Ok));
    ModalAnswer<QFileDialog> cancel([](QFileDialog* dialog) { dialog->reject(); });
    Click("ToolButton2");
    QVERIFY(confirm.answered());
    QVERIFY(cancel.answered());
    QCOMPARE(edit_->Memo->toPlainText(), U("歌詞!"));
  }

  void openWithCancelInTheConfirmationShowsNoDialog() {
    ShowText("歌詞");
    Type("!");
    ModalAnswer<QMessageBox> confirm(Press(QMessageBox::Cancel));
    Click("ToolButton2");
    QVERIFY(confirm.answered());
    NoModalExpected guard;
    QTest::qWait(30);
    QCOMPARE(guard.seen(), 0);
    QCOMPARE(edit_->Memo->toPlainText(), U("歌詞!"));
  }

  void openedFilesAreConvertedFromTheirEncoding() {
    const char* lyrics = "桜の花が\r\n舞い散る～ソ表\r\n";
    const QString expected = U("桜の花が\n舞い散る～ソ表\n");
    QCOMPARE(OpenFileWith(lyrics), expected);  // UTF-8
    QCOMPARE(OpenFileWith("\xEF\xBB\xBF" + std::string(lyrics)), expected);
    QCOMPARE(OpenFileWith(Utf16WithBom(lyrics, false)), expected);
    QCOMPARE(OpenFileWith(Utf16WithBom(lyrics, true)), expected);
    // Shift_JIS with trail bytes 0x5C (ソ, 表) and EUC-JP.
    QCOMPARE(OpenFileWith(platform::Sjis(lyrics)), expected);
    QCOMPARE(OpenFileWith(SjisToEuc(platform::Sjis(lyrics))), expected);
    QVERIFY(!edit_->Memo->document()->isModified());
  }

  void japaneseAfterALongEnglishVerseIsStillDetected() {
    const std::string english(700, 'a');
    QCOMPARE(OpenFileWith(english + "\n" + "日本語の行\n"), QString::fromLatin1(english.c_str()) + U("\n日本語の行\n"));
    QCOMPARE(OpenFileWith(english + "\n" + SjisToEuc(platform::Sjis("日本語の行\n"))),
             QString::fromLatin1(english.c_str()) + U("\n日本語の行\n"));
  }

  void lineBreaksOfEveryKindBecomeLines() {
    QCOMPARE(OpenFileWith("one\rtwo\nthree\r\n"), QStringLiteral("one\ntwo\nthree\n"));
  }

  void aBinaryFileIsRefusedAndTheTextKept() {
    ShowText("歌詞");
    Bytes binary;
    binary.Text("ID3").U8(3).U8(0).U8(0).Fill(100, 0);
    BoxSeen seen;
    ModalAnswer<QMessageBox> error(Press(QMessageBox::Ok, &seen));
    OpenFileWith(binary.str());
    QVERIFY(error.answered());
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY2(seen.text.contains(U("テキストファイルではない")), qPrintable(seen.text));
    QCOMPARE(edit_->Memo->toPlainText(), U("歌詞"));
  }

  void aZeroByteBeyondTheProbeIsNotBinary() {
    std::string text(8 * 1024, 'x');
    text += std::string(1, '\0') + "y";
    QCOMPARE(OpenFileWith(text).left(3), QStringLiteral("xxx"));
  }

  // A file that is not a regular one (here a FIFO, which would block a plain read) is
  // reported with its name and the text stays.
  void anUnreadableFileIsReportedWithItsName() {
    ShowText("歌詞");
    const std::string path = dir_->File("pipe.txt");
    QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    BoxSeen seen;
    ModalAnswer<QMessageBox> error(Press(QMessageBox::Ok, &seen));
    OpenThroughDialog(QString::fromStdString(path));
    QVERIFY(error.answered());
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY2(seen.text.contains(QStringLiteral("pipe.txt")), qPrintable(seen.text));
    QCOMPARE(edit_->Memo->toPlainText(), U("歌詞"));
  }

  void saveWritesTheLyricsFileAndClosesTheEditor() {
    ShowText("一行目\r\n");
    edit_->show();
    Type("二行目～");
    NoModalExpected guard;
    Click("ToolButton3");
    QCOMPARE(guard.seen(), 0);
    QCOMPARE(ReadBytes(state_->LyricsPath), platform::Sjis("一行目\r\n二行目～\r\n"));
    QVERIFY(state_->LyricsText.empty());
    QVERIFY(!edit_->isVisible());
    QVERIFY(edit_->Memo->toPlainText().isEmpty());
  }

  void saveOfAnEmptyTextWritesAnEmptyFile() {
    WriteBytes(state_->LyricsPath, "old\r\n");
    edit_->show();
    Click("ToolButton3");
    QVERIFY(std::filesystem::exists(state_->LyricsPath));
    QCOMPARE(ReadBytes(state_->LyricsPath), std::string());
    QVERIFY(!edit_->isVisible());
  }

  void aFailedSaveKeepsTheWindowAndTheText() {
    WriteBytes(dir_->File("plain"), "a file, not a folder");
    state_->LyricsPath = dir_->File("plain/song.txt");
    ShowText("歌詞");
    BoxSeen seen;
    ModalAnswer<QMessageBox> error(Press(QMessageBox::Ok, &seen));
    Click("ToolButton3");
    QVERIFY(error.answered());
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QVERIFY(edit_->isVisible());
    QCOMPARE(edit_->Memo->toPlainText(), U("歌詞"));
  }

  // Close (button, close box, Esc) on a changed text asks 保存 / 破棄 / キャンセル.
  void closingAChangedTextAsksSaveDiscardOrCancel() {
    const std::function<void()> closers[] = {
        [this] { Click("ToolButton10"); },
        [this] { edit_->close(); },
        [this] { QTest::keyClick(edit_->Memo, Qt::Key_Escape); },
    };
    for (int closer = 0; closer < 3; ++closer) {
      const auto& closeIt = closers[closer];
      ShowText("歌詞");
      QVERIFY(QTest::qWaitForWindowActive(edit_.get()));
      Type("を足した");
      BoxSeen seen;
      {
        ModalAnswer<QMessageBox> cancel(Press(QMessageBox::Cancel, &seen));
        closeIt();
        QVERIFY(cancel.answered());
      }
      QCOMPARE(seen.text, U("歌詞が変更されています。保存しますか？"));
      QCOMPARE(seen.buttons, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
      QVERIFY(edit_->isVisible());
      QCOMPARE(edit_->Memo->toPlainText(), U("歌詞を足した"));

      // The box took the focus; the window gets it back as a window manager gives it.
      edit_->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(edit_.get()));
      ModalAnswer<QMessageBox> discard(Press(QMessageBox::Discard));
      closeIt();
      QVERIFY2(discard.answered(), qPrintable(QString::number(closer)));
      QVERIFY(!edit_->isVisible());
      QVERIFY(edit_->Memo->toPlainText().isEmpty());
      QVERIFY(!QFile::exists(QString::fromStdString(state_->LyricsPath)));
    }
  }

  void closingWithSaveWritesAndAnUnchangedTextClosesWithoutAsking() {
    ShowText("歌詞");
    QVERIFY(QTest::qWaitForWindowActive(edit_.get()));
    Type("!");
    ModalAnswer<QMessageBox> save(Press(QMessageBox::Save));
    QTest::keyClick(edit_->Memo, Qt::Key_Escape);
    QVERIFY(save.answered());
    QVERIFY(!edit_->isVisible());
    QCOMPARE(ReadBytes(state_->LyricsPath), platform::Sjis("歌詞!\r\n"));

    ShowText("歌詞");
    NoModalExpected guard;
    Click("ToolButton10");
    QCOMPARE(guard.seen(), 0);
    QVERIFY(!edit_->isVisible());
  }

  // Save on the close question with a text Save refuses keeps the window open.
  void closingWithSaveOfARefusedTextStaysOpen() {
    ShowText("");
    Type("\xE2\x99\xA1");  // ♡
    ModalAnswer<QMessageBox> save(Press(QMessageBox::Save));
    ModalAnswer<QMessageBox> refused(Press(QMessageBox::Ok));
    edit_->close();
    QVERIFY(save.answered());
    QVERIFY(refused.answered());
    QVERIFY(edit_->isVisible());
    QCOMPARE(edit_->Memo->toPlainText(), U("\xE2\x99\xA1"));
  }

  // ♡, é, an emoji (one column though two UTF-16 units) and ゔ have no Shift_JIS form.
  void saveRefusesCharactersShiftJisLacksAndNamesThem() {
    WriteBytes(state_->LyricsPath, "old\r\n");
    ShowText("");
    Type("a\xE2\x99\xA1 caf\xC3\xA9?\n\xF0\x9F\x98\x80\xE3\x82\x94");
    BoxSeen seen;
    ModalAnswer<QMessageBox> error(Press(QMessageBox::Ok, &seen));
    Click("ToolButton3");
    QVERIFY(error.answered());
    QCOMPARE(seen.icon, QMessageBox::Critical);
    for (const char* place : {"1 行 2 文字目「\xE2\x99\xA1」 U+2661", "1 行 7 文字目「\xC3\xA9」 U+00E9",
                              "2 行 1 文字目「\xF0\x9F\x98\x80」 U+1F600", "2 行 2 文字目「\xE3\x82\x94」 U+3094"})
      QVERIFY2(seen.text.contains(U(place)), qPrintable(seen.text));
    QVERIFY(edit_->isVisible());
    QVERIFY(edit_->Memo->document()->isModified());
    QCOMPARE(ReadBytes(state_->LyricsPath), std::string("old\r\n"));
    QVERIFY(state_->LyricsText.empty());
  }

  void openTellsWhatCannotBeKeptBeforeReplacingTheText() {
    ShowText("歌詞");
    const std::string path = dir_->File("heart.txt");
    WriteBytes(path, "x\n\xE2\x99\xA1 love\n");
    BoxSeen seen;
    {
      ModalAnswer<QMessageBox> cancel(Press(QMessageBox::Cancel, &seen));
      OpenThroughDialog(QString::fromStdString(path));
      QVERIFY(cancel.answered());
    }
    QVERIFY2(seen.text.contains(U("2 行 1 文字目「\xE2\x99\xA1」 U+2661")), qPrintable(seen.text));
    QCOMPARE(edit_->Memo->toPlainText(), U("歌詞"));
    ModalAnswer<QMessageBox> ok(Press(QMessageBox::Ok));
    OpenThroughDialog(QString::fromStdString(path));
    QVERIFY(ok.answered());
    QCOMPARE(edit_->Memo->toPlainText(), U("x\n? love\n"));
  }

  // A long list is cut after ten places with a count of the rest.
  void aLongListOfLostCharactersEndsWithACount() {
    std::vector<platform::UnkeptChar> unkept;
    for (std::size_t i = 1; i <= 13; ++i) unkept.push_back({i, 1, 0xE9});
    const QStringList lines = app::UnkeptList(unkept).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines.last(), U("ほか 3 文字"));
    QCOMPARE(app::UnkeptList({{1, 1, 0xFFFD}}), U("1 行 1 文字目（読めない文字） U+FFFD"));
  }

  // A dropped LRC file opens as Open does, its time tags stripped.
  void droppingAFileOnTheTextOpensIt() {
    ShowText("歌詞");
    const std::string path = dir_->File("song.lrc");
    WriteBytes(path, platform::Sjis("[ti:歌]\r\n[00:01.00]桜の花が\r\n[00:05.50]舞い散る\r\n"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QWidget* target = edit_->Memo->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QTRY_COMPARE(edit_->Memo->toPlainText(), U("桜の花が\n舞い散る\n"));
    QVERIFY(!edit_->Memo->document()->isModified());
  }

  void undoAndTheClipboardButtons() {
    ShowText("");
    edit_->show();
    Type("abc");
    edit_->Memo->selectAll();
    Click("ToolButton7");  // cut
    QVERIFY(edit_->Memo->toPlainText().isEmpty());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc"));
    Click("ToolButton8");  // paste
    Click("ToolButton8");
    QCOMPARE(edit_->Memo->toPlainText(), QStringLiteral("abcabc"));
    Click("ToolButton5");  // undo the last paste
    QCOMPARE(edit_->Memo->toPlainText(), QStringLiteral("abc"));
    QApplication::clipboard()->clear();
    edit_->Memo->selectAll();
    Click("ToolButton6");  // copy
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc"));
    QCOMPARE(edit_->Memo->toPlainText(), QStringLiteral("abc"));
  }
};

QTEST_MAIN(EditWordsTest)
#include "Edit_Words_test.moc"
