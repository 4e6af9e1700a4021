// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about box (the program's picture, name, version, licence and data folder) and the
// application's --help and --version, which are answered before any window exists.
#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

class TAbout : public QDialog {
  Q_OBJECT

public:
  // dataFolder: the data folder in the system's form, shown so that it can be copied.
  explicit TAbout(QWidget* parent = nullptr, const QString& dataFolder = QString());

  QLabel* Image1 = nullptr;  // the program's artwork, 65 x 65
  QLabel* Label1 = nullptr;  // "Lyrimate ver 4.0"
  QLabel* Description = nullptr;
  QLabel* Licence = nullptr;
  QLabel* Copyright = nullptr;
  QLabel* QtVersion = nullptr;
  QLineEdit* DataFolder = nullptr;  // read-only, selectable
  QPushButton* CopyDataFolder = nullptr;
  QPushButton* OK = nullptr;

  void OKClick();
  void CopyDataFolderClick();
};

// The text to print for --help or --version when the command line asks for one, else
// nothing. Arguments of --player and --data-dir are skipped, never read as options.
std::optional<std::string> InfoOptionText(int argc, char** argv);

}  // namespace app
