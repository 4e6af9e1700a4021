// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/NotePreview.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/QtText.h"
#include "library/NoteReading.h"

namespace app {

namespace {

QString Escaped(const std::string& cp932) {
  return WithNewlines(FromCp932(cp932)).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

QString PartHtml(const library::NotePart& part) {
  QString html = QStringLiteral("<p><b>") + Escaped(part.name) + QStringLiteral("</b> (") +
                 QString::number(part.content.size()) + Ui(" バイト)</p><p style=\"white-space:pre-wrap\">");
  bool cutShown = false;
  for (const library::ShownText& piece : library::AsTheReaderShows(part.content)) {
    if (piece.beyondCut && !cutShown) {
      html += QStringLiteral("</p><hr><p style=\"color:gray\">") + Ui("ここから後ろは iPod に表示されません") +
              QStringLiteral("</p><p style=\"color:gray; white-space:pre-wrap\">");
      cutShown = true;
    }
    html += piece.link ? QStringLiteral("<u>") + Escaped(piece.text) + QStringLiteral("</u>") : Escaped(piece.text);
  }
  return html + QStringLiteral("</p>");
}

}  // namespace

QString NotePreviewHtml(const std::vector<library::NotePart>& parts) {
  QString html;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) html += QStringLiteral("<hr style=\"border-style:double\">");
    html += PartHtml(parts[i]);
  }
  return html;
}

TNotePreview::TNotePreview(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TNotePreview"));
  setWindowTitle(Ui("ノートをプレビュー"));
  Memo1 = new QTextBrowser(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setOpenLinks(false);
  Button1 = new QPushButton(Ui("閉じる"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Memo1);
  layout->addLayout(buttons);
  resize(520, 600);
}

void TNotePreview::Show(const std::vector<library::NotePart>& parts) { Memo1->setHtml(NotePreviewHtml(parts)); }

}  // namespace app
