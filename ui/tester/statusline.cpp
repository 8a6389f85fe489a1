// SPDX-License-Identifier: MIT
#include "ui/tester/statusline.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTextCharFormat>
#include <algorithm>
#include <cmath>

#include "input/messagebytes.h"
#include "utilities/basicutilities.h"

namespace tester {
namespace {

// A long run shows its progress after this long.
constexpr qint64 progressafterms = 500;

// "61 62 63", the first eight bytes and then "...".
QString firstbytes(const std::string& bytes) {
  const QString pairs = QString::fromStdString(basicutilities::hexencode(std::string_view(bytes).substr(0, 8), basicutilities::HexCase::upper, 1));
  return bytes.size() > 8 ? pairs + " ..." : pairs;
}

// "2", "2 and 4", "1, 2 and 5": words counted from 1.
QString wordlist(const std::vector<int>& words) {
  QString text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? " and " : ", ";
    text += QString::number(words[i] + 1);
  }
  return text;
}

}  // namespace

void StatusLine::say(const QString& text) {
  progressshown_ = false;
  // Cut in the middle: the verdict at the start and the last note both stay in sight.
  label_->setText(label_->fontMetrics().elidedText(text, Qt::ElideMiddle, label_->width()));
  label_->setToolTip(text);
  label_->setAccessibleDescription(text);
  QAccessibleEvent changed(label_, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&changed);
}

void StatusLine::progress(qint64 elapsedms, const QString& what, qsizetype done, qsizetype total) {
  if (elapsedms < progressafterms || total <= 0) return;
  const QString text = QString("%1 %2%  (Escape cancels)").arg(what).arg(done * 100 / total);
  if (text != label_->toolTip()) say(text);
  progressshown_ = true;
}

void StatusLine::endprogress() {
  if (progressshown_) say({});
}

QString StatusLine::text() const { return label_->toolTip(); }

QString bytecount(std::size_t count) {
  return QLocale(QLocale::English).toString(static_cast<qulonglong>(count)) + (count == 1 ? " byte" : " bytes");
}

QString charactercount(qsizetype count) {
  return QLocale(QLocale::English).toString(static_cast<qlonglong>(count)) + (count == 1 ? " character" : " characters");
}

QString hexreading(const input::HexReading& read) {
  QString reading = bytecount(read.bytes.size());
  if (!read.bytes.empty()) reading += ": " + firstbytes(read.bytes);
  if (read.skipped > 0) {
    const QString count = charactercount(static_cast<qsizetype>(read.skipped));
    reading += QString(" \u00B7 %1 skipped, the first \"%2\"").arg(count, QString::fromUcs4(&read.firstskipped, 1));
  }
  if (read.prefixes > 0) {
    const QString count = read.prefixes == 1 ? QString("a prefix") : QString("%1 prefixes").arg(read.prefixes);
    reading += " \u00B7 " + count + " (\"0x\" or \"\\x\") read as such";
  }
  if (read.zerox) reading += " \u00B7 \"0x\" reads as the digit 0 and a skipped x";
  if (read.odd) reading += " \u00B7 odd count: a leading 0 was added";
  return reading;
}

Verdict verdict(const basicutilities::Sha1Digest& computed, const basicutilities::Sha1Digest& expected) {
  Verdict told{"\u2713 Match", {}};
  for (int word = 0; word < 5; ++word) {
    const auto from = static_cast<std::size_t>(4 * word);
    if (!std::equal(computed.begin() + from, computed.begin() + from + 4, expected.begin() + from)) told.differing.push_back(word);
  }
  if (!told.differing.empty()) {
    told.text = QString("\u2717 Mismatch in word%1 %2 of 5").arg(told.differing.size() > 1 ? "s" : "", wordlist(told.differing));
  }
  return told;
}

void markwords(QLineEdit* box, const std::vector<int>& words) {
  QTextCharFormat mark;
  mark.setFontWeight(QFont::Bold);
  mark.setFontUnderline(true);
  mark.setForeground(markcolour(box->palette().color(QPalette::Base)));
  QList<QInputMethodEvent::Attribute> marks;
  for (const int word : words) marks.append({QInputMethodEvent::TextFormat, 9 * word - box->cursorPosition(), 8, mark});
  // A line edit takes formats only through an input method's event, and not while read-only.
  QInputMethodEvent event(QString(), marks);
  const bool readonly = box->isReadOnly();
  box->setReadOnly(false);
  QCoreApplication::sendEvent(box, &event);
  box->setReadOnly(readonly);
  if (words.empty()) box->setAccessibleDescription({});
}

double contrast(const QColor& one, const QColor& other) {
  // Relative luminance from the sRGB channels.
  const auto luminance = [](const QColor& colour) {
    const auto linear = [](double channel) { return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
  };
  const double a = luminance(one) + 0.05, b = luminance(other) + 0.05;
  return std::max(a, b) / std::min(a, b);
}

QColor markcolour(const QColor& background) {
  const QColor dark(0xB0, 0x00, 0x00), light(0xFF, 0x8A, 0x8A);
  return contrast(dark, background) >= contrast(light, background) ? dark : light;
}

}  // namespace tester
