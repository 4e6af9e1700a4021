// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Boxes.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>

#include "app/QtText.h"

namespace app {
namespace {

// A notice stays on screen without blocking; a later notice replaces the text of one still open.
void ShowNotice(QWidget* parent, const QString& text) {
  static QPointer<QMessageBox> open;
  if (!open) {
    open = new QMessageBox(QMessageBox::Information, Ui("Lyrimate"), text, QMessageBox::Ok, parent);
    open->setObjectName("Notice");
    open->setModal(false);
    open->setAttribute(Qt::WA_DeleteOnClose);
  } else {
    open->setText(text);
  }
  open->show();
  open->raise();
}

bool DefaultPresenter(QWidget* parent, BoxKind kind, const QString& text) {
  const QString caption = Ui("Lyrimate");
  switch (kind) {
    case BoxKind::Error:
      QMessageBox::critical(parent, caption, text);
      return true;
    case BoxKind::Information:
      QMessageBox::information(parent, caption, text);
      return true;
    case BoxKind::YesNo:
      return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
             QMessageBox::Yes;
    case BoxKind::OkCancel:
      return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) ==
             QMessageBox::Ok;
    case BoxKind::Confirm: {
      QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
      box.setObjectName("Confirm");
      return box.exec() == QMessageBox::Ok;
    }
    case BoxKind::Notice:
      ShowNotice(parent, text);
      return true;
  }
  return false;
}

BoxPresenter& Current() {
  static BoxPresenter presenter = DefaultPresenter;
  return presenter;
}

}  // namespace

SaveAnswer AskSaveChanges(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, Ui("Lyrimate"), text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setObjectName("SaveChanges");
  box.button(QMessageBox::Save)->setText(Ui("保存(&S)"));
  box.button(QMessageBox::Discard)->setText(Ui("破棄(&D)"));
  box.button(QMessageBox::Cancel)->setText(Ui("キャンセル"));
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save: return SaveAnswer::Save;
    case QMessageBox::Discard: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
  }
}

bool ShowBox(QWidget* parent, BoxKind kind, const QString& text) { return Current()(parent, kind, text); }

BoxPresenter SetBoxPresenter(BoxPresenter presenter) {
  BoxPresenter previous = std::move(Current());
  Current() = presenter ? std::move(presenter) : BoxPresenter(DefaultPresenter);
  return previous;
}

}  // namespace app
