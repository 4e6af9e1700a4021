// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's message boxes go through one presenter, so that tests can answer them without
// a modal loop. The default presenter shows QMessageBox boxes with the caption "Lyrimate".
#include <QString>
#include <functional>

class QWidget;

namespace app {

enum class BoxKind {
  Error,        // error icon, OK
  Information,  // information icon, OK
  YesNo,        // question icon, Yes and No
  OkCancel,     // question icon, OK and Cancel
  Confirm,      // information icon, OK and Cancel (a warning that asks to go on)
  Notice,       // information without a modal loop; the answer is ignored
};

// The answers to "save the changes?".
enum class SaveAnswer { Save, Discard, Cancel };

// Shows one box and returns true for OK / Yes.
using BoxPresenter = std::function<bool(QWidget* parent, BoxKind kind, const QString& text)>;

bool ShowBox(QWidget* parent, BoxKind kind, const QString& text);
// Asks whether changed text is to be saved, with the buttons 保存, 破棄 and キャンセル
// (Escape and the close box cancel).
SaveAnswer AskSaveChanges(QWidget* parent, const QString& text);
// Replaces the presenter (an empty one restores the default) and returns the previous one.
BoxPresenter SetBoxPresenter(BoxPresenter presenter);

// Installs a presenter for the lifetime of the object.
class ScopedBoxPresenter {
public:
  explicit ScopedBoxPresenter(BoxPresenter presenter) : previous_(SetBoxPresenter(std::move(presenter))) {}
  ~ScopedBoxPresenter() { SetBoxPresenter(std::move(previous_)); }
  ScopedBoxPresenter(const ScopedBoxPresenter&) = delete;
  ScopedBoxPresenter& operator=(const ScopedBoxPresenter&) = delete;

private:
  BoxPresenter previous_;
};

}  // namespace app
