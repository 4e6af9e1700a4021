// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics editor: a plain-text window the main window fills with one song's lyrics.
// Save hands the text to the main window's state and writes the song's lyrics file;
// closing the window by any means empties the text.
#include <QPlainTextEdit>
#include <QWidget>

#include "library/LyricsStore.h"
#include "library/MainState.h"

class QCloseEvent;
class QFileDialog;
class QToolBar;

namespace app {

class TEdit : public QWidget {
  Q_OBJECT

public:
  explicit TEdit(library::MainState& state, QWidget* parent = nullptr);

  // Sets the caption and, when the content has a text, the text (which then counts as
  // unmodified); shows the window without blocking and brings it to the front.
  void ShowSong(const library::EditorContent& content);

  QPlainTextEdit* Memo = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QFileDialog* Od = nullptr;

  void ToolButton1Click();   // New
  void ToolButton2Click();   // Open
  void ToolButton3Click();   // Save
  void ToolButton5Click();   // Undo
  void ToolButton6Click();   // Copy
  void ToolButton7Click();   // Cut
  void ToolButton8Click();   // Paste
  void ToolButton10Click();  // Close

protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery

private:
  void BuildToolBar();
  // True when the text may be discarded: it is unmodified, or the user answered OK.
  bool ConfirmDiscard();
  void LoadTextFile(const QString& path);
  void SetMemoText(const QString& text);

  library::MainState& state_;
};

}  // namespace app
