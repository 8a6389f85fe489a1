#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest/QTest>

#include "catalogue/catalogue.h"
#include "driving.h"
#include "ui/forms/combobox.h"
#include "ui/forms/optionbutton.h"
#include "ui/forms/forms.h"
#include "ui/forms/textbox.h"
#include "ui/tester/main.h"
#include "utilities/basicutilities.h"

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
  EXPECT_EQ(combo()->count(), 12);
  EXPECT_EQ(shown(), "");
  EXPECT_EQ(window.exphash->text(), "");
  EXPECT_EQ(window.hash->text(), "");
  EXPECT_TRUE(window.inputmode[0]->isChecked());
  EXPECT_FALSE(window.inputmode[1]->isChecked());
  expectidle();
  EXPECT_EQ(basicutilities::crlf, "\r\n");
  EXPECT_EQ(window.Width(), 6675);
  EXPECT_EQ(window.Height(), 4545);
  EXPECT_EQ(window.Label1[3]->text(), "Expected");
}

TEST_F(TesterWindow, EveryEntryShowsAndHashesToItsDigestInTextMode) {
  const auto entries = catalogue::entries();
  for (int i = 1; i < 12; ++i) {
    pick(i);
    const auto& entry = entries[static_cast<std::size_t>(i)];
    EXPECT_EQ(combo()->currentText().toStdString(), entry.text);
    EXPECT_EQ(shown(), QString::fromStdString(entry.message)) << i;
    EXPECT_EQ(window.exphash->text().toStdString(), entry.expected) << i;
    EXPECT_EQ(window.hash->text(), "");
    expectidle();
    presshash();
    EXPECT_EQ(window.hash->text(), window.exphash->text()) << i;
    expectidle();
  }
}

TEST_F(TesterWindow, EveryEntryShowsAsHexPairsAndHashesToItsDigestInHexMode) {
  choosemode(1);
  const auto entries = catalogue::entries();
  for (int i = 1; i < 11; ++i) {
    pick(i);
    const auto& entry = entries[static_cast<std::size_t>(i)];
    EXPECT_EQ(shown(), hexform(entry.message)) << i;
    EXPECT_EQ(window.exphash->text().toStdString(), entry.expected) << i;
    EXPECT_EQ(window.hash->text(), "");
    presshash();
    EXPECT_EQ(window.hash->text(), window.exphash->text()) << i;
    expectidle();
  }
}

