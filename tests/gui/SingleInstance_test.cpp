// SPDX-License-Identifier: GPL-3.0-or-later
// A second instance of the application on a data folder that another process holds says so
// in an error box that names the holder, and gets no lock to run with.
#include <QTest>

#include "LockSupport.h"
#include "TestSupport.h"
#include "app/Boxes.h"
#include "app/SingleInstance.h"

using namespace std::chrono_literals;

class SingleInstanceTest : public QObject {
  Q_OBJECT

private slots:
  void aHeldDataFolderIsRefusedWithTheHoldersProcessId() {
    testing_support::TempDir dir;
    const std::string appDir = dir.path().string() + "/";
    testing_support::ForkedLockHolder holder(appDir);
    QVERIFY(holder.Locked());

    std::vector<std::pair<app::BoxKind, QString>> boxes;
    app::ScopedBoxPresenter presenter([&](QWidget*, app::BoxKind kind, const QString& text) {
      boxes.emplace_back(kind, text);
      return true;
    });
    QVERIFY(!app::LockDataFolder(nullptr, appDir, 50ms));
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].first, app::BoxKind::Error);
    QVERIFY2(boxes[0].second.contains(QString::fromUtf8("（プロセス ID %1）が使用中です。").arg(holder.Pid())),
             qPrintable(boxes[0].second));

    holder.Release();
    boxes.clear();
    const std::unique_ptr<library::DataFolderLock> lock = app::LockDataFolder(nullptr, appDir, 0ms);
    QVERIFY(lock && lock->Held());
    QVERIFY(boxes.empty());
    // Held now by this instance: the next one is refused.
    QVERIFY(!app::LockDataFolder(nullptr, appDir, 0ms));
    QCOMPARE(boxes.size(), std::size_t(1));
  }
};

QTEST_MAIN(SingleInstanceTest)
#include "SingleInstance_test.moc"
