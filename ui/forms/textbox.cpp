#include "ui/forms/textbox.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

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

}  // namespace

TextBox::TextBox(QWidget* parent) : QObject(parent), widget_(new QPlainTextEdit(parent)) {
  widget_->installEventFilter(this);
  widget_->viewport()->installEventFilter(this);
  QObject::connect(widget_, &QPlainTextEdit::textChanged, this, [this] { takeuseredit(); });
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
  // Keep the caret and the view where the user left them, as far as the new text allows.
  const int caret = widget_->textCursor().position();
  const int scroll = widget_->verticalScrollBar()->value();
  flushing_ = true;
  widget_->setPlainText(text_);
  flushing_ = false;
  QTextCursor cursor = widget_->textCursor();
  cursor.setPosition(std::min(caret, static_cast<int>(text_.size())));
  widget_->setTextCursor(cursor);
  widget_->verticalScrollBar()->setValue(scroll);
}

void TextBox::takeuseredit() {
  if (flushing_) return;
  QString edited = widget_->toPlainText();
  if (edited == text_) return;
  text_ = std::move(edited);
  if (onchange) onchange();
}

bool TextBox::eventFilter(QObject* watched, QEvent* event) {
  // Input must land on the text as it is now, not on an older copy in the widget.
  if (widgetstale_ && isuserinput(event->type())) flush();
  return QObject::eventFilter(watched, event);
}

}  // namespace forms
