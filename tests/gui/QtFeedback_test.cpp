// SPDX-License-Identifier: GPL-3.0-or-later
// The window's feedback: status text hand-back, progress, event processing at most every
// 100 ms, stopping only while armed, the boxes through the presenter, and the command guard.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <thread>

#include "app/Boxes.h"
#include "app/CommandGuard.h"
#include "app/QtFeedback.h"
#include "app/QtText.h"
#include "platform/CodePage.h"

using app::BoxKind;

namespace {

struct Recorded {
  BoxKind kind;
  QString text;
};

}  // namespace

class QtFeedbackTest : public QObject {
  Q_OBJECT

private slots:
  void statusHandsBackThePreviousText() {
    QWidget window;
    QLabel panel(QString::fromUtf8("iPod が認識されていません。"), &window);
    QProgressBar per(&window);
    app::QtFeedback feedback(&window, &panel, &per);
    const std::string previous = feedback.SetStatus(platform::Sjis("曲リスト一覧を作成しています。"));
    QCOMPARE(previous, platform::Sjis("iPod が認識されていません。"));
    QCOMPARE(panel.text(), QString::fromUtf8("曲リスト一覧を作成しています。"));
    QCOMPARE(feedback.SetStatus(previous), platform::Sjis("曲リスト一覧を作成しています。"));
    QCOMPARE(panel.text(), QString::fromUtf8("iPod が認識されていません。"));
    per.setRange(0, 100);
    feedback.SetProgress(67);
    QCOMPARE(per.value(), 67);
    feedback.SetProgress(250);
    QCOMPARE(per.value(), 100);
  }

  void pollingProcessesEventsAtMostEveryHundredMilliseconds() {
    app::QtFeedback feedback(nullptr, nullptr, nullptr);
    int hooks = 0;
    feedback.SetBeforeProcessing([&hooks] { ++hooks; });
    int fired = 0;
    feedback.ProcessMessages();
    QCOMPARE(hooks, 1);
    QTimer::singleShot(0, [&fired] { ++fired; });
    QVERIFY(!feedback.PollStop());
    QCOMPARE(fired, 0);  // too soon after the last processing
    std::this_thread::sleep_for(std::chrono::milliseconds(110));
    QVERIFY(!feedback.PollStop());
    QCOMPARE(fired, 1);
    QCOMPARE(hooks, 2);
  }

  void stopCountsOnlyWhileArmed() {
    app::QtFeedback feedback(nullptr, nullptr, nullptr);
    feedback.RequestStop();
    feedback.ArmStop();
    QVERIFY(!feedback.PollStop());  // a request from before the scan does not count
    feedback.RequestStop();
    QVERIFY(feedback.PollStop());
    QVERIFY(feedback.PollStop());
    feedback.DisarmStop();
    QVERIFY(!feedback.PollStop());
    feedback.ArmStop();
    QVERIFY(!feedback.PollStop());
  }

  void boxesGoThroughThePresenter() {
    std::vector<Recorded> boxes;
    bool answer = false;
    app::ScopedBoxPresenter presenter([&](QWidget*, BoxKind kind, const QString& text) {
      boxes.push_back({kind, text});
      return answer;
    });
    app::QtFeedback feedback(nullptr, nullptr, nullptr);
    feedback.ErrorBox(platform::Sjis("iPodが認識されていません。"));
    feedback.InformationBox(platform::Sjis("完了しました。"));
    QVERIFY(!feedback.AskYesNo("q"));
    answer = true;
    QVERIFY(feedback.AskOkCancel("q"));
    feedback.Notice("n");
    QCOMPARE(boxes.size(), std::size_t(5));
    QCOMPARE(boxes[0].kind, BoxKind::Error);
    QCOMPARE(boxes[0].text, QString::fromUtf8("iPodが認識されていません。"));
    QCOMPARE(boxes[1].kind, BoxKind::Information);
    QCOMPARE(boxes[2].kind, BoxKind::YesNo);
    QCOMPARE(boxes[3].kind, BoxKind::OkCancel);
    QCOMPARE(boxes[4].kind, BoxKind::Notice);
  }

  void aNoticeDoesNotBlock() {
    QWidget window;
    window.show();
    app::QtFeedback feedback(&window, nullptr, nullptr);
    feedback.Notice(platform::Sjis("読めない名前を 2 件飛ばしました。"));
    feedback.Notice(platform::Sjis("二度目"));
    auto* box = window.findChild<QMessageBox*>("Notice");
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QCOMPARE(box->text(), QString::fromUtf8("二度目"));
    QCOMPARE(window.findChildren<QMessageBox*>("Notice").size(), 1);
    box->close();
  }

  void theCommandGuardShowsEveryErrorAndReportsFailure() {
    std::vector<Recorded> boxes;
    app::ScopedBoxPresenter presenter([&](QWidget*, BoxKind kind, const QString& text) {
      boxes.push_back({kind, text});
      return true;
    });
    int ran = 0;
    QVERIFY(app::RunCommand(nullptr, [&] { ++ran; }));
    QVERIFY(boxes.empty());
    QVERIFY(!app::RunCommand(nullptr, [] { throw platform::Error(platform::Sjis("キーが見つかりません。`a-b`")); }));
    QVERIFY(!app::RunCommand(nullptr, [] { throw std::runtime_error("plain"); }));
    QVERIFY(!app::RunCommand(nullptr, [] { throw 7; }));
    QCOMPARE(ran, 1);
    QCOMPARE(boxes.size(), std::size_t(3));
    QCOMPARE(boxes[0].kind, BoxKind::Error);
    QCOMPARE(boxes[0].text, QString::fromUtf8("キーが見つかりません。`a-b`"));
    QCOMPARE(boxes[1].text, QString("plain"));
    QCOMPARE(boxes[2].text, QString::fromUtf8("不明なエラーが発生しました。"));
  }
};

QTEST_MAIN(QtFeedbackTest)
#include "QtFeedback_test.moc"
