#pragma once
// The about box: the program's picture, name and version.
#include <QDialog>

class QLabel;
class QPushButton;

namespace app {

class TAbout : public QDialog {
  Q_OBJECT

public:
  explicit TAbout(QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;  // the program's artwork, 65 x 65
  QLabel* Label1 = nullptr;  // "Lyrimate ver 4.0"
  QPushButton* OK = nullptr;

  void OKClick();
};

}  // namespace app
