// SPDX-License-Identifier: GPL-3.0-or-later
// The song details dialog and the about box.
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "PlayerSupport.h"
#include "TestSupport.h"
#include "app/StatusU.h"
#include "app/Version.h"
#include "library/ListCommands.h"
#include "library/LyricsFiles.h"
#include "library/MainState.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

library::TMusicData Song() {
  library::TMusicData song;
  song.Title = platform::Sjis("桜の歌");
  song.Album = platform::Sjis("春夏秋冬");
  song.Artist = platform::Sjis("山田花子");
  song.Track = "3";
  song.Time = "04:05";
  song.Genre = "J-Pop";
  song.Year = "2004";
  song.Rate = "128";
  song.FileName = "/media/ipod/iPod_Control/Music/F00/桜.mp3";  // a system path, as the scan gives it
  song.Comment = platform::Sjis("一行目\r\n二行目");
  song.Lyrics = platform::Sjis("さくら\r\nさくら\r\n");
  return song;
}

}  // namespace

class StatusUTest : public QObject {
  Q_OBJECT

  static QString Value(const app::TStatus& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name))->text();
  }

private slots:
  void initialValuesAndHint() {
    app::TStatus dialog;
    QCOMPARE(dialog.windowTitle(), U("詳細"));
    const std::pair<const char*, const char*> initial[] = {
        {"Label17", "Unknown"}, {"Label5", "Unknown"},  {"Label3", "Unknown"},  {"Label9", "-1"},
        {"Label7", "0"},        {"Label11", "Unknown"}, {"Label14", "Unknown"}, {"Label12", "Unknown"}};
    for (const auto& [name, text] : initial) QCOMPARE(Value(dialog, name), U(text));
    QVERIFY(dialog.Memo1->toPlainText().isEmpty());
    QVERIFY(dialog.Memo2->toPlainText().isEmpty());
    QCOMPARE(Value(dialog, "Label19"),
             U("タグは音楽管理ソフトで編集してください。\nまた、歌詞の編集はリストをダブルクリックして編集してください。"));
    QCOMPARE(dialog.Button1->text(), U("閉じる"));
    QCOMPARE(dialog.Button1->objectName(), QStringLiteral("Button1"));
    for (const char* caption : {"タイトル", "アルバム", "アーティスト", "トラック", "再生時間", "ジャンル", "Year", "レート", "ファイル", "コメント", "歌詞"}) {
      bool found = false;
      for (QLabel* label : dialog.findChildren<QLabel*>()) found |= label->text() == U(caption);
      QVERIFY2(found, caption);
    }
  }

  void fillShowsEveryField() {
    app::TStatus dialog;
    dialog.Fill(Song());
    QCOMPARE(Value(dialog, "Label17"), U("桜の歌"));
    QCOMPARE(Value(dialog, "Label5"), U("春夏秋冬"));
    QCOMPARE(Value(dialog, "Label3"), U("山田花子"));
    QCOMPARE(Value(dialog, "Label9"), QStringLiteral("3"));
    QCOMPARE(Value(dialog, "Label7"), QStringLiteral("04:05"));
    QCOMPARE(Value(dialog, "Label11"), QStringLiteral("J-Pop"));
    QCOMPARE(Value(dialog, "Label14"), QStringLiteral("2004"));
    QCOMPARE(Value(dialog, "Label12"), QStringLiteral("128 kbps"));
    QCOMPARE(Value(dialog, "PathLabel"), U("/media/ipod/iPod_Control/Music/F00/桜.mp3"));
    QCOMPARE(dialog.Memo1->toPlainText(), U("一行目\n二行目"));
    QCOMPARE(dialog.Memo2->toPlainText(), U("さくら\nさくら\n"));
    // An empty genre and rate (the scan never fills them) empty the labels.
    dialog.Fill(library::TMusicData{});
    QCOMPARE(Value(dialog, "Label11"), QString());
    QCOMPARE(Value(dialog, "Label12"), QString());
    QCOMPARE(Value(dialog, "PathLabel"), QString());
    QVERIFY(dialog.Memo2->toPlainText().isEmpty());
    // Only a number gets the unit.
    for (const char* rate : {"", "VBR", "12a"}) QCOMPARE(app::RateText(U(rate)), U(rate));
    QCOMPARE(app::RateText(QStringLiteral("64")), QStringLiteral("64 kbps"));
  }

  void tagTextIsNeverTakenAsMarkup() {
    app::TStatus dialog;
    library::TMusicData song;
    song.Title = "<b>Bold</b> & <i>x</i>";
    dialog.Fill(song);
    QCOMPARE(Value(dialog, "Label17"), QStringLiteral("<b>Bold</b> & <i>x</i>"));
    QCOMPARE(dialog.Label17->textFormat(), Qt::PlainText);
  }

  void textAreasCanBeSelectedButNotChangedAndOfferNoMenu() {
    app::TStatus dialog;
    dialog.Fill(Song());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (QPlainTextEdit* memo : {dialog.Memo1, dialog.Memo2}) {
      QVERIFY(memo->isReadOnly());
      const QString before = memo->toPlainText();
      memo->setFocus();
      QTest::keyClicks(memo, QStringLiteral("typed"));
      QTest::keyClick(memo, Qt::Key_Backspace);
      QCOMPARE(memo->toPlainText(), before);
      memo->selectAll();
      QCOMPARE(memo->textCursor().selectedText(), QString(before).replace(QLatin1Char('\n'), QChar::ParagraphSeparator));

      // A menu would run its own loop; the timer closes it and tells.
      bool menuShown = false;
      QTimer::singleShot(50, [&menuShown] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
          menuShown = true;
          popup->close();
        }
      });
      QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), memo->viewport()->mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(memo->viewport(), &event);
      QTest::qWait(80);
      QVERIFY(!menuShown);
      QVERIFY(dialog.findChildren<QMenu*>().size() <= 1);  // only the empty PopupMenu1
    }
  }

  void closeButtonAndCloseBoxEndTheDialog() {
    app::TStatus dialog;
    dialog.open();
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), 100);
    dialog.open();
    dialog.close();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  // Through the main window's details operation: the lyrics file wins over the tag.
  void detailsWithAndWithoutALyricsFile() {
    TempDir dir;
    library::MainState state(dir.path().string() + "/");
    const std::filesystem::path root = dir.path() / "player";
    testing_support::MakePlayer(root);
    testing_support::SongTags tags;
    tags.title = "桜の歌";
    tags.album = "春夏秋冬";
    tags.artist = "山田花子";
    tags.track = "3";
    tags.lyrics = "タグの歌詞";
    const std::string path = testing_support::AddSong(root, "F00/a.mp3", tags);
    library::SongRow row;
    row.caption = platform::Sjis("桜の歌");
    row.sub[library::kAlbum] = platform::Sjis("春夏秋冬");
    row.sub[library::kPath] = path;
    state.AList.push_back(row);
    state.SongTable.Put(library::SongKey(row), row.sub[library::kPath]);

    app::TStatus dialog;
    auto details = library::ShowDetails(state, library::ListId::AList, {{0}});
    QVERIFY(details.has_value());
    dialog.Fill(*details);
    QCOMPARE(Value(dialog, "Label17"), U("桜の歌"));
    QCOMPARE(Value(dialog, "Label3"), U("山田花子"));
    QVERIFY(dialog.Memo2->toPlainText().isEmpty());

    library::WriteLyricsFile(library::LyricsFileName(state, row.caption, row.Album()), platform::Sjis("ファイルの歌詞\r\n"));
    details = library::ShowDetails(state, library::ListId::AList, {{0}});
    QVERIFY(details.has_value());
    dialog.Fill(*details);
    QCOMPARE(dialog.Memo2->toPlainText(), U("ファイルの歌詞\n"));
  }

  void aboutBox() {
    app::TAbout about;
    QCOMPARE(about.windowTitle(), QStringLiteral("Lyrimate"));
    QCOMPARE(about.Label1->text(), QStringLiteral("Lyrimate ver 4.0"));
    QCOMPARE(about.Label1->objectName(), QStringLiteral("Label1"));
    QCOMPARE(about.Image1->size(), QSize(65, 65));
    QVERIFY(!about.Image1->pixmap().isNull());
    QVERIFY(!about.windowIcon().isNull());
    QCOMPARE(about.OK->text(), QStringLiteral("OK"));
    QCOMPARE(about.OK->objectName(), QStringLiteral("OK"));
    about.open();
    QTest::mouseClick(about.OK, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), 1000);
  }
};

QTEST_MAIN(StatusUTest)
#include "StatusU_test.moc"
