// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The user feedback of lyrimate-cli: status texts, boxes and notices go to a stream (standard
// error) as UTF-8 lines; questions are answered yes and a run is never stopped.
#include <cstdio>
#include <set>
#include <string>

#include "library/Feedback.h"

namespace cli {

class CliFeedback : public library::Feedback {
public:
  explicit CliFeedback(std::FILE* stream = stderr) : stream_(stream) {}

  std::string SetStatus(const std::string& text) override;
  void SetProgress(int) override {}
  void ProcessMessages() override {}
  bool PollStop() override { return false; }
  void ErrorBox(const std::string& text) override;
  void InformationBox(const std::string& text) override;
  bool AskYesNo(const std::string& text) override;
  bool AskOkCancel(const std::string& text) override;
  void Notice(const std::string& text) override { Print(text); }

  // A failure of the tool itself (code page 932); counts like an error box.
  void Failure(const std::string& text);
  // True once an error box or a failure was shown.
  bool ErrorShown() const { return errorShown_; }
  // While muted, information boxes are not printed (their text goes to standard output).
  void MuteInformation(bool muted) { informationMuted_ = muted; }

private:
  // Prints a code page 932 text as UTF-8 lines; the same text twice in a row is printed once.
  void Print(const std::string& text);

  std::FILE* stream_;
  std::string status_;
  std::set<std::string> statusesShown_;  // a status put back at the end of a command is not news
  std::string lastPrinted_;
  bool errorShown_ = false;
  bool informationMuted_ = false;
};

// A code page 932 text as UTF-8 with every CR LF, lone CR and lone LF turned into one LF;
// a final line break is kept as it is, none is added.
std::string Utf8WithUnixLineBreaks(const std::string& cp932Text);

}  // namespace cli
