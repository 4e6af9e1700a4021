// SPDX-License-Identifier: GPL-3.0-or-later
// lyrimate-gui-bench: the main window on 40,000 registered and 40,000 player rows, offscreen.
// Measures the start-up until the window is shown with both lists loaded, a title sort of
// the registered list, tick-all on it, a full-width filter query over the song list, and a
// second start over the same data folder that restores the layout the first one left (window,
// columns, tab and the registered list's sort).
//   lyrimate-gui-bench [ROWS]
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>

#include "app/Edit_Words.h"
#include "app/Main.h"
#include "app/SongListModel.h"
#include "app/SettingU.h"
#include "app/StatusU.h"
#include "app/Version.h"
#include "platform/AppDir.h"
#include "platform/CodePage.h"
#include "platform/TextCompare.h"

namespace {

// Titles and albums that mix Japanese and Latin text and do not arrive sorted.
std::string Title(int i) {
  static const char* const words[] = {"さくら", "Spring", "夏祭り", "Love", "雪の華", "Blue", "夜空", "Dance"};
  return platform::Sjis(std::string(words[(i * 7) % 8]) + " " + std::to_string((i * 7919) % 100003));
}

void WriteLists(const std::filesystem::path& folder, int rows) {
  std::filesystem::create_directories(folder / "MusicDatas");
  std::ofstream registered(folder / "MusicDatas" / "MusicList.lst", std::ios::binary);
  std::ofstream player(folder / "MusicDatas" / "iPodMusicList.lst", std::ios::binary);
  for (int i = 0; i < rows; ++i) {
    const std::string album = platform::Sjis("アルバム ") + std::to_string(i / 12);
    const std::string track = std::to_string(i % 12 + 1);
    const std::string path = "/media/ipod/iPod_Control/Music/F" + std::to_string(i % 50) + "/S" + std::to_string(i) + ".mp3";
    registered << Title(i) << '\t' << album << "\t" << track << "\tArtist\t04:10\t2004\t0\t\t" << path << "\t\r\n";
    player << Title(i + 1) << '\t' << album << "\t" << track << "\tArtist\t04:10\t2004\t" << path << "\t\r\n";
  }
}

// The program's windows over the data folder, in the program's order.
struct Windows {
  std::unique_ptr<app::MainWindow> window;
  std::unique_ptr<app::TEdit> edit;
  std::unique_ptr<app::TSetting> setting;
  std::unique_ptr<app::TAbout> about;
  std::unique_ptr<app::TStatus> status;

  Windows() {
    auto watcher = std::make_unique<platform::MountWatcher>([] { return std::optional<std::string>(std::string()); });
    window = std::make_unique<app::MainWindow>(platform::AppDir(), std::move(watcher));
    edit = std::make_unique<app::TEdit>(window->State());
    setting = std::make_unique<app::TSetting>(platform::AppDir(), window.get());
    about = std::make_unique<app::TAbout>(window.get());
    status = std::make_unique<app::TStatus>(window.get());
    window->SetWindows(edit.get(), setting.get(), about.get(), status.get());
  }
  ~Windows() {
    // The dialogs are children of the main window: they go first.
    status.reset();
    about.reset();
    setting.reset();
    edit.reset();
    window.reset();
  }
  void ShowAndWait() {
    window->show();
    while (!window->Started()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
  }
};

double Seconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e9; }

// Processor time of the process so far: on a loaded machine the wall-clock figures grow with
// the load, this one does not.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 40000;
  if (rows <= 0) {
    std::fprintf(stderr, "usage: lyrimate-gui-bench [ROWS]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  std::string pattern = (std::filesystem::temp_directory_path() / "lyrimate-gui-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 1;
  const std::filesystem::path folder = pattern;
  WriteLists(folder, rows);
  platform::SetAppDir(folder.string());

  QElapsedTimer timer;
  timer.start();
  double cpu = CpuSeconds();
  auto first = std::make_unique<Windows>();
  app::MainWindow* window = first->window.get();
  const double windows = Seconds(timer);
  first->ShowAndWait();
  const double start = Seconds(timer);
  const double startCpu = CpuSeconds() - cpu;
  const bool loaded = window->State().AList.size() == static_cast<std::size_t>(rows) &&
                      window->State().MList.size() == static_cast<std::size_t>(rows);

  window->State().Visible = library::ListId::AList;
  timer.restart();
  cpu = CpuSeconds();
  window->MListColumnClick(library::ListId::AList, 0);
  QCoreApplication::processEvents();
  const double sort = Seconds(timer);
  const double sortCpu = CpuSeconds() - cpu;

  timer.restart();
  window->AlChkClick();
  QCoreApplication::processEvents();
  const double tick = Seconds(timer);
  const bool ticked = !window->State().AList.empty() && window->State().AList.back().checked;

  // Not a target: narrowing both lists by a filter text, first keystroke and the next one.
  auto* filter = window->findChild<QLineEdit*>("Filter");
  timer.restart();
  filter->setText(QString::fromUtf8("さ"));
  QCoreApplication::processEvents();
  const double filterFirst = Seconds(timer);
  timer.restart();
  filter->setText(QString::fromUtf8("さく"));
  QCoreApplication::processEvents();
  const double filterNext = Seconds(timer);
  filter->clear();
  QCoreApplication::processEvents();

  // Target: a full-width query over every row of the visible list, from a list whose search
  // forms were never built (as after a scan), until the rows are shown.
  window->State().Visible = library::ListId::MList;
  window->Model(library::ListId::MList).Refresh();
  timer.restart();
  cpu = CpuSeconds();
  filter->setText(QString::fromUtf8("ｌｏｖｅ"));
  QCoreApplication::processEvents();
  const double filterWide = Seconds(timer);
  const double filterWideCpu = CpuSeconds() - cpu;
  const bool filtered = window->Model(library::ListId::MList).rowCount() > 0 &&
                        window->Model(library::ListId::MList).rowCount() < rows;
  filter->clear();

  // Back to the registered tab, which the second start is to restore.
  window->State().Visible = library::ListId::AList;
  window->Model(library::ListId::AList).Refresh();

  std::fprintf(stderr, "(processor time: start %.3f s, sort %.3f s; windows created after %.3f s; filter %.3f s, next key %.3f s; full-width filter %.3f s)\n",
               startCpu, sortCpu, windows, filterFirst, filterNext, filterWideCpu);
  std::printf("gui: start %.3f s, sort %.3f s, tick %.3f s, full-width filter %.3f s\n", start, sort, tick, filterWide);
  window->close();  // saves the layout: the registered tab, sorted by title
  first.reset();

  timer.restart();
  cpu = CpuSeconds();
  bool restored = false;
  {
    Windows again;
    again.ShowAndWait();
    const library::SongList& registered = again.window->State().AList;
    restored = again.window->State().Visible == library::ListId::AList && registered.size() == static_cast<std::size_t>(rows) &&
               std::is_sorted(registered.begin(), registered.end(), [](const library::SongRow& a, const library::SongRow& b) {
                 return platform::CompareLocale(a.caption, b.caption) < 0;
               });
    const double restore = Seconds(timer);
    std::fprintf(stderr, "(processor time: restore layout at start %.3f s)\n", CpuSeconds() - cpu);
    std::printf("gui: restore layout at start %.3f s\n", restore);
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  if (!loaded || !ticked || !filtered || !restored) {
    std::fprintf(stderr, "lyrimate-gui-bench: the lists were not loaded, ticked, filtered or restored sorted\n");
    return 1;
  }
  return 0;
}
