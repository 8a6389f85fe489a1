// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QClipboard>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <set>

#include "testerwindow.h"

namespace {

using guitest::AlertAnswerer;
using guitest::hexform;
using guitest::TesterWindow;
using guitest::waitfor;

const QString emptydigest = "DA39A3EE 5E6B4B0D 3255BFEF 95601890 AFD80709";
const QString abcdigest = "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D";
const QString milliondigest = "34AA973C D4C4DAA4 F61EEB2B DBAD2731 6534016F";

TEST_F(TesterWindow, StartsReadyWithEverythingEmpty) {
  EXPECT_EQ(window.windowTitle(), "SHA1 Hash Function Tester 1.00.03");
  EXPECT_EQ(combo()->currentText(), "Select a test vector to hash");
  EXPECT_GE(combo()->maxVisibleItems(), combo()->count()) << "the list shows every entry";
  EXPECT_EQ(shown(), "");
  EXPECT_TRUE(window.inputmode[0]->isChecked());
  expectidle();
  EXPECT_EQ(window.focusWidget(), window.Command1_1);
  EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());
  for (const QLabel* label : window.Label1) {
    const QFontMetrics metrics = label->fontMetrics();
    EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width()) << label->text().toStdString();
    EXPECT_LE(metrics.height(), label->contentsRect().height()) << label->text().toStdString();
  }
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

// Each mode reads the box by its rules (their cases are the input module's tests). Only the exact
// marker stands for the million "a".
TEST_F(TesterWindow, HashesWhatIsTypedAsTheModeReadsIt) {
  struct Case { int mode; QString typed, digest; };
  for (const auto& c : {Case{0, "a\nb", "EC6CB5B8 C69F8B47 6A380C9B 6E38E18C 2733AE7B"},  // "a\r\nb"
                        Case{0, QString::fromUtf8("\xC3\xA9\xE2\x82\xAC"), "DD859DB5 B7C237E6 CB63165B E8040932 4D614C51"},  // E9 80
                        Case{0, QString::fromUtf8("a\xC2\xA0" "b"), guitest::peerdigest("a\xA0" "b")},  // no-break space
                        Case{1, "61 62 63 ", abcdigest},   // as the catalogue shows "abc"
                        Case{1, "6,16-2\n63", abcdigest},  // separators of any kind, inside pairs too
                        Case{0, "a...a x 1,000,000", milliondigest},
                        Case{1, "a...a x 1,000,000", milliondigest},
                        Case{0, "A...A x 1,000,000", "8E9C5B17 4E21ABD8 AEB549C3 4EEDB37C FAB2AE2A"},
                        Case{1, "a...a  x 1,000,000", "B838449D 0142C584 5B26D1F0 4ACF17D8 F8171A90"},  // digits aa1000000
                        Case{1, QString::fromUtf8("\xEF\xBC\x96\xEF\xBC\x91") + "zz61", "86F7E437 FAA5A7FC E15D1DDC B9EAEAEA 377667B8"}}) {
    replacemessage("");  // nothing of the last case's to convert
    choosemode(c.mode);
    replacemessage(c.typed);
    presshash();
    EXPECT_EQ(window.hash->text(), c.digest) << c.mode << " " << c.typed.toStdString();
    EXPECT_EQ(window.exphash->text(), "");
    expectidle();
  }
}

