// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliFeedback.h"

#include "platform/CodePage.h"

namespace cli {

std::string Utf8WithUnixLineBreaks(const std::string& cp932Text) {
  const std::string utf8 = platform::Cp932ToUtf8(cp932Text);
  std::string result;
  result.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\r') {
      result += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else {
      result += utf8[i];
    }
  }
  return result;
}

std::string CliFeedback::SetStatus(const std::string& text) {
  std::string previous = std::move(status_);
  status_ = text;
  if (!text.empty() && statusesShown_.insert(text).second) Print(text);
  return previous;
}

void CliFeedback::ErrorBox(const std::string& text) {
  errorShown_ = true;
  Print(text);
}

void CliFeedback::InformationBox(const std::string& text) {
  if (!informationMuted_) Print(text);
}

bool CliFeedback::AskYesNo(const std::string& text) {
  Print(text + " (yes)");
  return true;
}

bool CliFeedback::AskOkCancel(const std::string& text) {
  Print(text + " (OK)");
  return true;
}

void CliFeedback::Failure(const std::string& text) {
  errorShown_ = true;
  Print(text);
}

void CliFeedback::Print(const std::string& text) {
  if (text == lastPrinted_) return;
  lastPrinted_ = text;
  std::string lines = Utf8WithUnixLineBreaks(text);
  if (lines.empty() || lines.back() != '\n') lines += '\n';
  std::fwrite(lines.data(), 1, lines.size(), stream_);
  std::fflush(stream_);
}

}  // namespace cli
