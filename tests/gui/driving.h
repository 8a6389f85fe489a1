// SPDX-License-Identifier: MIT
// Helpers that drive windows as a user would.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtTest/QTest>
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialogs/alert.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.left(120).toStdString() << (text.size() > 120 ? "...\" (" + std::to_string(text.size()) + " characters)" : "\"");
}

namespace guitest {

// A clipboard's owner or a drag's source that serves its data once (as xclip -loops 1 does): asked
// again, it has nothing.
class ServedOnce : public QMimeData {
 public:
  ServedOnce(QString format, QVariant data) : format_(std::move(format)), data_(std::move(data)) {}
  QStringList formats() const override { return {format_}; }
  bool hasFormat(const QString& format) const override { return format == format_; }

 protected:
  QVariant retrieveData(const QString& format, QMetaType) const override {
    if (format != format_ || served_++ > 0) return {};
    return data_;
  }

 private:
  QString format_;
  QVariant data_;
  mutable int served_ = 0;
};

// Pumps events until done() holds or the time is up; returns done().
inline bool waitfor(const std::function<bool()>& done, int timeoutms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeoutms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// Types text into widget key by key; characters beyond ASCII arrive as a key event carrying
// that text, as an input method would deliver them.
inline void typetext(QWidget* widget, const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    if (c == U'\n') {
      QTest::keyClick(widget, Qt::Key_Return);
    } else if (c < 0x80) {
      QTest::keyClicks(widget, QString(QChar(static_cast<char16_t>(c))));
    } else {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
    }
  }
}

// Answers every alert that opens, the way a user would, and records what it said.
class AlertAnswerer {
 public:
  enum class Answer { ok, cancel, close, enter, escape };
  struct Seen {
    QString title, message;
  };

  explicit AlertAnswerer(std::vector<Answer> answers) : answers_(std::move(answers)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { answer(); });
    poll_.start(5);
  }

  const std::vector<Seen>& seen() const { return seen_; }

 private:
  void answer() {
    auto* dialog = dynamic_cast<dialogs::alert*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible() || seen_.size() >= answers_.size()) return;
    seen_.push_back({dialog->windowTitle(), dialog->message->toPlainText()});
    switch (answers_[seen_.size() - 1]) {
      case Answer::ok: QTest::mouseClick(dialog->Command1[0], Qt::LeftButton); break;
      case Answer::cancel: QTest::mouseClick(dialog->Command1[1], Qt::LeftButton); break;
      case Answer::close: dialog->close(); break;
      case Answer::enter: QTest::keyClick(dialog, Qt::Key_Return); break;
      case Answer::escape: QTest::keyClick(dialog, Qt::Key_Escape); break;
    }
  }

  std::vector<Answer> answers_;
  std::vector<Seen> seen_;
  QTimer poll_;
};

}  // namespace guitest
