// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Edit_Words.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QKeySequence>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cerrno>
#include <functional>

#include "app/AppIcon.h"
#include "app/Boxes.h"
#include "app/CommandGuard.h"
#include "app/QtText.h"
#include "library/FileErrors.h"
#include "library/LrcText.h"
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

// A list longer than this ends with a count of the rest.
constexpr std::size_t kListedUnkept = 10;

// A text file dropped on the text area opens as Open does; other drops insert as usual.
class MemoEdit : public QPlainTextEdit {
public:
  MemoEdit(QWidget* parent, std::function<void(const QString&)> openFile)
      : QPlainTextEdit(parent), openFile_(std::move(openFile)) {}

protected:
  bool canInsertFromMimeData(const QMimeData* source) const override {
    return !DroppedFile(source).isEmpty() || QPlainTextEdit::canInsertFromMimeData(source);
  }
  void insertFromMimeData(const QMimeData* source) override {
    const QString file = DroppedFile(source);
    if (file.isEmpty()) {
      QPlainTextEdit::insertFromMimeData(source);
      return;
    }
    // The drop finishes before the file is opened, so that a question can be asked.
    QTimer::singleShot(0, this, [this, file] { openFile_(file); });
  }

private:
  std::function<void(const QString&)> openFile_;
};

}  // namespace

QString DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

library::OpenedText ReadLyricsTextFile(const QString& path) {
  library::OpenedText opened = library::OpenTextFile(ReadUserFile(path), ToCp932(path));
  opened.text = library::LyricsFromLrc(opened.text);
  return opened;
}

QString UnkeptList(const std::vector<platform::UnkeptChar>& unkept) {
  QStringList lines;
  for (std::size_t i = 0; i < unkept.size() && i < kListedUnkept; ++i) {
    const platform::UnkeptChar& lost = unkept[i];
    const bool shown = lost.code != 0xFFFD && (lost.code < 0xD800 || lost.code > 0xDFFF);
    const QString glyph = shown ? Ui("「") + QString::fromUcs4(&lost.code, 1) + Ui("」") : Ui("（読めない文字）");
    lines << Ui("%1 行 %2 文字目%3 U+%4")
                 .arg(lost.line)
                 .arg(lost.column)
                 .arg(glyph)
                 .arg(QString::number(static_cast<uint>(lost.code), 16).toUpper().rightJustified(4, QLatin1Char('0')));
  }
  if (unkept.size() > kListedUnkept) lines << Ui("ほか %1 文字").arg(unkept.size() - kListedUnkept);
  return lines.join(QLatin1Char('\n'));
}


TEdit::TEdit(library::MainState& state, QWidget* parent) : QWidget(parent, Qt::Window), state_(state) {
  setObjectName(QStringLiteral("TEdit"));
  setWindowTitle(QStringLiteral("Edit Words"));
  setWindowIcon(AppIcon());
  resize(521, 365);

  Memo = new MemoEdit(this, [this](const QString& path) { OpenFile(path); });
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

  auto* escape = new QAction(this);
  escape->setObjectName("EscapeAction");
  escape->setShortcut(Qt::Key_Escape);
  escape->setShortcutContext(Qt::WindowShortcut);
  connect(escape, &QAction::triggered, this, &QWidget::close);
  addAction(escape);
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
  OpenFile(picked.front());
}

void TEdit::OpenFile(const QString& path) {
  library::OpenedText opened;
  if (RunCommand(this, [&] { opened = ReadLyricsTextFile(path); })) ShowOpenedText(opened);
}

bool TEdit::ShowOpenedText(const library::OpenedText& opened, bool markChanged) {
  if (!opened.unkept.empty()) {
    const QString message = Ui("次の文字は Shift_JIS にないため、開くと「?」になります。\n\n") +
                            UnkeptList(opened.unkept) + Ui("\n\n開きますか？");
    if (!ShowBox(this, BoxKind::OkCancel, message)) return false;
  }
  SetMemoText(FromCp932(opened.text));
  Memo->document()->setModified(markChanged);
  return true;
}

void TEdit::ToolButton3Click() {
  if (SaveText()) close();
}

bool TEdit::SaveText() {
  const QString text = Memo->toPlainText();
  const std::vector<platform::UnkeptChar> unkept =
      platform::Cp932Unkept(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                static_cast<std::size_t>(text.size())));
  if (!unkept.empty()) {
    // Saving would turn them into "?": the text stays for the user to mend.
    ShowBox(this, BoxKind::Error,
            Ui("Shift_JIS にない文字があるため保存できません。\n次の文字を直してから保存してください。\n\n") +
                UnkeptList(unkept));
    return false;
  }
  // The library writes every line ended by CR LF.
  state_.LyricsText = ToCp932(text);
  // A failed write keeps the window and its text, so nothing typed is lost.
  if (!RunCommand(this, [this] { library::SaveLyrics(state_); })) return false;
  Memo->document()->setModified(false);
  emit Saved();
  return true;
}

void TEdit::ToolButton5Click() { Memo->undo(); }
void TEdit::ToolButton6Click() { Memo->copy(); }
void TEdit::ToolButton7Click() { Memo->cut(); }
void TEdit::ToolButton8Click() { Memo->paste(); }
void TEdit::ToolButton10Click() { close(); }

bool TEdit::SettleChanges() {
  if (!Memo->document()->isModified()) return true;
  switch (AskSaveChanges(this, Ui("歌詞が変更されています。保存しますか？"))) {
    case SaveAnswer::Save: return SaveText();
    case SaveAnswer::Discard: SetMemoText(QString()); return true;
    case SaveAnswer::Cancel: break;
  }
  return false;
}

void TEdit::closeEvent(QCloseEvent* event) {
  if (!SettleChanges()) {
    event->ignore();
    return;
  }
  // The next showing starts afresh.
  SetMemoText(QString());
  event->accept();
}

}  // namespace app
