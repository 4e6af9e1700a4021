// SPDX-License-Identifier: GPL-3.0-or-later
// The program block: the application, the five windows in their order, the message loop.
//   lyrimate [--player DIR]... [--data-dir DIR] | --help | --version
#include <QApplication>
#include <cstdio>

#include "app/AppIcon.h"
#include "app/Edit_Words.h"
#include "app/Main.h"
#include "app/QtText.h"
#include "app/SettingU.h"
#include "app/SingleInstance.h"
#include "app/StatusU.h"
#include "app/Translations.h"
#include "app/Version.h"
#include "platform/AppDir.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"

int main(int argc, char** argv) {
  // Answered before QApplication exists, so that they work without a display.
  if (const auto text = app::InfoOptionText(argc, argv)) {
    std::fputs(text->c_str(), stdout);
    return 0;
  }
  // Our own options are read before Qt takes its options out of the arguments.
  platform::SetExtraRoots(platform::PlayerArguments(argc, argv));
  platform::InitAppDir(argc, argv);

  QApplication application(argc, argv);
  QApplication::setApplicationName("Lyrimate");
  QApplication::setApplicationDisplayName("Lyrimate");
  QApplication::setDesktopFileName("lyrimate");
  app::InstallJapaneseTranslations(application);
  QApplication::setWindowIcon(app::AppIcon());
  // The main window ends the program even while the lyrics editor is still open.
  QApplication::setQuitOnLastWindowClosed(false);

  // One writer per data folder: a second instance on the same folder says so and ends.
  const std::unique_ptr<library::DataFolderLock> lock = app::LockDataFolder(nullptr, platform::AppDir());
  if (!lock) return 1;

  app::MainWindow window(platform::AppDir());
  app::TEdit edit(window.State());
  app::TSetting setting(platform::AppDir(), &window);
  app::TAbout about(&window, app::FromSystemPath(platform::AppDir()));
  app::TStatus status(&window);
  window.SetWindows(&edit, &setting, &about, &status);
  QObject::connect(&window, &app::MainWindow::Closed, &application, &QApplication::quit, Qt::QueuedConnection);

  window.show();
  return application.exec();
}
