// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers for the window tests: answering the modal dialogs a command opens (message boxes,
// the open-file dialog) by pressing their controls from a timer while the command waits.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

namespace gui_support {

// Waits for the next modal dialog of type Dialog and hands it to answer. Ends on the first
// one; answered() tells whether it came.
template <typename Dialog>
class ModalAnswer {
public:
  explicit ModalAnswer(std::function<void(Dialog*)> answer) : answered_(std::make_shared<bool>(false)) {
    timer_ = new QTimer;
    timer_->setInterval(5);
    QObject::connect(timer_, &QTimer::timeout, [timer = timer_, answer, done = answered_] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return;
      timer->stop();
      *done = true;
      answer(dialog);
    });
    timer_->start();
  }
  ~ModalAnswer() { delete timer_; }
  ModalAnswer(const ModalAnswer&) = delete;
  ModalAnswer& operator=(const ModalAnswer&) = delete;

  bool answered() const { return *answered_; }

private:
  QTimer* timer_;
  std::shared_ptr<bool> answered_;
};

// What a message box showed, and the button to press on it.
struct BoxSeen {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

inline std::function<void(QMessageBox*)> Press(QMessageBox::StandardButton button, BoxSeen* seen = nullptr) {
  return [button, seen](QMessageBox* box) {
    if (seen) *seen = {box->text(), box->icon(), box->standardButtons()};
    if (QAbstractButton* pressed = box->button(button)) pressed->click();
    else box->reject();
  };
}

// Types path into the open dialog's file name field and presses its open button, as a user
// does.
inline void PickFile(QFileDialog* dialog, const QString& path) {
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (name == nullptr) {
    dialog->reject();
    return;
  }
  name->setText(path);
  static_cast<QDialog*>(dialog)->accept();
}

// Any modal dialog that opens while this lives is closed and counted: a command that asks
// when it must not then fails its test instead of hanging it.
class NoModalExpected {
public:
  NoModalExpected() : count_(std::make_shared<int>(0)) {
    timer_ = new QTimer;
    timer_->setInterval(5);
    QObject::connect(timer_, &QTimer::timeout, [count = count_] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        ++*count;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        else modal->close();
      }
    });
    timer_->start();
  }
  ~NoModalExpected() { delete timer_; }
  NoModalExpected(const NoModalExpected&) = delete;
  NoModalExpected& operator=(const NoModalExpected&) = delete;

  int seen() const { return *count_; }

private:
  QTimer* timer_;
  std::shared_ptr<int> count_;
};

}  // namespace gui_support
