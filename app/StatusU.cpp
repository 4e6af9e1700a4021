// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusU.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/QtText.h"

namespace app {

namespace {

constexpr int kValueWidth = 357;

QLabel* NewValueLabel(QWidget* parent, const char* name, const char* initial) {
  auto* label = new QLabel(Ui(initial), parent);
  label->setObjectName(QString::fromLatin1(name));
  // Tag texts are shown as they are, never as markup.
  label->setTextFormat(Qt::PlainText);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A long value is cut at the dialog's edge instead of widening the dialog.
  label->setMinimumWidth(kValueWidth);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  return label;
}

QPlainTextEdit* NewReadOnlyText(QWidget* parent, const char* name, int height) {
  auto* text = new QPlainTextEdit(parent);
  text->setObjectName(QString::fromLatin1(name));
  text->setReadOnly(true);
  text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text->setFixedSize(kValueWidth, height);
  // A right click offers no editing commands.
  text->setContextMenuPolicy(Qt::PreventContextMenu);
  return text;
}

}  // namespace

QString RateText(const QString& rate) {
  bool number = false;
  rate.toLongLong(&number);
  return number ? rate + Ui(" kbps") : rate;
}

TStatus::TStatus(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TStatus"));
  setWindowTitle(Ui("詳細"));

  Label17 = NewValueLabel(this, "Label17", "Unknown");
  Label5 = NewValueLabel(this, "Label5", "Unknown");
  Label3 = NewValueLabel(this, "Label3", "Unknown");
  Label9 = NewValueLabel(this, "Label9", "-1");
  Label7 = NewValueLabel(this, "Label7", "0");
  Label11 = NewValueLabel(this, "Label11", "Unknown");
  Label14 = NewValueLabel(this, "Label14", "Unknown");
  Label12 = NewValueLabel(this, "Label12", "Unknown");
  PathLabel = NewValueLabel(this, "PathLabel", "");
  PathLabel->setWordWrap(true);
  PathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo1 = NewReadOnlyText(this, "Memo1", 101);
  Memo2 = NewReadOnlyText(this, "Memo2", 125);
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));

  auto* rows = new QGridLayout;
  rows->setColumnMinimumWidth(0, 80);
  int row = 0;
  auto addRow = [&](const char* caption, QWidget* value, Qt::Alignment captionAlignment = Qt::AlignVCenter) {
    auto* label = new QLabel(Ui(caption), this);
    rows->addWidget(label, row, 0, captionAlignment | Qt::AlignLeft);
    rows->addWidget(value, row, 1);
    ++row;
    return label;
  };
  // The title row is larger than the others, as in the list's caption.
  const QFont titleFont = ScaledFont(font(), 17.0 / 12.0);
  addRow("タイトル", Label17)->setFont(titleFont);
  Label17->setFont(titleFont);
  addRow("アルバム", Label5);
  addRow("アーティスト", Label3);
  addRow("トラック", Label9);
  addRow("再生時間", Label7);
  addRow("ジャンル", Label11);
  addRow("Year", Label14);
  addRow("レート", Label12);
  addRow("ファイル", PathLabel, Qt::AlignTop);
  addRow("コメント", Memo1, Qt::AlignTop);
  addRow("歌詞", Memo2, Qt::AlignTop);

  Label19 = new QLabel(this);
  Label19->setObjectName(QStringLiteral("Label19"));
  Label19->setTextFormat(Qt::PlainText);
  Button1 = new QPushButton(Ui("閉じる"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &TStatus::Button1Click);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(rows);
  layout->addWidget(Label19);
  layout->addLayout(bottom);
  // A fixed dialog border, at least the classic size, larger where the desktop's font needs it.
  setFixedSize(layout->sizeHint().expandedTo(QSize(455, 477)));

  FormCreate();
}

void TStatus::FormCreate() {
  Label19->setText(WithNewlines(
      Ui("タグは音楽管理ソフトで編集してください。\r\nまた、歌詞の編集はリストをダブルクリックして編集してください。")));
}

void TStatus::Fill(const library::TMusicData& song) {
  Label17->setText(FromCp932(song.Title));
  Label5->setText(FromCp932(song.Album));
  Label3->setText(FromCp932(song.Artist));
  Label9->setText(FromCp932(song.Track));
  Label7->setText(FromCp932(song.Time));
  Label11->setText(FromCp932(song.Genre));
  Label14->setText(FromCp932(song.Year));
  Label12->setText(RateText(FromCp932(song.Rate)));
  PathLabel->setText(FromSystemPath(song.FileName));
  Memo1->setPlainText(WithNewlines(FromCp932(song.Comment)));
  Memo2->setPlainText(WithNewlines(FromCp932(song.Lyrics)));
}

void TStatus::Button1Click() { done(100); }

}  // namespace app
