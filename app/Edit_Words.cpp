// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Edit_Words.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cerrno>

#include "app/AppIcon.h"
#include "app/Boxes.h"
#include "app/CommandGuard.h"
#include "app/QtText.h"
#include "library/FileErrors.h"
#include "library/OpenedText.h"
#include "platform/File.h"

namespace app {

namespace {

// Lyrics are a few KiB; a file this large was picked by mistake.
constexpr std::size_t kLargestTextFile = 16 * 1024 * 1024;

// The whole content of a regular file; throws the library's file error otherwise.
std::string ReadUserFile(const QString& path) {
  std::string content;
  errno = 0;
  if (!platform::ReadWholeFileAt(QFile::encodeName(path).toStdString(), content, kLargestTextFile))
    throw library::FileError("ファイルを読み込めません。", ToCp932(path), errno);
  return content;
}

}  // namespace

TEdit::TEdit(library::MainState& state, QWidget* parent) : QWidget(parent, Qt::Window), state_(state) {
  setObjectName(QStringLiteral("TEdit"));
  setWindowTitle(QStringLiteral("Edit Words"));
  setWindowIcon(AppIcon());
  resize(521, 365);

  Memo = new QPlainTextEdit(this);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // The window's text is a third larger than the desktop's, as the lyrics are read at a glance.
  Memo->setFont(ScaledFont(Memo->font(), 16.0 / 12.0));

  Od = new QFileDialog(this);
  Od->setObjectName(QStringLiteral("Od"));
  Od->setWindowTitle(Ui("開く"));
  Od->setFileMode(QFileDialog::ExistingFile);
  Od->setAcceptMode(QFileDialog::AcceptOpen);
  Od->setNameFilters({Ui("テキストファイル(*.txt)"), Ui("すべて(*.*)")});

  BuildToolBar();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar1);
  layout->addWidget(Memo);
}

void TEdit::BuildToolBar() {
  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setIconSize(QSize(20, 20));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);

  auto addButton = [this](const char* name, const char* tip, const QIcon& icon, void (TEdit::*handler)()) {
    QAction* action = ToolBar1->addAction(icon, Ui(tip));
    action->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
    action->setToolTip(Ui(tip));
    connect(action, &QAction::triggered, this, handler);
    ToolBar1->widgetForAction(action)->setObjectName(QString::fromLatin1(name));
    return action;
  };
  auto addSeparator = [this](const char* name) {
    QAction* separator = ToolBar1->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    if (QWidget* widget = ToolBar1->widgetForAction(separator)) widget->setObjectName(QString::fromLatin1(name));
  };

  addButton("ToolButton1", "新規作成", ThemeIcon("document-new", QStyle::SP_FileIcon), &TEdit::ToolButton1Click)
      ->setShortcut(QKeySequence::New);
  addButton("ToolButton2", "開く", ThemeIcon("document-open", QStyle::SP_DialogOpenButton), &TEdit::ToolButton2Click)
      ->setShortcut(QKeySequence::Open);
  addButton("ToolButton3", "保存", ThemeIcon("document-save", QStyle::SP_DialogSaveButton), &TEdit::ToolButton3Click)
      ->setShortcut(QKeySequence::Save);
  addSeparator("ToolButton4");
  // Undo and the clipboard keep the text area's own keys; the buttons carry none.
  addButton("ToolButton5", "戻す", ThemeIcon("edit-undo", QStyle::SP_ArrowBack), &TEdit::ToolButton5Click);
  addButton("ToolButton6", "コピー", ThemeIcon("edit-copy", ":/icons/edit-copy.svg"), &TEdit::ToolButton6Click);
  addButton("ToolButton7", "切り取り", ThemeIcon("edit-cut", ":/icons/edit-cut.svg"), &TEdit::ToolButton7Click);
  addButton("ToolButton8", "貼り付け", ThemeIcon("edit-paste", ":/icons/edit-paste.svg"), &TEdit::ToolButton8Click);
  addSeparator("ToolButton9");
  addButton("ToolButton10", "終了", ThemeIcon("window-close", ":/icons/window-close.svg"), &TEdit::ToolButton10Click);
}

void TEdit::ShowSong(const library::EditorContent& content) {
  setWindowTitle(FromCp932(content.caption));
  if (content.text) SetMemoText(FromCp932(*content.text));
  show();
  raise();
  activateWindow();
}

void TEdit::SetMemoText(const QString& text) {
  Memo->setPlainText(WithNewlines(text));
  Memo->document()->setModified(false);
}

bool TEdit::ConfirmDiscard() {
  if (!Memo->document()->isModified()) return true;
  QString message = Ui("編集中の歌詞が全て消去されます。%sよろしいですか？");
  message.replace(QStringLiteral("%s"), QStringLiteral("\n"));
  return ShowBox(this, BoxKind::Confirm, message);
}

void TEdit::ToolButton1Click() {
  if (!ConfirmDiscard()) return;
  SetMemoText(QString());
}

void TEdit::ToolButton2Click() {
  if (!ConfirmDiscard()) return;
  if (Od->exec() != QDialog::Accepted) return;
  const QStringList picked = Od->selectedFiles();
  if (picked.isEmpty()) return;
  RunCommand(this, [&] { LoadTextFile(picked.front()); });
}

void TEdit::LoadTextFile(const QString& path) {
  const std::string text = library::OpenedFileText(ReadUserFile(path), ToCp932(path));
  SetMemoText(FromCp932(text));
}

void TEdit::ToolButton3Click() {
  // The library writes every line ended by CR LF.
  state_.LyricsText = ToCp932(Memo->toPlainText());
  // A failed write keeps the window and its text, so nothing typed is lost.
  if (!RunCommand(this, [this] { library::SaveLyrics(state_); })) return;
  close();
}

void TEdit::ToolButton5Click() { Memo->undo(); }
void TEdit::ToolButton6Click() { Memo->copy(); }
void TEdit::ToolButton7Click() { Memo->cut(); }
void TEdit::ToolButton8Click() { Memo->paste(); }
void TEdit::ToolButton10Click() { close(); }

void TEdit::closeEvent(QCloseEvent* event) {
  // Closing never asks: edits not saved are dropped and the next showing starts afresh.
  SetMemoText(QString());
  event->accept();
}

}  // namespace app
