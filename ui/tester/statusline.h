// SPDX-License-Identifier: MIT
// The status line under "Hash": the verdict, what was hashed, a long run's progress; and the words
// it says them in.
#pragma once

#include <QColor>
#include <QString>
#include <cstddef>
#include <vector>

#include "digest/sha1digest.h"

class QLabel;
class QLineEdit;

namespace input {
struct HexReading;
}

namespace tester {

class StatusLine {
 public:
  explicit StatusLine(QLabel* label) : label_(label) {}

  // Says text (shortened to fit; whole in its tooltip and accessible description).
  void say(const QString& text);
  // A run that began elapsedms ago, more than half a second, shows how far it is.
  void progress(qint64 elapsedms, const QString& what, qsizetype done, qsizetype total);
  // However a run ended, its progress is over.
  void endprogress();
  // The whole of what it says.
  QString text() const;

 private:
  QLabel* label_;
  bool progressshown_ = false;
};

QString bytecount(std::size_t count);
QString charactercount(qsizetype count);
// How a hex box was read: the bytes, what was skipped, the prefixes, a "0x" taken for a digit, an
// odd count.
QString hexreading(const input::HexReading& read);

// "✓ Match", or "✗ Mismatch in words 2 and 4 of 5" with the words that differ (from 0).
struct Verdict {
  QString text;
  std::vector<int> differing;
};
Verdict verdict(const basicutilities::Sha1Digest& computed, const basicutilities::Sha1Digest& expected);

// Marks the words of a digest box that differ (none: no marks), bold and underlined as well as
// red, so that the marks read without colour vision.
void markwords(QLineEdit* box, const std::vector<int>& words);
// The red of the marks on a box of this background: dark on a light one, light on a dark one, so
// that it stands out at 4.5:1 or more, as text must.
QColor markcolour(const QColor& background);
// How far apart two colours stand, as readers of text see it (1:1 to 21:1).
double contrast(const QColor& one, const QColor& other);

}  // namespace tester
