// SPDX-License-Identifier: MIT
// A multi-line text box with the form runtime's rules on a QPlainTextEdit:
// - settext from code runs onchange at once, inside the call; the same text again runs nothing;
// - an edit by the user runs onchange too;
// - text() is the authoritative text and costs nothing to read (a shared QString); it keeps every
//   character as typed (a no-break space too), with "\n" between lines.
// The widget is brought up to date at a bounded rate and always before user input reaches it,
// because laying out a long paragraph after every small change is what makes QPlainTextEdit slow;
// its caret stays where the user last put it, as far as the text reaches.
// Lines wrap at word boundaries, except in a text with a very long word: there they wrap anywhere,
// since breaking a word of n characters at word boundaries costs time in the square of n.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QPlainTextEdit;
class QWidget;

namespace forms {

class TextBox : public QObject {
 public:
  explicit TextBox(QWidget* parent);

  const QString& text() const { return text_; }
  void settext(const QString& text);

  // The change handler, run for every change of the text, by code or by the user.
  std::function<void()> onchange;
  // Whether a dragged file is dropped in as text (its name); when not, the drop goes to the window.
  bool takesfiledrops = true;
  // A paste or drop of more characters than bigtext goes, when this is set, not into the widget
  // (laying it out would hold the window for seconds) but to this, as the whole text the box would
  // then hold; the box is left as it was.
  static constexpr qsizetype bigtext = qsizetype{4} << 20;
  std::function<void(const QString& whole)> onbigtext;

  QPlainTextEdit* widget() const { return widget_; }
  // Brings the widget up to date now.
  void flush();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void takeuseredit();
  void adaptwrap(bool longword);

  QPlainTextEdit* widget_;
  QString text_;
  bool widgetstale_ = false;
  bool flushing_ = false;
  int caret_ = 0;  // where the user last put the caret
  QElapsedTimer sincelastflush_;
  QTimer flushtimer_;
};

}  // namespace forms
