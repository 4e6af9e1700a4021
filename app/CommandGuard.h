// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one command of a window: an error it does not handle ends the command and is shown in
// the application's error box with its own text; the program goes on.
#include <QWidget>
#include <exception>
#include <utility>

#include "app/Boxes.h"
#include "app/QtText.h"
#include "platform/Error.h"

namespace app {

template <typename Command>
bool RunCommand(QWidget* parent, Command&& command) {
  QString message;
  try {
    std::forward<Command>(command)();
    return true;
  } catch (const platform::Error& error) {
    message = FromCp932(error.what());
  } catch (const std::exception& error) {
    message = QString::fromLocal8Bit(error.what());
  } catch (...) {
    message = Ui("不明なエラーが発生しました。");
  }
  ShowBox(parent, BoxKind::Error, message);
  return false;
}

}  // namespace app
