// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the library tells the user and asks of them. The application implements it with its
// windows, lyrimate-cli with standard error, tests with a recording fake. All texts are code
// page 932.
#include <string>

namespace library {

class Feedback {
public:
  virtual ~Feedback() = default;

  // Replaces the status text and returns the text it had.
  virtual std::string SetStatus(const std::string& text) = 0;
  // Sets the progress bar, 0 to 100.
  virtual void SetProgress(int percent) = 0;
  // Lets pending window messages be processed (repaint, timer ticks, device changes).
  virtual void ProcessMessages() = 0;
  // Called between two files of a scan and two pages of an export: may keep the window
  // alive (the application rate-limits it) and answers true when the user asked to stop.
  virtual bool PollStop() = 0;

  // Modal boxes.
  virtual void ErrorBox(const std::string& text) = 0;
  virtual void InformationBox(const std::string& text) = 0;
  // True for Yes / OK.
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual bool AskOkCancel(const std::string& text) = 0;
  // A report that needs no answer and does not block (the application shows it without a
  // modal box; lyrimate-cli prints it).
  virtual void Notice(const std::string& text) = 0;
};

}  // namespace library
