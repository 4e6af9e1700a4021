// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The note preview: a registered song's page, or its parts one after another, as the player's
// note reader shows it: markup removed, links underlined, and a line where the reader stops
// showing (4,096 bytes), with the text it leaves out greyed below it.
#include <QDialog>
#include <vector>

#include "library/NotesWriter.h"

class QPushButton;
class QTextBrowser;

namespace app {

class TNotePreview : public QDialog {
  Q_OBJECT

public:
  explicit TNotePreview(QWidget* parent = nullptr);

  // Shows the files of one page (each with its name above it).
  void Show(const std::vector<library::NotePart>& parts);

  QTextBrowser* Memo1 = nullptr;  // the page text
  QPushButton* Button1 = nullptr;  // close
};

// The HTML the preview shows for the parts.
QString NotePreviewHtml(const std::vector<library::NotePart>& parts);

}  // namespace app