// A message of the user's survives a mode switch as the same bytes, written for the new mode; where
// the new mode cannot hold them, the mode goes back and says why. No entry names such a message.
TEST_F(TesterWindow, AMessageOfTheUsersIsConvertedOnAModeSwitch) {
  pick(2);
  type("d");
  EXPECT_EQ(combo()->currentIndex(), catalogue::promptentry) << "\"abc\" named beside \"abcd\"";
  EXPECT_EQ(shown(), "abcd");
  struct Case {
    int from;
    QString typed, converted;  // converted: what the box shows after the switch
    int mode;                  // after the switch
    QString status;
  };
  const Case cases[] = {
      {0, "abc\nd\u00E9", "61 62 63 0D 0A 64 E9 ", 1, "Your message, converted to hex bytes"},
      {1, "0x61 62\n63 0D 0A 80", "abc\r\n\u20AC", 0, "Your message, converted to text"},
      {1, "61 00 62", "61 00 62", 1, "Stays in Hex: byte 2, 00, has no character that Text mode shows and reads back as it"},
      {1, "61 0A", "61 0A", 1, "Stays in Hex: byte 2, 0A, is a line break other than CR LF, the only one Text mode writes"},
      {0, "a\u03C8", "a\u03C8", 0, "Stays in Text: the character at position 2 has no byte in Windows-1252"},
  };
  for (const Case& c : cases) {
    replacemessage("");
    choosemode(c.from);
    replacemessage(c.typed);
    const bool hashable = c.typed.toStdU16String().find(u'\u03C8') == std::u16string::npos;
    if (hashable) presshash();
    const QString before = window.hash->text();
    choosemode(1 - c.from);
    EXPECT_EQ(shown(), QString(c.converted).replace("\r\n", "\n")) << c.typed.toStdString();
    EXPECT_EQ(window.inputmode[1]->isChecked(), c.mode == 1) << c.typed.toStdString();
    EXPECT_EQ(window.status->toolTip(), c.status);
    if (hashable) presshash();
    EXPECT_EQ(window.hash->text(), before) << "other bytes after the switch: " << c.typed.toStdString();
    expectconsistent();
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
  EXPECT_EQ(window.status->toolTip(), "Not hashed: the character at position 3 has no byte in Windows-1252") << "said where it stays";
  EXPECT_EQ(window.hash->text(), "");
  expectidle();
}

// A selection, a mode switch or an edit while a run yields (the hex display of entry 10, a hex-mode
// hash request) supersedes the run: it writes nothing more, and what shows belongs together.
TEST_F(TesterWindow, AChangeWhileARunYieldsSupersedesTheRun) {
  const auto& nine = catalogue::entry(9);
  const auto& ten = catalogue::entry(10);
  struct Change {
    const char* name;
    std::function<void()> make, check;
  };
  const Change changes[] = {
      {"selection", [&] { QTest::keyClick(combo(), Qt::Key_Up); },
       [&] {
         EXPECT_EQ(shown(), hexform(nine.message));
         EXPECT_EQ(window.exphash->text().toStdString(), nine.expected);
       }},
      {"mode switch", [&] { choosemode(0); },
       [&] {
         EXPECT_EQ(shown(), QString::fromStdString(ten.message));
         EXPECT_EQ(window.exphash->text().toStdString(), ten.expected);
       }},
      {"edit", [&] { type("7"); },
       [&] {
         EXPECT_TRUE(shown().endsWith("7"));
         EXPECT_EQ(window.exphash->text(), "");
       }}};
  for (const bool request : {false, true}) {
    for (const auto& change : changes) {
      SCOPED_TRACE(std::string(change.name) + (request ? " during a hash request" : " during a display"));
      choosemode(1);
      pick(request ? 10 : 9);
      combo()->setFocus();
      bool whilerunning = false;
      QTimer::singleShot(0, [&] {  // lands at the run's first yield
        whilerunning = !window.Command1_1->isEnabled();
        change.make();
      });
      if (request) {
        presshash();
      } else {
        QTest::keyClick(combo(), Qt::Key_Down);
      }
      EXPECT_TRUE(whilerunning);
      change.check();
      EXPECT_EQ(window.hash->text(), "");
      expectconsistent();
    }
  }
  // With no entry selected a mode switch reselects nothing; it must still stop the request.
  pick(0);
  replacemessage("61 62 63");
  QTimer::singleShot(0, [&] { choosemode(0); });
  presshash();
  EXPECT_EQ(window.hash->text(), "");
  expectconsistent();
}

TEST_F(TesterWindow, ClosingStopsTheRunningDisplay) {
  choosemode(1);
  pick(9);
  combo()->setFocus();
  QTimer::singleShot(0, [this] { window.close(); });
  QTest::keyClick(combo(), Qt::Key_Down);
  EXPECT_LT(window.message->text().size(), 30'000);
  EXPECT_EQ(window.exphash->text(), "");
}

// Focus starts on the button and Tab reaches the selected option button; Enter, Space and
// Ctrl+Enter hash, and leave the focus where it was; Ctrl+Enter is refused while the button is.
TEST_F(TesterWindow, WorksFromTheKeyboard) {
  EXPECT_EQ(window.focusWidget(), window.Command1_1);
  std::set<QWidget*> reached;
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
    reached.insert(window.focusWidget());
  }
  EXPECT_TRUE(reached.count(window.inputmode[0])) << "the selected option button";

  for (const auto key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
    replacemessage("abc");
    window.Command1_1->setFocus();
    QTest::keyClick(window.Command1_1, key);
    EXPECT_EQ(window.hash->text(), abcdigest) << key;
    EXPECT_EQ(window.focusWidget(), window.Command1_1) << key;
  }
  replacemessage("abc");
  QTest::keyClick(box(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(window.hash->text(), abcdigest);
  EXPECT_EQ(shown(), "abc");

  choosemode(1);
  pick(9);
  combo()->setFocus();
  QTimer::singleShot(0, [this] { QTest::keyClick(combo(), Qt::Key_Return, Qt::ControlModifier); });
  QTest::keyClick(combo(), Qt::Key_Down);
  EXPECT_EQ(shown(), hexform(catalogue::entry(10).message)) << "the display ran to its end";
  EXPECT_EQ(window.hash->text(), "");
}

// A million characters on one line, a no-break space among them: shown and hashed as pasted.
TEST_F(TesterWindow, PastedMegabyteLineShowsAndHashesAsIs) {
  const QString line = QString(500'000, 'a') + QChar(0xA0) + QString(499'999, 'b');
  QApplication::clipboard()->setText(line);
  box()->setFocus();
  QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
  presshash();
  EXPECT_EQ(shown(), line);
  EXPECT_EQ(window.hash->text(), guitest::peerdigest(std::string(500'000, 'a') + '\xA0' + std::string(499'999, 'b')));
}

// A paste too big to show is held back behind a marker, with what the box held around the caret;
// it hashes as the mode reads it, a mode switch keeps it, Ctrl+E shows it, an edit makes the marker
// text.
TEST_F(TesterWindow, APasteTooBigToShowIsHeldBackAndHashedAsTheModeReadsIt) {
  const QString pasted = QString("6F ").repeated(1'500'000);  // 4,500,000 characters
  pick(2);  // which a mode switch would show again over typed text
  replacemessage("61");
  QApplication::clipboard()->setText(pasted);
  QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
  const QString marker = "pasted: 4,500,002 characters \u00B7 Ctrl+E shows them";
  EXPECT_EQ(shown(), marker);
  const QString whole = "61" + pasted;
  presshash();
  EXPECT_EQ(window.hash->text(), guitest::peerdigest(*guitest::meaning(whole, true)));
  choosemode(1);
  EXPECT_EQ(shown(), marker);
  // A switch back while its request runs stops it: no digest of the mode left stays.
  QTimer::singleShot(0, [this] { choosemode(0); });
  presshash();
  EXPECT_TRUE(waitfor([this] { return window.Command1_1->isEnabled(); }));
  EXPECT_TRUE(window.hash->text().isEmpty() || window.hash->text() == guitest::peerdigest(*guitest::meaning(whole, true)));
  choosemode(1);
  presshash();
  EXPECT_EQ(window.hash->text(), guitest::peerdigest(*guitest::meaning(whole, false)));
  shortcut(Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(window.message->text(), whole);
  // Held back again, and edited: the marker is its own text then.
  replacemessage("");
  QTest::keyClick(box(), Qt::Key_V, Qt::ControlModifier);
  type("!");
  presshash();
  EXPECT_EQ(window.hash->text(), guitest::peerdigest(*guitest::meaning("pasted: 4,500,000 characters \u00B7 Ctrl+E shows them!", false)));
}

TEST_F(TesterWindow, HoldsTheSizeItWasFirstShownAt) {
  const QPoint place(150, 100);
  window.move(place);
  const QSize first = window.size();
  window.resize(first.width() + 120, first.height() - 40);
  EXPECT_EQ(window.size(), first);
  // A window manager that ignores the fixed size maximises by moving the window to the screen's
  // corner as it resizes it.
  window.windowHandle()->setGeometry(window.screen()->availableGeometry());
  EXPECT_EQ(window.size(), first);
  EXPECT_EQ(window.pos(), place);

  window.showMaximized();
  EXPECT_TRUE(waitfor([this] { return window.WindowState() == 0; }));
  QTest::qWait(50);
  EXPECT_EQ(window.size(), first);
  EXPECT_EQ(window.pos(), place);

  window.showMinimized();
  QTest::qWait(20);
  EXPECT_EQ(window.WindowState(), 1) << "a minimised window stays minimised";
  window.showNormal();
  EXPECT_TRUE(waitfor([this] { return window.WindowState() == 0; }));
  EXPECT_EQ(window.size(), first);
}

// A real window manager (tests/gui/underopenbox) maximises in steps of its own that cross the
// window's undoing of it; once it settles, the window is where the user left it, at its size.
class UnderWindowManager : public TesterWindow {};

TEST_F(UnderWindowManager, MaximiseLeavesTheWindowWhereTheUserLeftIt) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a window manager: run under tests/gui/underopenbox";
  const QSize first = window.size();
  window.move(200, 150);
  ASSERT_TRUE(waitfor([this] { return window.pos() != QPoint(); }));
  QTest::qWait(600);  // past any settling of the first show
  const QPoint place = window.pos();
  for (int i = 0; i < 8; ++i) {
    window.showMaximized();
    QTest::qWait(700);
    EXPECT_EQ(window.WindowState(), 0) << i;
    EXPECT_EQ(window.size(), first) << i;
    EXPECT_EQ(window.pos(), place) << "maximise " << i << " moved the window";
  }
}

// The window manager is told the size is fixed: it offers no maximise or resize to be undone.
TEST_F(UnderWindowManager, NoMaximiseOrResizeIsOffered) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a window manager: run under tests/gui/underopenbox";
  QProcess xprop;
  const auto allowed = [&] {
    xprop.start("xprop", {"-id", QString::number(window.winId()), "_NET_WM_ALLOWED_ACTIONS"});
    return xprop.waitForFinished(10'000) ? QString::fromLocal8Bit(xprop.readAllStandardOutput()) : QString();
  };
  ASSERT_TRUE(waitfor([&] { return allowed().contains("_NET_WM_ACTION_CLOSE"); }, 10'000)) << allowed().toStdString();
  const QString actions = allowed();
  EXPECT_FALSE(actions.contains("MAXIMIZE")) << actions.toStdString();
  EXPECT_FALSE(actions.contains("_NET_WM_ACTION_RESIZE")) << actions.toStdString();
  EXPECT_TRUE(actions.contains("_NET_WM_ACTION_MINIMIZE")) << actions.toStdString();
}

// The Rounds window opens beside the main window, not over it, where the screen has room.
TEST_F(UnderWindowManager, TheRoundsWindowOpensBesideTheMainWindow) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a window manager: run under tests/gui/underopenbox";
  window.move(100, 100);
  QTest::qWait(300);
  activate();
  QTest::keyClick(&window, Qt::Key_F2);
  auto* rounds = window.findChild<dialogs::rounds*>();
  ASSERT_NE(rounds, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(rounds));
  QTest::qWait(300);  // the window manager's placing
  EXPECT_FALSE(rounds->frameGeometry().intersects(window.frameGeometry())) << "over the main window";
  EXPECT_TRUE(window.screen()->availableGeometry().contains(rounds->frameGeometry())) << "off the screen";
}

// Without a display to reach: one plain line and status 1, not Qt's abort; --help and --version
// answer all the same, and a wrong call is status 2 with one line.
TEST(TesterProgram, AnswersWithoutADisplay) {
  struct Case {
    QStringList arguments;
    int status;
    const char* starts;  // what standard output or error starts with
  };
  for (const Case& c : {Case{{}, 1, "sha1tester: no display"}, Case{{"--help"}, 0, "Usage: sha1tester"},
                        Case{{"--version"}, 0, "sha1tester 1."}, Case{{"--bogus"}, 2, "sha1tester: unknown option \"--bogus\""},
                        Case{{"file.txt"}, 1, "sha1tester: no display"}, Case{{"a.txt", "b.txt"}, 2, "sha1tester: takes one file"},
                        Case{{"-style"}, 2, "sha1tester: needs a value after \"-style\""},
                        Case{{"-style", "fusion"}, 1, "sha1tester: no display"}}) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("DISPLAY", ":4711");
    program.setProcessEnvironment(environment);
    program.start(SHA1TESTER_PROGRAM, c.arguments);
    ASSERT_TRUE(program.waitForFinished(10'000));
    const std::string said = (program.readAllStandardOutput() + program.readAllStandardError()).toStdString();
    EXPECT_EQ(program.exitCode(), c.status) << said;
    EXPECT_TRUE(said.starts_with(c.starts)) << said;
    if (c.status != 0) {
      EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
  }
}

}  // namespace
