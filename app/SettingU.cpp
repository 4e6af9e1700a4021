// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingU.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CommandGuard.h"
#include "app/QtText.h"
#include "library/MainState.h"

namespace app {

namespace {

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const char* caption) {
  auto* box = new QCheckBox(Ui(caption), parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

}  // namespace

TSetting::TSetting(const std::string& appDir, QWidget* parent) : QDialog(parent), appDir_(appDir) {
  setObjectName(QStringLiteral("TSetting"));
  setWindowTitle(Ui("設定"));

  GroupBox1 = new QGroupBox(Ui("全般"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  CheckBox1 = NewCheckBox(GroupBox1, "CheckBox1", "起動時にiPodと接続する");
  CheckBox2 = NewCheckBox(GroupBox1, "CheckBox2", "起動時にiPodの曲リストを取得しない(推奨)");
  CheckBox3 = NewCheckBox(GroupBox1, "CheckBox3", "自動でiPodをチェックする(推奨)");
  CheckBox4 = NewCheckBox(GroupBox1, "CheckBox4", "曲情報取得時に登録済みの曲にチェックをつける");
  auto* boxes = new QVBoxLayout(GroupBox1);
  for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4}) boxes->addWidget(box);

  GroupBox2 = new QGroupBox(Ui("ノート"), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  CheckBox5 = NewCheckBox(GroupBox2, "CheckBox5", "4,096 バイトを超える歌詞は続きのノートに分ける");
  CheckBox6 = NewCheckBox(GroupBox2, "CheckBox6", "書き出さなくなった古いノートを削除する");
  auto* noteBoxes = new QVBoxLayout(GroupBox2);
  for (QCheckBox* box : {CheckBox5, CheckBox6}) noteBoxes->addWidget(box);

  Label1 = new QLabel(Ui("※　設定を反映させるには、Lyrimateの再起動が必要です。"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  Button2 = new QPushButton(QStringLiteral("Cancel"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  connect(Button1, &QPushButton::clicked, this, &TSetting::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TSetting::Button2Click);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addWidget(GroupBox2);
  layout->addWidget(Label1);
  layout->addLayout(buttons);
  // A fixed dialog border, at least the classic size, larger where the desktop's font needs it.
  setFixedSize(layout->sizeHint().expandedTo(QSize(486, 141)));

  FormCreate();
}

void TSetting::FormCreate() {
  const library::Settings settings = library::ReadSettings(appDir_);
  CheckBox1->setChecked(settings.AutoConnect);
  CheckBox2->setChecked(settings.AutoGetMusic);
  CheckBox3->setChecked(settings.AutoCheck);
  CheckBox4->setChecked(settings.AutoCopy);
  CheckBox5->setChecked(settings.SplitPages);
  CheckBox6->setChecked(settings.CleanNotes);
}

void TSetting::Button1Click() {
  library::Settings settings;
  settings.AutoConnect = CheckBox1->isChecked();
  settings.AutoGetMusic = CheckBox2->isChecked();
  settings.AutoCheck = CheckBox3->isChecked();
  settings.AutoCopy = CheckBox4->isChecked();
  settings.SplitPages = CheckBox5->isChecked();
  settings.CleanNotes = CheckBox6->isChecked();
  // A write that fails is shown and the dialog stays open.
  if (RunCommand(this, [&] { library::WriteSettings(appDir_, settings); })) accept();
}

void TSetting::Button2Click() { reject(); }

}  // namespace app
