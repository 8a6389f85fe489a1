// The form layer's promises, each on its own control: the rules the windows are written against.
#include <gtest/gtest.h>
#include <iconv.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <stdexcept>

#include "utilities/basicutilities.h"
#include "ui/forms/ansi.h"
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

TEST(ComboBox, ClickRunsForEveryChangeAndForAUserRepickButNotForTheSameIndexFromCode) {
  QWidget window;
  forms::ComboBox combo(&window);
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
  combo.widget()->setFocus();
  QTest::keyClick(combo.widget(), Qt::Key_Down);  // a change by the user: changed, then activated
  EXPECT_EQ(combo.listindex(), 2);
  EXPECT_EQ(clicks, 3) << "one Click for one pick";
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

// Each byte 80..9F against the C library's own Windows-1252 table, and back.
TEST(Windows1252, EveryByteMapsAsTheCodePageSaysAndBack) {
  iconv_t convert = iconv_open("UTF-16LE", "CP1252");
  ASSERT_NE(convert, reinterpret_cast<iconv_t>(-1));
  for (int b = 0x80; b <= 0xFF; ++b) {
    char in = static_cast<char>(b);
    char16_t out = 0;
    char* from = &in;
    auto* to = reinterpret_cast<char*>(&out);
    std::size_t inleft = 1, outleft = sizeof out;
    const std::string byte(1, in);
    if (iconv(convert, &from, &inleft, &to, &outleft) == static_cast<std::size_t>(-1)) {
      EXPECT_EQ(forms::fromansi(byte), QChar(static_cast<char16_t>(b))) << "undefined byte " << b << " is its C1 control";
    } else {
      EXPECT_EQ(forms::fromansi(byte), QChar(out)) << "byte " << b;
    }
    EXPECT_EQ(forms::toansi(forms::fromansi(byte)), byte) << "byte " << b;
  }
  iconv_close(convert);
}

TEST(Windows1252, EveryLineBreakBecomesCrLf) {
  EXPECT_EQ(forms::toansi(QString("a\nb\r\nc\rd") + QChar(0x2028) + "e" + QChar(0x2029) + "f"), "a\r\nb\r\nc\r\nd\r\ne\r\nf");
}

TEST(Windows1252, NamesTheFirstCharacterWithoutAByteAndItsPosition) {
  try {
    forms::toansi(QString::fromUtf8("ab\xF0\x9F\x98\x80\xE4\xB8\xAD"));  // U+1F600 then U+4E2D
    FAIL() << "no error";
  } catch (const forms::UnmappableCharacterError& error) {
    EXPECT_EQ(error.character(), U'\U0001F600');
    EXPECT_EQ(error.position(), 3);
    EXPECT_NE(std::string(error.what()).find("U+1F600 at position 3"), std::string::npos) << error.what();
  }
  EXPECT_THROW(forms::toansi(QString(QChar(0x0080))), forms::UnmappableCharacterError)
      << "U+0080 is not the byte 80, which is the euro sign";
}

}  // namespace
