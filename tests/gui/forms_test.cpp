// SPDX-License-Identifier: MIT
// The form layer's promises, each on its own control: the rules the windows are written against.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMimeData>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <stdexcept>

#include "driving.h"
#include "utilities/basicutilities.h"
#include "ui/forms/combobox.h"
#include "ui/forms/filelists.h"
#include "ui/forms/forms.h"
#include "ui/forms/optionbutton.h"
#include "ui/forms/textbox.h"

namespace {

TEST(TextBox, RunsItsHandlerForEveryChangeByCodeOrUserButNotForTheSameText) {
  QWidget window;
  forms::TextBox box(&window);
  int changes = 0;
  box.onchange = [&] { ++changes; };
  box.settext("abc");
  EXPECT_EQ(changes, 1) << "a change from code runs the handler inside settext";
  box.settext("abc");
  EXPECT_EQ(changes, 1) << "the same text again is no change";
  window.show();
  box.widget()->setFocus();
  QTest::keyClick(box.widget(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(box.widget(), "d");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(box.text(), "abcd") << "the key landed on the text as it was, not on an older copy";
}

// The box read a paste's text twice and crashed on a clipboard owner that serves it once; it must
// take what it was given once, and take nothing from a source that is empty or holds no text.
TEST(TextBox, APasteServedOnceIsTakenOnceAndAnOddOneIsNothing) {
  QWidget window;
  forms::TextBox box(&window);
  QString held;
  box.onbigtext = [&](const QString& whole) { held = whole; };
  window.show();
  box.widget()->setFocus();
  const struct {
    const char* format;
    QString text, shown;
  } cases[] = {
      {"text/plain", "abc", "abc"},
      {"text/plain", "", "abc"},
      {"image/png", "\x89PNG", "abc"},
      {"text/plain", QString(forms::TextBox::bigtext + 1, u'7'), "abc"},
  };
  for (const auto& c : cases) {
    QGuiApplication::clipboard()->setMimeData(new guitest::ServedOnce(c.format, c.text));
    QTest::keyClick(box.widget(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.text(), c.shown) << c.format << " of " << c.text.size() << " characters";
  }
  EXPECT_EQ(held.size(), forms::TextBox::bigtext + 4) << "the big paste went to the holder whole, beside the box's text";
}

// Code that empties the box and fills it again (a display starting over) leaves the caret where the
// user put it, so a key typed meanwhile lands there, not at the start.
TEST(TextBox, KeepsTheCaretWhereTheUserPutItWhileCodeRewritesTheText) {
  QWidget window;
  forms::TextBox box(&window);
  box.settext("0123456789");
  window.show();
  box.widget()->setFocus();
  QTest::keyClick(box.widget(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(box.widget(), Qt::Key_Left);
  for (const char* text : {"", "abc", "abcdefghijkl"}) {
    box.settext(text);
    box.flush();
  }
  QTest::keyClicks(box.widget(), "X");
  EXPECT_EQ(box.text(), "abcdefghiXjkl");
}

TEST(ComboBox, ClickRunsForEveryChangeAndForAUserRepickButNotForTheSameIndexFromCode) {
  QWidget window;
  forms::ComboBox combo(&window);
  QLineEdit next(&window);  // where Tab goes
  for (const char* item : {"zero", "one", "two"}) combo.additem(item);
  int clicks = 0;
  combo.onclick = [&] { ++clicks; };
  EXPECT_EQ(combo.listindex(), -1) << "a list starts with no selection";
  combo.setlistindex(1);
  EXPECT_EQ(clicks, 1);
  combo.setlistindex(1);
  EXPECT_EQ(clicks, 1) << "selecting the selected entry from code runs nothing";
  emit combo.widget()->activated(1);  // the user picks the selected entry again
  EXPECT_EQ(clicks, 2);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  combo.widget()->setFocus();
  QTest::keyClick(combo.widget(), Qt::Key_Down);  // a change by the user: changed, then activated
  EXPECT_EQ(combo.listindex(), 2);
  EXPECT_EQ(clicks, 3) << "one Click for one pick";
  // Typed text that names no entry does not outlive the field's focus.
  QTest::keyClicks(combo.widget()->lineEdit(), "zzz");
  QTest::keyClick(combo.widget(), Qt::Key_Tab);
  EXPECT_TRUE(next.hasFocus());
  EXPECT_EQ(combo.widget()->currentText(), "two");
  EXPECT_EQ(clicks, 3);
  combo.widget()->setFocus();
  combo.widget()->lineEdit()->selectAll();
  QTest::keyClicks(combo.widget()->lineEdit(), "one");
  QTest::keyClick(combo.widget(), Qt::Key_Return);
  EXPECT_EQ(combo.listindex(), 1) << "Enter on an entry's text selects it";
}

TEST(OptionButton, ClickRunsOnlyForTheButtonThatBecomesSelected) {
  QWidget window;
  forms::OptionButton first("first", &window), second("second", &window);
  first.setChecked(true);
  std::vector<int> clicks;
  first.onclick = [&] { clicks.push_back(0); };
  second.onclick = [&] { clicks.push_back(1); };
  second.setChecked(true);
  second.setChecked(true);
  window.show();
  QTest::mouseClick(&first, Qt::LeftButton);
  QTest::mouseClick(&first, Qt::LeftButton);
  EXPECT_EQ(clicks, (std::vector<int>{1, 0}));
}

TEST(DirList, SettingTheSameFolderAgainRunsNothing) {
  QTemporaryDir folder;
  QWidget window;
  forms::DirList list(&window);
  int changes = 0;
  list.onchange = [&] { ++changes; };
  list.setpath(folder.path());
  list.setpath(folder.path() + "/.");
  EXPECT_EQ(changes, 1);
}

TEST(Handler, AnErrorIsReportedAfterTheWindowRecovered) {
  bool recovered = false, recoveredfirst = false;
  const auto previous = basicutilities::setalerthandler([&](const std::string& title, const std::string& message) {
    recoveredfirst = recovered && title == "Error" && message == "broken";
    return true;
  });
  forms::handler([] { throw std::runtime_error("broken"); }, [&] { recovered = true; })(42, QString("any arguments"));
  basicutilities::setalerthandler(previous);
  EXPECT_TRUE(recoveredfirst);
}

}  // namespace
