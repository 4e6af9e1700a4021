// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Feedback that records everything the library tells the user and answers its questions
// with preset answers. Texts are recorded as UTF-8, so tests can compare them with literals.
#include <string>
#include <vector>

#include "library/Feedback.h"
#include "platform/CodePage.h"

namespace testing_support {

class FakeFeedback : public library::Feedback {
public:
  struct Box {
    std::string kind;  // "error", "information", "yes-no", "ok-cancel", "notice"
    std::string text;  // UTF-8
    bool operator==(const Box&) const = default;
  };

  std::string status = "iPod が認識されていません。";  // UTF-8
  std::vector<std::string> statuses;                     // every text set, UTF-8
  std::vector<int> progress;                             // every value set
  std::vector<Box> boxes;
  int processed = 0;  // ProcessMessages calls
  int polls = 0;      // PollStop calls
  bool answer = true;                  // answer to the questions
  int stopAfterPolls = -1;             // PollStop answers true from this many calls on
  std::vector<std::string> events;     // "status:TEXT", "progress:N", "process", "poll", "box:KIND"

  std::string SetStatus(const std::string& text) override {
    std::string previous = platform::Utf8ToCp932(status);
    status = platform::Cp932ToUtf8(text);
    statuses.push_back(status);
    events.push_back("status:" + status);
    return previous;
  }
  void SetProgress(int percent) override {
    progress.push_back(percent);
    events.push_back("progress:" + std::to_string(percent));
  }
  void ProcessMessages() override {
    ++processed;
    events.push_back("process");
  }
  bool PollStop() override {
    ++polls;
    events.push_back("poll");
    return stopAfterPolls >= 0 && polls > stopAfterPolls;
  }
  void ErrorBox(const std::string& text) override { Record("error", text); }
  void InformationBox(const std::string& text) override { Record("information", text); }
  bool AskYesNo(const std::string& text) override {
    Record("yes-no", text);
    return answer;
  }
  bool AskOkCancel(const std::string& text) override {
    Record("ok-cancel", text);
    return answer;
  }
  void Notice(const std::string& text) override { Record("notice", text); }

private:
  void Record(const char* kind, const std::string& text) {
    boxes.push_back({kind, platform::Cp932ToUtf8(text)});
    events.push_back(std::string("box:") + kind);
  }
};

}  // namespace testing_support
