// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lyrics editor: a plain-text window the main window fills with one song's lyrics.
// Save hands the text to the main window's state and writes the song's lyrics file; text
// that Shift_JIS cannot hold is refused, never written with "?". Closing the window (also
// with Esc) asks first when the text was changed, and empties it.
#include <QPlainTextEdit>
#include <QWidget>

#include "library/LyricsStore.h"
#include "library/MainState.h"
#include "library/OpenedText.h"

class QCloseEvent;
class QMimeData;
class QFileDialog;
class QToolBar;

namespace app {

// The one local file that a drag carries, else an empty text.
QString DroppedFile(const QMimeData* data);

// A text file as the editor takes it in: its encoding detected and converted, an LRC file's
// time tags and leading ID tags stripped. Throws platform::Error naming the file.
library::OpenedText ReadLyricsTextFile(const QString& path);

// The characters that could not be kept, one line each ("2 行 4 文字目「♡」 U+2661"), the
// first few of them.
QString UnkeptList(const std::vector<platform::UnkeptChar>& unkept);

class TEdit : public QWidget {
  Q_OBJECT

public:
  explicit TEdit(library::MainState& state, QWidget* parent = nullptr);

  // Sets the caption and, when the content has a text, the text (which then counts as
  // unmodified); shows the window without blocking and brings it to the front.
  void ShowSong(const library::EditorContent& content);
  // Replaces the text with a file's, as Open does (asking first when characters would be
  // lost); the text then counts as changed when markChanged, so that closing asks.
  // False when the user kept the old text.
  bool ShowOpenedText(const library::OpenedText& opened, bool markChanged = false);
  // Changed text is saved or discarded as the user answers 保存 / 破棄 / キャンセル; false
  // for キャンセル (or a save that failed), when the text must stay.
  bool SettleChanges();
  // Reads and shows a file as Open does; errors are shown in the error box.
  void OpenFile(const QString& path);

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

signals:
  // The lyrics file was written.
  void Saved();

protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery

private:
  void BuildToolBar();
  // True when the text may be discarded: it is unmodified, or the user answered OK.
  bool ConfirmDiscard();
  void SetMemoText(const QString& text);
  // Saves the text; false (with the reason shown) when it was refused or could not be written.
  bool SaveText();

  library::MainState& state_;
};

}  // namespace app
