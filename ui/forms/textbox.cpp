// SPDX-License-Identifier: MIT
#include "ui/forms/textbox.h"

#include <QEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QUrl>
#include <algorithm>

namespace forms {
namespace {

// About 25 updates a second: the box visibly fills, and a 30,000-character display spends its time
// on the text, not on laying it out again.
constexpr int flushintervalms = 40;

bool isuserinput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

// A word this long already lays out in tens of milliseconds at word boundaries; a million-character
// one would take a minute.
constexpr qsizetype longword = 4096;

bool haslongword(const QString& text) {
  qsizetype run = 0;
  for (const QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > longword) return true;
  }
  return false;
}

// The plain text of the document as typed: toPlainText() would turn no-break spaces into blanks.
QString rawtext(const QPlainTextEdit* edit) {
  QString text = edit->document()->toRawText();
  for (QChar& c : text) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
  }
  return text;
}

// The edit control, told of a paste or drop before it is laid out.
class PlainTextEdit : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
  std::function<void(const QString&)> beforeinsert;
  // Takes a big text in place of the widget, when set; false leaves it to the widget.
  std::function<bool(const QString&)> takesbig;
  const bool* takesfiles = nullptr;

 protected:
  // A dragged file left alone goes on to the window, instead of landing here as its name.
  bool canInsertFromMimeData(const QMimeData* source) const override {
    const QList<QUrl> urls = source->urls();
    if (!*takesfiles && std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) return false;
    return QPlainTextEdit::canInsertFromMimeData(source);
  }
  // The source's text is read once and inserted here: a clipboard's owner may serve its data only
  // once (xclip -loops 1), and the widget's own insert, asking again, crashed on what it got. Like
  // the widget's own, nothing but text is inserted.
  void insertFromMimeData(const QMimeData* source) override {
    if (source == nullptr || !source->hasText()) return;
    const QString text = source->text();
    if (text.isEmpty()) return;
    if (takesbig && text.size() > TextBox::bigtext && takesbig(text)) return;
    if (beforeinsert) beforeinsert(text);
    QTextCursor cursor = textCursor();
    cursor.insertText(text);  // over the selection, as a paste does
    setTextCursor(cursor);
    ensureCursorVisible();
  }
};

}  // namespace

TextBox::TextBox(QWidget* parent) : QObject(parent) {
  auto* edit = new PlainTextEdit(parent);
  edit->beforeinsert = [this](const QString& inserted) { adaptwrap(haslongword(inserted) || haslongword(text_)); };
  edit->takesfiles = &takesfiledrops;
  edit->takesbig = [this](const QString& inserted) {
    if (!onbigtext) return false;
    const QTextCursor cursor = widget_->textCursor();
    onbigtext(text_.left(cursor.selectionStart()) + inserted + text_.mid(cursor.selectionEnd()));
    return true;
  };
  widget_ = edit;
  widget_->installEventFilter(this);
  widget_->viewport()->installEventFilter(this);
  QObject::connect(widget_, &QPlainTextEdit::textChanged, this, [this] { takeuseredit(); });
  QObject::connect(widget_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
    if (!flushing_) caret_ = widget_->textCursor().position();
  });
  flushtimer_.setSingleShot(true);
  QObject::connect(&flushtimer_, &QTimer::timeout, this, [this] { flush(); });
  sincelastflush_.start();
}

void TextBox::settext(const QString& text) {
  if (text == text_) return;
  text_ = text;
  widgetstale_ = true;
  if (sincelastflush_.elapsed() >= flushintervalms) {
    flush();
  } else if (!flushtimer_.isActive()) {
    flushtimer_.start(flushintervalms - static_cast<int>(sincelastflush_.elapsed()));
  }
  if (onchange) onchange();
}

void TextBox::flush() {
  flushtimer_.stop();
  sincelastflush_.restart();
  if (!widgetstale_) return;
  widgetstale_ = false;
  // Keep the caret and the view where the user left them, as far as the new text allows: a text
  // that shrinks and grows again (a display starting over) brings the caret back too.
  const int scroll = widget_->verticalScrollBar()->value();
  flushing_ = true;
  adaptwrap(haslongword(text_));
  widget_->setPlainText(text_);
  QTextCursor cursor = widget_->textCursor();
  cursor.setPosition(std::min(caret_, static_cast<int>(text_.size())));
  widget_->setTextCursor(cursor);
  flushing_ = false;
  widget_->verticalScrollBar()->setValue(scroll);
}

void TextBox::takeuseredit() {
  if (flushing_) return;
  QString edited = rawtext(widget_);
  if (edited == text_) return;
  text_ = std::move(edited);
  adaptwrap(haslongword(text_));
  if (onchange) onchange();
}

void TextBox::adaptwrap(bool longword) {
  const auto mode = longword ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
  if (widget_->wordWrapMode() != mode) widget_->setWordWrapMode(mode);
}

bool TextBox::eventFilter(QObject* watched, QEvent* event) {
  // Input must land on the text as it is now, not on an older copy in the widget.
  if (widgetstale_ && isuserinput(event->type())) flush();
  return QObject::eventFilter(watched, event);
}

}  // namespace forms
