// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings dialog: six check boxes over the keys of Lyrimate.ini, read once when the
// dialog is created and written when OK is pressed. The settings take effect at the next start.
#include <QDialog>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace app {

class TSetting : public QDialog {
  Q_OBJECT

public:
  explicit TSetting(const std::string& appDir, QWidget* parent = nullptr);

  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;  // AutoConnect
  QCheckBox* CheckBox2 = nullptr;  // AutoGetMusic
  QCheckBox* CheckBox3 = nullptr;  // AutoCheck
  QCheckBox* CheckBox4 = nullptr;  // AutoCopy
  QGroupBox* GroupBox2 = nullptr;  // the Notes pages
  QCheckBox* CheckBox5 = nullptr;  // SplitPages
  QCheckBox* CheckBox6 = nullptr;  // CleanNotes
  QLabel* Label1 = nullptr;        // the note line
  QPushButton* Button1 = nullptr;  // OK
  QPushButton* Button2 = nullptr;  // Cancel

  void FormCreate();
  void Button1Click();
  void Button2Click();

private:
  std::string appDir_;
};

}  // namespace app
