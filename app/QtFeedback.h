// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library's user feedback shown in the main window: the status bar's text panel, the
// progress bar Per, pending events processed through Qt, and the message boxes.
#include <QElapsedTimer>
#include <QPointer>
#include <functional>
#include <string>

#include "library/Feedback.h"

class QLabel;
class QProgressBar;
class QWidget;

namespace app {

class QtFeedback : public library::Feedback {
public:
  // statusPanel and per belong to window, which is also the parent of the boxes.
  QtFeedback(QWidget* window, QLabel* statusPanel, QProgressBar* per);

  std::string SetStatus(const std::string& text) override;
  void SetProgress(int percent) override;
  void ProcessMessages() override;
  // Processes pending events at most every 100 ms; true once a stop was requested while
  // stopping is armed.
  bool PollStop() override;

  void ErrorBox(const std::string& text) override;
  void InformationBox(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool AskOkCancel(const std::string& text) override;
  void Notice(const std::string& text) override;

  // A stop request counts only between ArmStop and DisarmStop (a running scan).
  void ArmStop();
  void DisarmStop();
  void RequestStop();
  bool StopArmed() const { return stopArmed_; }

  // Called before pending events are processed during an operation (the window brings its
  // lists up to date there).
  void SetBeforeProcessing(std::function<void()> hook) { beforeProcessing_ = std::move(hook); }

private:
  void Process();

  QPointer<QWidget> window_;
  QPointer<QLabel> statusPanel_;
  QPointer<QProgressBar> per_;
  std::string status_;
  QElapsedTimer sinceProcessing_;
  bool stopArmed_ = false;
  bool stopRequested_ = false;
  std::function<void()> beforeProcessing_;
};

}  // namespace app
