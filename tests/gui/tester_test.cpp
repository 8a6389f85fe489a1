#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "catalogue/catalogue.h"
#include "driving.h"
#include "ui/forms/combobox.h"
#include "ui/forms/optionbutton.h"
#include "ui/forms/textbox.h"
#include "ui/tester/main.h"

namespace {

using guitest::AlertAnswerer;
using guitest::waitfor;

const QString emptydigest = "DA39A3EE 5E6B4B0D 3255BFEF 95601890 AFD80709";
const QString abcdigest = "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D";
const QString milliondigest = "34AA973C D4C4DAA4 F61EEB2B DBAD2731 6534016F";

QString hexform(const std::string& message) {
  QString text;
  for (const char c : message) text += QString::asprintf("%02X ", static_cast<unsigned char>(c));
  return text;
}

class TesterWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  QComboBox* combo() { return window.Combo1->widget(); }
  QPlainTextEdit* box() { return window.message->widget(); }

  // Picks an entry from the drop-down list with the mouse.
  void pick(int index) {
    combo()->showPopup();
    QAbstractItemView* list = combo()->view();
    ASSERT_TRUE(waitfor([list] { return list->isVisible(); }));
    const QModelIndex entry = list->model()->index(index, 0);
    list->scrollTo(entry);
    const QRect item = list->visualRect(entry);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
  }
  void choosemode(int index) { QTest::mouseClick(window.inputmode[static_cast<std::size_t>(index)], Qt::LeftButton); }
  void presshash() { QTest::mouseClick(window.Command1_1, Qt::LeftButton); }
  void type(const QString& text) {
    box()->setFocus();
    QTest::keyClick(box(), Qt::Key_End, Qt::ControlModifier);
    guitest::typetext(box(), text);
  }
  void replacemessage(const QString& text) {
    box()->setFocus();
    QTest::keyClick(box(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box(), Qt::Key_Delete);
    guitest::typetext(box(), text);
  }
  // What the message box shows, once the widget has caught up with the text.
  QString shown() {
    waitfor([this] { return box()->toPlainText() == window.message->text(); });
    return box()->toPlainText();
  }
  void expectidle() {
    EXPECT_TRUE(window.Command1_1->isEnabled());
    EXPECT_EQ(window.Command1_1->text(), "Hash Message");
  }

  tester::main window;
};

TEST_F(TesterWindow, StartsReadyWithEverythingEmpty) {
  EXPECT_EQ(window.windowTitle(), "SHA1 Hash Function Tester 1.00.03");
  EXPECT_EQ(combo()->currentText(), "Select a test vector to hash");
  EXPECT_EQ(shown(), "");
  EXPECT_TRUE(window.inputmode[0]->isChecked());
  expectidle();
}

// What each entry shows; that its digest is right is the catalogue's own test.
TEST_F(TesterWindow, EveryEntryShowsItsMessageAsTextOrHexPairsAndItsExpectedDigest) {
  const auto entries = catalogue::entries();
  for (const int mode : {0, 1}) {
    choosemode(mode);
    for (int i = catalogue::emptymessageentry; i < catalogue::millionentry; ++i) {
      pick(i);
      const auto& entry = entries[static_cast<std::size_t>(i)];
      EXPECT_EQ(combo()->currentText().toStdString(), entry.text);
      EXPECT_EQ(shown(), mode == 0 ? QString::fromStdString(entry.message) : hexform(entry.message)) << i;
      EXPECT_EQ(window.exphash->text().toStdString(), entry.expected) << i;
      EXPECT_EQ(window.hash->text(), "");
      expectidle();
    }
  }
  pick(2);
  presshash();
  EXPECT_EQ(window.hash->text(), abcdigest) << "the hex pairs shown hash as the message";
  pick(catalogue::millionentry);
  EXPECT_TRUE(window.inputmode[0]->isChecked()) << "the marker is text in either mode";
  EXPECT_EQ(shown(), "a...a x 1,000,000");
  EXPECT_EQ(window.exphash->text(), milliondigest);
}

TEST_F(TesterWindow, SwitchingModesShowsTheSameEntryAgain) {
  pick(4);
  presshash();
  choosemode(1);
  EXPECT_EQ(shown(), hexform("The quick brown fox jumps over the lazy cog"));
  EXPECT_EQ(window.exphash->text(), "DE9F2C7F D25E1B3A FAD3E85A 0BD17D9B 100DB4B3");
  EXPECT_EQ(window.hash->text(), "") << "a mode switch clears the computed digest";
  choosemode(0);
  EXPECT_EQ(shown(), "The quick brown fox jumps over the lazy cog");
  EXPECT_EQ(combo()->currentIndex(), 4);
}

TEST_F(TesterWindow, TypingClearsBothDigestsAndNothingElse) {
  pick(2);
  presshash();
  ASSERT_EQ(window.hash->text(), abcdigest);
  type("d");
  EXPECT_EQ(shown(), "abcd");
  EXPECT_EQ(window.exphash->text(), "");
  EXPECT_EQ(window.hash->text(), "");
  EXPECT_EQ(combo()->currentIndex(), 2);
  presshash();
  EXPECT_EQ(window.hash->text(), "81FE8BFE 87576C3E CB22426F 8E578473 82917ACF");
}

// Text mode: every character one byte in Windows-1252, a line break CR LF. Hex mode: only the
// digits count, in either case, in pairs, an odd count with a leading 0. Only the exact marker
// stands for the million "a".
TEST_F(TesterWindow, HashesWhatIsTypedAsTheModeReadsIt) {
  struct Case { int mode; QString typed, digest; };
  for (const auto& c : {Case{0, " a b ", "AB51B9B9 84029A2B EE7AA317 BF678EC0 1FDEC97C"},
                        Case{0, "a\nb", "EC6CB5B8 C69F8B47 6A380C9B 6E38E18C 2733AE7B"},  // "a\r\nb"
                        Case{0, QString::fromUtf8("\xC3\xA9\xE2\x82\xAC"), "DD859DB5 B7C237E6 CB63165B E8040932 4D614C51"},  // E9 80
                        Case{1, "61 62 63 ", abcdigest},   // as the catalogue shows "abc"
                        Case{1, "6,16-2\n63", abcdigest},  // separators of any kind, inside pairs too
                        Case{1, "ff", "85E53271 E14006F0 265921D0 2D4D736C DC580B0B"},
                        Case{1, "F f", "85E53271 E14006F0 265921D0 2D4D736C DC580B0B"},
                        Case{1, "abc", "C714CC53 67F75927 93BBA0B9 024C34CD E763E153"},  // bytes 0A BC
                        Case{1, "6", "2D0134ED 3B9DE132 C720FE69 7B532B4C 232FF9FE"},    // byte 06
                        Case{1, " xyz", emptydigest},
                        Case{0, "a...a x 1,000,000", milliondigest},
                        Case{1, "a...a x 1,000,000", milliondigest},
                        Case{0, "A...A x 1,000,000", "8E9C5B17 4E21ABD8 AEB549C3 4EEDB37C FAB2AE2A"},
                        Case{1, "a...a  x 1,000,000", "B838449D 0142C584 5B26D1F0 4ACF17D8 F8171A90"},  // digits aa1000000
                        Case{1, QString::fromUtf8("\xEF\xBC\x96\xEF\xBC\x91") + "zz61", "86F7E437 FAA5A7FC E15D1DDC B9EAEAEA 377667B8"}}) {
    choosemode(c.mode);
    replacemessage(c.typed);
    presshash();
    EXPECT_EQ(window.hash->text(), c.digest) << c.mode << " " << c.typed.toStdString();
    EXPECT_EQ(window.exphash->text(), "");
    expectidle();
  }
}

TEST_F(TesterWindow, EmptyBoxSelectsTheEmptyMessageEntryInEitherMode) {
  for (const int mode : {0, 1}) {
    choosemode(mode);
    pick(2);
    replacemessage("");
    presshash();
    EXPECT_EQ(combo()->currentText(), "(Empty Message)");
    EXPECT_EQ(window.exphash->text(), emptydigest);
    EXPECT_EQ(window.hash->text(), emptydigest);
    expectidle();
  }
}

TEST_F(TesterWindow, CharacterOutsideWindows1252IsReportedAndNothingIsHashed) {
  replacemessage(QString::fromUtf8("ab\xE4\xB8\xAD"));  // U+4E2D at position 3
  AlertAnswerer answerer({AlertAnswerer::Answer::ok});
  presshash();
  ASSERT_EQ(answerer.seen().size(), 1U);
  EXPECT_EQ(answerer.seen()[0].title, "Error");
  EXPECT_TRUE(answerer.seen()[0].message.contains("U+4E2D")) << answerer.seen()[0].message.toStdString();
  EXPECT_TRUE(answerer.seen()[0].message.contains("position 3"));
  EXPECT_EQ(window.hash->text(), "");
  expectidle();
}

TEST_F(TesterWindow, TypingDuringTheHexDisplayLandsOnTheCurrentText) {
  choosemode(1);
  // A key press a thousand pairs into the display, while the widget may lag behind the text.
  QTimer typist;
  QObject::connect(&typist, &QTimer::timeout, [&] {
    if (window.message->text().size() < 3000) return;
    typist.stop();
    box()->setFocus();
    QTest::keyClick(box(), Qt::Key_Z);
  });
  typist.start(0);
  pick(10);
  const QString text = shown();
  EXPECT_EQ(text.size(), 30'001);
  EXPECT_EQ(text.count('z'), 1);
  EXPECT_EQ(window.exphash->text(), "A080CBDA 64850ABB 7B7F67EE 875BA068 074FF6FE");
}

TEST_F(TesterWindow, HoldsTheSizeItWasFirstShownAt) {
  const QSize first = window.size();
  window.resize(first.width() + 120, first.height() - 40);
  EXPECT_EQ(window.size(), first);

  window.showMaximized();
  EXPECT_TRUE(waitfor([this] { return window.WindowState() == 0; }));
  QTest::qWait(50);
  EXPECT_EQ(window.size(), first);

  window.showMinimized();
  QTest::qWait(20);
  EXPECT_EQ(window.WindowState(), 1) << "a minimised window stays minimised";
  window.showNormal();
  EXPECT_TRUE(waitfor([this] { return window.WindowState() == 0; }));
  EXPECT_EQ(window.size(), first);
}

}  // namespace
