// SPDX-License-Identifier: GPL-3.0-or-later
// The table model over a song list: columns, check marks, the filter and its mapping to
// full-list positions, and rows that change under the model while an operation runs.
#include <QTest>

#include "app/QtText.h"
#include "app/SongListModel.h"
#include "platform/CodePage.h"

using app::SongListModel;
using library::SongList;
using library::SongRow;

namespace {

SongRow Row(const char* title, const char* album, const char* artist = "", const char* track = "") {
  SongRow row;
  row.caption = platform::Sjis(title);
  row.sub[library::kAlbum] = platform::Sjis(album);
  row.sub[library::kArtist] = platform::Sjis(artist);
  row.sub[library::kTrack] = track;
  row.sub[library::kOpeningLine] = platform::Sjis("歌い出し");
  row.sub[library::kPath] = "/p/never-shown.mp3";
  return row;
}

QStringList Headers(int count) {
  QStringList headers;
  for (int i = 0; i < count; ++i) headers << QString::number(i);
  return headers;
}

QStringList ShownTitles(const SongListModel& model) {
  QStringList titles;
  for (int r = 0; r < model.rowCount(); ++r) titles << model.index(r, 0).data().toString();
  return titles;
}

}  // namespace

class SongListModelTest : public QObject {
  Q_OBJECT

private slots:
  void columnsShowCaptionAndSubItemsButNeverThePath() {
    SongList rows = {Row("曲", "アルバム", "歌手", "7")};
    SongListModel six(rows, Headers(6));
    SongListModel seven(rows, Headers(7));
    QCOMPARE(six.columnCount(), 6);
    QCOMPARE(six.index(0, 0).data().toString(), QString::fromUtf8("曲"));
    QCOMPARE(six.index(0, 1).data().toString(), QString::fromUtf8("アルバム"));
    QCOMPARE(six.index(0, 2).data().toString(), QString("7"));
    QCOMPARE(six.index(0, 3).data().toString(), QString::fromUtf8("歌手"));
    QCOMPARE(seven.index(0, 6).data().toString(), QString::fromUtf8("歌い出し"));
    for (int c = 0; c < 7; ++c) QVERIFY(!seven.index(0, c).data().toString().contains("never-shown"));
    QCOMPARE(six.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QString("2"));
  }

  void checkMarksLiveInTheRowsAndOnlyInColumnZero() {
    SongList rows = {Row("a", "x"), Row("b", "x")};
    SongListModel model(rows, Headers(6));
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable));
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(!model.index(0, 1).data(Qt::CheckStateRole).isValid());
    QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(rows[1].checked && !rows[0].checked);
    QVERIFY(!model.setData(model.index(1, 2), Qt::Unchecked, Qt::CheckStateRole));
    QVERIFY(!model.setData(model.index(1, 0), "text", Qt::EditRole));
    QVERIFY(rows[1].checked);
    rows[0].checked = true;
    model.RefreshChecks();
    QCOMPARE(model.index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
  }

  void filterMatchesTitleAlbumOrArtistIgnoringCaseAndWidth() {
    SongList rows = {Row("Sakura", "Haru"), Row("夏", "SAKURA best"), Row("x", "y", "sakuraband"),
                     Row("Ｓａｋｕｒａ", "y"), Row("さくら", "y"), Row("ab", "c"), Row("ｶﾞｸｾｲ", "y")};
    SongListModel model(rows, Headers(6));
    model.SetFilter("sAkUrA");
    QCOMPARE(ShownTitles(model), QStringList({"Sakura", QString::fromUtf8("夏"), "x", QString::fromUtf8("Ｓａｋｕｒａ")}));
    QCOMPARE(model.ShownRows(), (std::vector<std::size_t>{0, 1, 2, 3}));
    model.SetFilter(QString::fromUtf8("ｂｅｓｔ"));  // full-width finds half-width
    QCOMPARE(ShownTitles(model), QStringList({QString::fromUtf8("夏")}));
    QCOMPARE(model.FullRow(0), std::size_t(1));
    QCOMPARE(model.ShownRow(1), 0);
    QCOMPARE(model.ShownRow(0), -1);
    model.SetFilter(QString::fromUtf8("さく"));  // hiragana stays apart from katakana
    QCOMPARE(ShownTitles(model), QStringList({QString::fromUtf8("さくら")}));
    model.SetFilter(QString::fromUtf8("ガクセ"));  // half-width kana with sound marks
    QCOMPARE(ShownTitles(model), QStringList({QString::fromUtf8("ｶﾞｸｾｲ")}));
    model.SetFilter("bc");  // title "ab" and album "c" are separate fields
    QCOMPARE(model.rowCount(), 0);
    model.SetFilter("");
    QVERIFY(!model.Filtered());
    QCOMPARE(model.rowCount(), 7);
    QCOMPARE(model.FullRow(5), std::size_t(5));
    QCOMPARE(model.ShownRows().size(), std::size_t(7));
  }

  void checkMarksThroughAFilterReachTheRightRow() {
    SongList rows = {Row("a", "x"), Row("b", "x"), Row("a2", "x")};
    SongListModel model(rows, Headers(6));
    model.SetFilter("a");
    QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(rows[2].checked && !rows[1].checked);
  }

  void refreshTakesChangedRowsAfresh() {
    SongList rows = {Row("old", "x"), Row("b", "x")};
    SongListModel model(rows, Headers(6));
    model.SetFilter("old");
    QCOMPARE(model.rowCount(), 1);
    rows[0].caption = "new";
    rows.push_back(Row("older", "x"));
    model.Refresh();
    QCOMPARE(ShownTitles(model), QStringList({"older"}));
  }

  void appendedRowsJoinAndAShortenedListStartsOver() {
    SongList rows = {Row("a", "x")};
    SongListModel model(rows, Headers(6));
    model.SetFilter("keep");
    rows.push_back(Row("keep 1", "x"));
    rows.push_back(Row("drop", "x"));
    rows.push_back(Row("keep 2", "x"));
    model.RefreshAppended();
    QCOMPARE(ShownTitles(model), QStringList({"keep 1", "keep 2"}));
    rows.clear();
    rows.push_back(Row("keep 3", "x"));
    model.RefreshAppended();
    QCOMPARE(ShownTitles(model), QStringList({"keep 3"}));
    model.SetFilter("");
    rows.push_back(Row("b", "x"));
    model.RefreshAppended();
    QCOMPARE(ShownTitles(model), QStringList({"keep 3", "b"}));
  }

  void rowsGoneUnderTheModelReadAsNothing() {
    SongList rows = {Row("a", "x"), Row("b", "x")};
    SongListModel model(rows, Headers(6));
    rows.clear();  // a scan empties the list before the model hears of it
    QCOMPARE(model.rowCount(), 2);
    QVERIFY(!model.index(1, 0).data().isValid());
    QVERIFY(!model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
  }

  void fortyThousandRowsFilterAndMapBack() {
    SongList rows;
    for (int i = 0; i < 40000; ++i) rows.push_back(Row(i % 1000 == 0 ? "Needle" : "hay", "x"));
    SongListModel model(rows, Headers(6));
    model.SetFilter("needle");
    QCOMPARE(model.rowCount(), 40);
    QCOMPARE(model.FullRow(39), std::size_t(39000));
    QCOMPARE(model.ShownRow(39000), 39);
  }
};

QTEST_MAIN(SongListModelTest)
#include "SongListModel_test.moc"
