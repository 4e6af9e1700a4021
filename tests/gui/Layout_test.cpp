// SPDX-License-Identifier: GPL-3.0-or-later
// The remembered layout: the first start's size and columns, everything the user arranged
// surviving a restart over the same data folder, the editor's size, folder and placement.
#include <QAbstractButton>
#include <QFileDialog>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "GuiSupport.h"
#include "MainHarness.h"
#include "app/Layout.h"

using gui_support::ModalAnswer;
using gui_support::PickFile;
using gui_testing::Harness;
using gui_testing::U;
using library::ListId;

namespace {

// A registered-list line in UTF-8 (WriteDataFile converts it).
std::string RegisteredLine(const char* title, const char* album, const char* track) {
  return std::string(title) + "\t" + album + "\t" + track + "\tartist\t03:00\t2004\t0\t\t\t\r\n";
}

// Closes the window as the user does (which saves the layout) and starts the program again
// over the same data folder.
void Restart(Harness& h) {
  h.window->close();
  h.status.reset();
  h.about.reset();
  h.setting.reset();
  h.edit.reset();
  h.window.reset();
  h.Start();
}

void ClickHeader(Harness& h, ListId list, int column) {
  QHeaderView* header = h.View(list)->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
}

int LastColumnRightEdge(QTableView* view) {
  QHeaderView* header = view->horizontalHeader();
  const int last = header->count() - 1;
  return header->sectionViewportPosition(last) + header->sectionSize(last);
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

private slots:
  void firstStartSizeFitsTheColumnsWithinTheScreen() {
    const QRect large(0, 0, 2560, 1440);
    QCOMPARE(app::FirstStartSize({500, 200}, 20, large), QSize(960, 600));
    QCOMPARE(app::FirstStartSize({900, 200}, 20, large), QSize(1120, 600));
    QCOMPARE(app::FirstStartSize({900, 200}, 20, QRect(0, 0, 800, 560)), QSize(800, 560));
  }

  void centredPositionStaysOnTheScreen() {
    const QRect screen(0, 0, 1000, 800);
    QCOMPARE(app::CentredPosition(QSize(200, 100), QRect(100, 100, 600, 400), screen), QPoint(300, 250));
    QCOMPARE(app::CentredPosition(QSize(400, 300), QRect(-300, 700, 200, 200), screen), QPoint(0, 500));
    QCOMPARE(app::CentredPosition(QSize(1200, 900), QRect(0, 0, 100, 100), screen), QPoint(0, 0));
  }

  void firstStartShowsTypicalRowsInFullAndKeepsTheEditorsSize() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("さくら色の季節が過ぎてもまだ", "ベスト・オブ・夏の歌たち", "12"));
    h.Start();
    QVERIFY(h.window->width() >= 960);
    QVERIFY(h.window->height() >= 600);
    const QRect available = h.window->screen()->availableGeometry();
    QVERIFY(h.window->width() <= available.width());
    QVERIFY(h.window->height() <= available.height());
    QCOMPARE(h.edit->size(), QSize(521, 365));