TEST_F(TesterWindow, TheMillionEntryInHexModeSwitchesToTextAndShowsTheMarker) {
  choosemode(1);
  pick(11);
  EXPECT_TRUE(window.inputmode[0]->isChecked());
  EXPECT_EQ(shown(), "a...a x 1,000,000");
  EXPECT_EQ(window.exphash->text(), milliondigest);
  EXPECT_EQ(window.hash->text(), "");
  expectidle();
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

TEST_F(TesterWindow, TextModeHashesEveryCharacterAndLineBreaksAsCrLf) {
  replacemessage(" a b ");
  presshash();
  EXPECT_EQ(window.hash->text(), "AB51B9B9 84029A2B EE7AA317 BF678EC0 1FDEC97C");  // " a b "
  replacemessage("a");
  QTest::keyClick(box(), Qt::Key_Return);
  QTest::keyClicks(box(), "b");
  presshash();
  EXPECT_EQ(window.hash->text(), "EC6CB5B8 C69F8B47 6A380C9B 6E38E18C 2733AE7B");  // "a\r\nb"
  replacemessage(QString::fromUtf8("\xC3\xA9\xE2\x82\xAC"));  // e-acute and the euro sign: bytes E9 80
  presshash();
  EXPECT_EQ(window.hash->text(), "DD859DB5 B7C237E6 CB63165B E8040932 4D614C51");
}

TEST_F(TesterWindow, HexModeTakesOnlyTheDigitsInAnyCaseAndPadsAnOddCount) {
  choosemode(1);
  struct Case { QString typed, digest; };
  for (const auto& c : {Case{"61 62 63 ", abcdigest},       // as the catalogue shows "abc"
                        Case{"6,16-2\n63", abcdigest},      // separators of any kind, inside pairs too
                        Case{"4a", "58668E76 69FD564D 99DB5D58 1FCDB6A5 618440B5"},
                        Case{"4A", "58668E76 69FD564D 99DB5D58 1FCDB6A5 618440B5"},
                        Case{"abc", "C714CC53 67F75927 93BBA0B9 024C34CD E763E153"},  // bytes 0A BC
                        Case{"6", "2D0134ED 3B9DE132 C720FE69 7B532B4C 232FF9FE"},    // byte 06
                        Case{QString::fromUtf8("\xEF\xBC\x96\xEF\xBC\x91") + "zz61", "86F7E437 FAA5A7FC E15D1DDC B9EAEAEA 377667B8"}}) {
    replacemessage(c.typed);
    presshash();
    EXPECT_EQ(window.hash->text(), c.digest) << c.typed.toStdString();
    expectidle();
  }
}

TEST_F(TesterWindow, HexBoxWithoutDigitsHashesTheEmptyMessageAndKeepsTheSelection) {
  pick(3);
  choosemode(1);
  replacemessage(" xyz");
  presshash();
  EXPECT_EQ(window.hash->text(), emptydigest);
  EXPECT_EQ(combo()->currentIndex(), 3);
  EXPECT_EQ(window.exphash->text(), "");
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

TEST_F(TesterWindow, OnlyTheExactMarkerStandsForTheMillionA) {
  for (const int mode : {0, 1}) {
    choosemode(mode);
    replacemessage("a...a x 1,000,000");
    presshash();
    EXPECT_EQ(window.hash->text(), milliondigest) << mode;
  }
  choosemode(0);
  replacemessage("A...A x 1,000,000");
  presshash();
  EXPECT_EQ(window.hash->text(), "8E9C5B17 4E21ABD8 AEB549C3 4EEDB37C FAB2AE2A");
  replacemessage("a...a x 1,000,000 ");
  presshash();
  EXPECT_NE(window.hash->text(), milliondigest);
  choosemode(1);
  replacemessage("a...a  x 1,000,000");  // hex mode: its digits a a 1 0 0 0 0 0 0 are used
  presshash();
  EXPECT_EQ(window.hash->text(), "B838449D 0142C584 5B26D1F0 4ACF17D8 F8171A90");
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

TEST_F(TesterWindow, SelectionDuringTheHexDisplayRunsNestedAndTheOuterRunFinishesLast) {
  choosemode(1);
  QTimer::singleShot(0, [this] { combo()->setCurrentIndex(2); });
  pick(10);
  // The nested run showed "abc"; the outer one went on appending its remaining pairs to that.
  const QString text = shown();
  EXPECT_TRUE(text.startsWith("61 61 61 62 63 ") || text.startsWith("61 62 63 ")) << text.left(20).toStdString();
  EXPECT_TRUE(text.contains("61 62 63 61 61 "));
  EXPECT_EQ(window.exphash->text(), "A080CBDA 64850ABB 7B7F67EE 875BA068 074FF6FE");
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

TEST_F(TesterWindow, HashRequestCanStartInsideAnotherOnceANestedSelectionEnabledTheButton) {
  choosemode(1);
  pick(10);
  QString nesteddigest;
  QTimer::singleShot(0, [this, &nesteddigest] {
    EXPECT_FALSE(window.Command1_1->isEnabled()) << "a click is refused while the request runs";
    combo()->setCurrentIndex(2);
    EXPECT_TRUE(window.Command1_1->isEnabled());
    presshash();
    nesteddigest = window.hash->text();
  });
  presshash();
  EXPECT_EQ(nesteddigest, abcdigest);
  EXPECT_EQ(window.hash->text().size(), 44) << "the outer request finishes last with its own digest";
  expectidle();
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

TEST(Version, MinorAndRevisionKeepTheirLastTwoDigits) {
  EXPECT_EQ(basicutilities::versiontext(1, 0, 3), "1.00.03");
  EXPECT_EQ(basicutilities::versiontext(2, 5, 123), "2.05.23");
  EXPECT_EQ(basicutilities::versiontext(10, 12, 7), "10.12.07");
}

}  // namespace
