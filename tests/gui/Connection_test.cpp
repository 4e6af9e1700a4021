// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's connection to the player on an injected mount table: unrelated unmounts
// leave it alone, the player's own removal ends it, and a player named with --player is
// connected at start and wins over a detected one.
#include <QTest>
#include <filesystem>

#include "MainHarness.h"
#include "library/MainState.h"
#include "platform/Volumes.h"

using gui_testing::Harness;
using gui_testing::MountInfoLine;
using gui_testing::TempDir;
using gui_testing::U;

namespace {

QString FoundText(const std::string& root) {
  return app::FromCp932(platform::Sjis("iPodは " + root + " にありました。"));
}

// The --player roots for the windows made while it lives.
class NamedPlayers {
public:
  explicit NamedPlayers(std::vector<std::string> roots) : saved_(platform::ExtraRoots()) {
    platform::SetExtraRoots(std::move(roots));
  }
  ~NamedPlayers() { platform::SetExtraRoots(saved_); }

private:
  std::vector<std::string> saved_;
};

}  // namespace

class ConnectionTest : public QObject {
  Q_OBJECT

private slots:
  void anUnrelatedUnmountKeepsTheConnectionAndThePlayersOwnRemovalDropsIt() {
    Harness h;
    h.PlugIn();
    h.WriteIni("AutoConnect=1\r\n");
    h.Start();
    QVERIFY(h.window->State().Connected);
    QCOMPARE(h.StatusText(), FoundText(h.PlayerRoot()));

    // A stick comes and goes, and a file system mounted before the player goes too.
    TempDir stick;
    const std::string withPlayer = h.mounts;
    h.mounts += MountInfoLine(9, stick.path().string());
    h.window->MountTableChanged();
    h.mounts = withPlayer;
    h.window->MountTableChanged();
    h.mounts.replace(0, MountInfoLine(1, "/").size(), "");
    h.window->MountTableChanged();
    QVERIFY(h.window->State().Connected);
    QCOMPARE(h.window->State().DriveRoot, h.PlayerRoot());
    QCOMPARE(h.StatusText(), FoundText(h.PlayerRoot()));

    h.Unplug();
    h.window->MountTableChanged();
    QVERIFY(!h.window->State().Connected);
    QVERIFY(h.window->State().DriveRoot.empty());
    QCOMPARE(h.StatusText(), U("iPodが認識されていません。"));
  }

  void aNamedPlayerIsConnectedAtStartAndWinsOverADetectedOne() {
    Harness h;
    // A detected player that sorts after the named one.
    TempDir detectedParent;
    const std::filesystem::path detected = detectedParent.path() / "zz-IPOD";
    testing_support::MakePlayer(detected);
    h.mounts += MountInfoLine(8, detected.string());
    NamedPlayers named({h.PlayerRoot()});
    h.Start();  // AutoConnect is off
    QVERIFY(h.window->State().Connected);
    QCOMPARE(h.window->State().DriveRoot, h.PlayerRoot());

    // Arrivals search again and keep to the named player.
    h.mounts += MountInfoLine(9, detected.string() + "2");
    h.window->MountTableChanged();
    QCOMPARE(h.window->State().DriveRoot, h.PlayerRoot());
  }

  void withoutANamedPlayerTheStartDoesNotConnect() {
    Harness h;
    h.PlugIn();
    h.Start();
    QVERIFY(!h.window->State().Connected);
  }
};

QTEST_MAIN(ConnectionTest)
#include "Connection_test.moc"
