// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The song details dialog: one song's tags and lyrics, read-only. The main window fills it
// and shows it modally; the dialog keeps what it shows between showings.
#include <QDialog>
#include <QString>

#include "library/MusicScan.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace app {

// The rate as shown: a number of kbit/s gets its unit ("64 kbps"); anything else stays.
QString RateText(const QString& rate);

class TStatus : public QDialog {
  Q_OBJECT

public:
  explicit TStatus(QWidget* parent = nullptr);

  // Sets the eight values and the two text areas from the record (its Lyrics already the
  // song's lyrics file when there is one).
  void Fill(const library::TMusicData& song);

  QLabel* Label17 = nullptr;  // title
  QLabel* Label5 = nullptr;   // album
  QLabel* Label3 = nullptr;   // artist
  QLabel* Label9 = nullptr;   // track
  QLabel* Label7 = nullptr;   // playing time
  QLabel* Label11 = nullptr;  // genre
  QLabel* Label14 = nullptr;  // year
  QLabel* Label12 = nullptr;  // rate
  QLabel* PathLabel = nullptr;  // the song's file
  QPlainTextEdit* Memo1 = nullptr;  // comment
  QPlainTextEdit* Memo2 = nullptr;  // lyrics
  QLabel* Label19 = nullptr;        // the hint
  QPushButton* Button1 = nullptr;   // close
  QMenu* PopupMenu1 = nullptr;      // the text areas' menu: no entries

  void FormCreate();
  void Button1Click();
};

}  // namespace app
