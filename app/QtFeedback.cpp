// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtFeedback.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "app/Boxes.h"
#include "app/QtText.h"

namespace app {
namespace {
constexpr qint64 kProcessingIntervalMs = 100;
}

QtFeedback::QtFeedback(QWidget* window, QLabel* statusPanel, QProgressBar* per)
    : window_(window), statusPanel_(statusPanel), per_(per) {
  if (statusPanel_) status_ = ToCp932(statusPanel_->text());
  sinceProcessing_.start();
}

std::string QtFeedback::SetStatus(const std::string& text) {
  std::string previous = std::move(status_);
  status_ = text;
  if (statusPanel_) statusPanel_->setText(FromCp932(text));
  return previous;
}

void QtFeedback::SetProgress(int percent) {
  if (per_) per_->setValue(std::clamp(percent, 0, 100));
}

void QtFeedback::Process() {
  if (beforeProcessing_) beforeProcessing_();
  QCoreApplication::processEvents();
  sinceProcessing_.restart();
}

void QtFeedback::ProcessMessages() { Process(); }

bool QtFeedback::PollStop() {
  if (sinceProcessing_.elapsed() >= kProcessingIntervalMs) Process();
  return stopArmed_ && stopRequested_;
}

void QtFeedback::ErrorBox(const std::string& text) { ShowBox(window_, BoxKind::Error, FromCp932(text)); }
void QtFeedback::InformationBox(const std::string& text) { ShowBox(window_, BoxKind::Information, FromCp932(text)); }
bool QtFeedback::AskYesNo(const std::string& text) { return ShowBox(window_, BoxKind::YesNo, FromCp932(text)); }
bool QtFeedback::AskOkCancel(const std::string& text) { return ShowBox(window_, BoxKind::OkCancel, FromCp932(text)); }
void QtFeedback::Notice(const std::string& text) { ShowBox(window_, BoxKind::Notice, FromCp932(text)); }

void QtFeedback::ArmStop() {
  stopArmed_ = true;
  stopRequested_ = false;
}

void QtFeedback::DisarmStop() {
  stopArmed_ = false;
  stopRequested_ = false;
}

void QtFeedback::RequestStop() {
  if (stopArmed_) stopRequested_ = true;
}

}  // namespace app