    QTableView* view = h.View(ListId::AList);
    h.ClickTab(1);
    const QFontMetrics metrics = view->fontMetrics();
    QHeaderView* header = view->horizontalHeader();
    QVERIFY(header->sectionSize(0) > metrics.horizontalAdvance(U("さくら色の季節が過ぎてもまだ")) + metrics.height());
    QVERIFY(header->sectionSize(1) > metrics.horizontalAdvance(U("ベスト・オブ・夏の歌たち")));
    // All seven columns fit: nothing to scroll, and the last one reaches the right edge.
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(LastColumnRightEdge(view), view->viewport()->width());
  }

  void theLastColumnStretchesWithTheWindow() {
    Harness h;
    h.Start();
    h.window->resize(1400, 700);
    QTest::qWait(20);
    for (ListId list : {ListId::MList, ListId::AList}) {
      h.ClickTab(list == ListId::MList ? 0 : 1);
      QTableView* view = h.View(list);
      QVERIFY(view->viewport()->width() > 1200);
      QCOMPARE(LastColumnRightEdge(view), view->viewport()->width());
    }
  }

  void theLayoutSurvivesARestart() {
    Harness h;
    h.WriteDataFile("MusicList.lst", RegisteredLine("A曲", "Al", "1") + RegisteredLine("C曲", "Al", "3") +
                                         RegisteredLine("B曲", "Al", "2"));
    h.Start();
    h.window->resize(1010, 640);
    h.View(ListId::MList)->horizontalHeader()->resizeSection(1, 155);
    h.View(ListId::AList)->horizontalHeader()->resizeSection(2, 77);
    h.ClickTab(1);
    ClickHeader(h, ListId::AList, 0);
    ClickHeader(h, ListId::AList, 0);  // descending
    QCOMPARE(h.Titles(ListId::AList), QStringList({U("C曲"), U("B曲"), U("A曲")}));
    h.edit->resize(600, 420);

    // The file holds the rows in their first order: the sort comes from the layout.
    Restart(h);
    QCOMPARE(h.window->size(), QSize(1010, 640));
    QCOMPARE(h.View(ListId::MList)->horizontalHeader()->sectionSize(1), 155);
    QCOMPARE(h.View(ListId::AList)->horizontalHeader()->sectionSize(2), 77);
    QCOMPARE(h.Find<QTabBar>("Tab")->currentIndex(), 1);
    QCOMPARE(h.window->State().Visible, ListId::AList);
    QVERIFY(h.View(ListId::AList)->isVisible());
    QCOMPARE(h.Titles(ListId::AList), QStringList({U("C曲"), U("B曲"), U("A曲")}));
    QCOMPARE(h.View(ListId::AList)->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(h.View(ListId::AList)->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(h.edit->size(), QSize(600, 420));
    // The next click on the column sorts the other way, as if the user had never left.
    ClickHeader(h, ListId::AList, 0);
    QCOMPARE(h.Titles(ListId::AList), QStringList({U("A曲"), U("B曲"), U("C曲")}));

    // The program's own settings stay beside the layout.
    const library::Settings settings = library::ReadSettings(h.AppDir());
    QCOMPARE(settings.AutoGetMusic, library::Settings{}.AutoGetMusic);
  }

  void theEditorOpensCentredOverTheMainWindowAndRemembersItsFolder() {
    Harness h;
    gui_testing::TempDir lyrics;
    const std::string file = (lyrics.path() / "song.txt").string();
    testing_support::WriteBytes(file, "la la la\r\n");
    h.WriteDataFile("MusicList.lst", RegisteredLine("A曲", "Al", "1"));
    h.Start();
    h.window->move(40, 30);
    h.ClickTab(1);
    h.ClickRow(ListId::AList, 0);
    h.Click("ToolButton4");
    WAIT_UNTIL(h.edit->isVisible());
    QVERIFY(h.edit->isVisible());
    const QPoint offset = h.edit->frameGeometry().center() - h.window->frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QString("offset %1,%2").arg(offset.x()).arg(offset.y())));

    ModalAnswer<QFileDialog> pick([&](QFileDialog* dialog) { PickFile(dialog, QString::fromStdString(file)); });
    h.edit->ToolButton2Click();
    QVERIFY(pick.answered());
    QCOMPARE(h.edit->Memo->toPlainText(), QString("la la la\n"));
    h.edit->close();

    Restart(h);
    QCOMPARE(QFileInfo(h.edit->Od->directory().absolutePath()).canonicalFilePath(),
             QFileInfo(QString::fromStdString(lyrics.path().string())).canonicalFilePath());
  }

  void aLayoutTheFileCannotHoldFallsBackToTheFirstStart() {
    Harness h;
    h.WriteIni("AutoGetMusic=1\r\n[Layout]\r\nGeometry=%%%\r\nMListColumns=a,b\r\nAListColumns=0,0\r\nTab=9\r\n"
               "EditorSize=1,x\r\n");
    h.Start();
    QHeaderView* registered = h.View(ListId::AList)->horizontalHeader();
    QVERIFY(registered->sectionSize(0) >= registered->minimumSectionSize());
    QVERIFY(registered->sectionSize(0) > 0);
    QVERIFY(h.window->width() >= 960);
    QCOMPARE(h.Find<QTabBar>("Tab")->currentIndex(), 0);
    QVERIFY(h.View(ListId::MList)->horizontalHeader()->sectionSize(0) >= 140);
    QCOMPARE(h.edit->size(), QSize(521, 365));
  }
};

// The offscreen platform's one screen is 800x600 unless configured: the first start's size
// needs a desktop-sized one.
int main(int argc, char** argv) {
  gui_testing::TempDir config;
  const std::string path = (config.path() / "screen.json").string();
  testing_support::WriteBytes(path, R"({"screens": [{"name": "Desktop", "x": 0, "y": 0, "width": 1920,
                                          "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
  qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QByteArray::fromStdString(path));
  QApplication application(argc, argv);
  LayoutTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}
#include "Layout_test.moc"
