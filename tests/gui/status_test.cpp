// SPDX-License-Identifier: MIT
// The status line: the verdict, what was hashed, a long run's progress; the Hash box's copy form;
// names for assistive technology.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QThread>
#include <QTimer>
#include <functional>

#include "testerwindow.h"
#include "ui/dialogs/alert.h"
#include "ui/tester/statusline.h"

namespace {

using guitest::TesterWindow;
using guitest::waitfor;

TEST_F(TesterWindow, TheStatusLineSaysWhatWasHashedAndWhetherItMatches) {
  struct Case {
    int entry;             // selected first (0: none)
    int mode;              // 0 text, 1 hex
    const char* message;   // typed over the box; nullptr keeps the entry's
    const char* expected;  // typed over the expected digest; nullptr keeps the entry's
    const char* status;
  };
  const Case cases[] = {
      {2, 0, nullptr, nullptr, "\u2713 Match \u00B7 3 bytes"},
      {2, 1, nullptr, nullptr, "\u2713 Match \u00B7 3 bytes: 61 62 63"},
      {2, 0, nullptr, "a9993e36 4706816b ba3e2571 7850c26c 9cd0d89d", "\u2717 Mismatch in word 2 of 5 \u00B7 3 bytes"},
      {2, 0, nullptr, "A9993E37 4706816A BA3E2571 7850C26C 9CD0D89E", "\u2717 Mismatch in words 1 and 5 of 5 \u00B7 3 bytes"},
      {2, 0, nullptr, " a9993e364706816aba3e2571 7850c26c9cd0d89d", "\u2713 Match \u00B7 3 bytes"},
      {2, 0, nullptr, "a9993e364706816aba3e25717850c26c9cd0d89d  -", "\u2713 Match \u00B7 3 bytes"},  // pasted from sha1sum
      {2, 0, nullptr, "a9993e364706816aba3e25717850c26c9cd0d89", "No verdict: Expected holds 39 hex digits, a digest has 40 \u00B7 3 bytes"},
      {11, 0, nullptr, nullptr, "\u2713 Match \u00B7 1,000,000 bytes: the million \"a\" that the marker stands for"},
      {0, 0, "hello", nullptr, "5 bytes"},
      {0, 0, "abc\ndef", nullptr, "8 bytes \u00B7 line breaks as CR LF"},  // why it differs from printf "abc\ndef"
      {0, 1, "hello", nullptr, "1 byte: 0E \u00B7 4 characters skipped, the first \"h\" \u00B7 odd count: a leading 0 was added"},
      {0, 1, "0x61 0x62", nullptr, "2 bytes: 61 62 \u00B7 2 prefixes (\"0x\" or \"\\x\") read as such"},
      {0, 1, "10x zz", nullptr, "1 byte: 10 \u00B7 3 characters skipped, the first \"x\" \u00B7 \"0x\" reads as the digit 0 and a skipped x"},
      {0, 1, "zz qq", nullptr, "0 bytes \u00B7 4 characters skipped, the first \"z\""},
      {0, 1, "0102030405060708090a", nullptr, "10 bytes: 01 02 03 04 05 06 07 08 ..."},
      {0, 1, "ff Fe", nullptr, "2 bytes: FF FE"},                                  // lower-case digits count
      {0, 0, "a...a x 1,000,000!", nullptr, "18 bytes"},                           // the marker and more is text
  };
  for (const Case& c : cases) {
    choosemode(c.mode);
    pick(c.entry);
    if (c.message != nullptr) replacemessage(c.message);
    if (c.expected != nullptr) {
      window.exphash->selectAll();
      QTest::keyClicks(window.exphash, c.expected);
    }
    presshash();
    EXPECT_EQ(window.status->toolTip(), QString(c.status)) << c.entry << " " << c.mode << " " << (c.message ? c.message : "");
    EXPECT_EQ(window.status->accessibleDescription(), window.status->toolTip());
  }
  // A new expected digest gets its verdict at once, without hashing again; so does a paste of
  // several sha1sum lines, said so.
  choosemode(0);
  pick(2);
  presshash();
  QTest::keyClick(window.exphash, Qt::Key_Backspace);
  EXPECT_EQ(window.status->toolTip(), "No verdict: Expected holds 39 hex digits, a digest has 40 \u00B7 3 bytes");
  QTest::keyClick(window.exphash, Qt::Key_D);
  EXPECT_EQ(window.status->toolTip(), "\u2713 Match \u00B7 3 bytes");
  window.exphash->selectAll();
  QApplication::clipboard()->setText("a9993e364706816aba3e25717850c26c9cd0d89d  abc.txt\nda39a3ee5e6b4b0d3255bfef95601890afd80709  empty.txt\n");
  QTest::keyClick(window.exphash, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(window.status->toolTip(), "\u2713 Match \u00B7 3 bytes \u00B7 Expected holds 2 digests: the first was compared");
  // A change of the computed digest takes the verdict away.
  replacemessage("abcd");
  EXPECT_EQ(window.status->toolTip(), "");
}

// The mismatch marks stand out at 4.5:1 on a light theme's box and on a dark one's (a fixed dark red
// on #242424 was 2.1:1).
TEST(MarkColour, StandsOutOnLightAndDarkBoxes) {
  for (const QColor background : {QColor(Qt::white), QColor(0xF0, 0xF0, 0xF0), QColor(0x24, 0x24, 0x24), QColor(Qt::black), QColor(0x3C, 0x3F, 0x41)}) {
    EXPECT_GE(tester::contrast(tester::markcolour(background), background), 4.5) << background.name().toStdString();
  }
  EXPECT_NEAR(tester::contrast(Qt::white, Qt::black), 21.0, 0.01);
  EXPECT_LT(tester::contrast(QColor(0xB0, 0x00, 0x00), QColor(0x24, 0x24, 0x24)), 4.5) << "the fault the marks had";
}

// A request over a big hex box, slowed at its first yield: its progress shows; Escape stops it and
// nothing more is written; whatever stops it, its progress goes.
TEST_F(TesterWindow, ALongRunShowsItsProgressAndWhateverStopsItClearsIt) {
  struct Case {
    std::function<void()> stop;
    QString status;
  };
  const Case cases[] = {{[this] { QTest::keyClick(&window, Qt::Key_Escape); }, "Cancelled: nothing more was written"},
                        {[this] { QTest::keyClick(box(), Qt::Key_Space); }, ""},
                        {[this] { choosemode(0); }, "Your message, converted to text"}};
  for (const Case& c : cases) {
    choosemode(1);
    QApplication::clipboard()->setText(QString("61 ").repeated(20'000));
    replacemessage("");
    QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
    QString during;
    QTimer::singleShot(0, [&] {
      QThread::msleep(600);
      QTimer::singleShot(0, [&] {
        during = window.status->text();
        c.stop();
      });
    });
    presshash();
    EXPECT_TRUE(during.startsWith("Reading the hex digits:") && during.endsWith("%  (Escape cancels)")) << during.toStdString();
    waitfor([&] { return window.Command1_1->isEnabled(); });
    EXPECT_EQ(window.status->text(), c.status);
    EXPECT_EQ(window.hash->text(), "");
    expectidle();
  }
}

TEST_F(TesterWindow, TheComputedDigestIsReadOnlyAndCopiesAsFortyLowerCaseDigits) {
  pick(2);
  QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(window.status->toolTip(), "Nothing to copy: press Hash Message first");
  presshash();
  window.hash->setFocus();
  for (const auto key : {Qt::Key_X, Qt::Key_Backspace, Qt::Key_Backspace}) {
    QTest::keyClick(window.hash, key);
    EXPECT_EQ(window.hash->text(), "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D");
  }
  for (int copies = 0; copies < 2; ++copies) QTest::keyClick(window.hash, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(window.status->toolTip(), "\u2713 Match \u00B7 3 bytes \u00B7 copied as 40 lower-case digits") << "said once, however often";
  // The Hash box's menu offers both forms, whatever is selected.
  QApplication::clipboard()->clear();
  window.hash->deselect();
  EXPECT_TRUE(menuchoice(window.hash, "Copy Digest as Shown"));
  EXPECT_EQ(QApplication::clipboard()->text(), "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D");
  EXPECT_TRUE(menuchoice(window.hash, "Copy Digest as 40 Lower-Case Digits"));
  EXPECT_EQ(QApplication::clipboard()->text(), "a9993e364706816aba3e25717850c26c9cd0d89d");
  type("d");
  EXPECT_FALSE(menuchoice(window.hash, "Copy Digest as Shown")) << "offered with no digest to copy";
}

// The words "Text" and "Hex" select their buttons when clicked, and name them for a screen reader.
TEST_F(TesterWindow, TheWordsBesideTheModeButtonsSelectThem) {
  pick(2);
  for (const int mode : {1, 0}) {
    QLabel* words = window.Label1[static_cast<std::size_t>(mode) + 1];
    QTest::mouseClick(words, Qt::LeftButton);
    EXPECT_TRUE(window.inputmode[static_cast<std::size_t>(mode)]->isChecked()) << words->text().toStdString();
    EXPECT_EQ(shown(), mode == 1 ? "61 62 63 " : "abc");
    const auto labels = QAccessible::queryAccessibleInterface(window.inputmode[static_cast<std::size_t>(mode)])->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.front().first->object(), words);
  }
}

// Every control a user can reach has a name, and a box is named by what it is, not by what it holds
// (a combo box on Linux reports its text as its name by design: its label names it).
TEST_F(TesterWindow, EveryControlHasANameThatIsNotItsValue) {
  pick(2);
  presshash();
  dialogs::alert alert;
  for (QWidget* form : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&alert)}) {
    for (QWidget* control : form->findChildren<QWidget*>()) {
      if (control->focusPolicy() == Qt::NoFocus) continue;
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
      QString name = accessible->text(QAccessible::Name);
      QString value;
      if (auto* line = qobject_cast<QLineEdit*>(control)) value = line->text();
      if (auto* list = qobject_cast<QComboBox*>(control)) value = list->currentText();
      if (auto* text = qobject_cast<QPlainTextEdit*>(control)) value = text->toPlainText();
      const auto labels = accessible->relations(QAccessible::Label);
      if (name == value && !labels.empty()) name = labels.front().first->text(QAccessible::Name);
      EXPECT_FALSE(name.isEmpty()) << control->metaObject()->className();
      EXPECT_NE(name, value) << control->metaObject()->className();
    }
  }
  const auto labels = QAccessible::queryAccessibleInterface(combo())->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels.front().first->text(QAccessible::Name), "Test");
}

}  // namespace
