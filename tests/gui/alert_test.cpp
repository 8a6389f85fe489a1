#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QRadioButton>

#include "driving.h"
#include "ui/dialogs/alert.h"
#include "utilities/basicutilities.h"

namespace {

using Answer = guitest::AlertAnswerer::Answer;

TEST(AlertDialog, OkAndEnterAnswerYesEverythingElseNo) {
  for (const auto& [answer, reply] : std::initializer_list<std::pair<Answer, bool>>{
           {Answer::ok, true}, {Answer::enter, true}, {Answer::cancel, false}, {Answer::close, false}, {Answer::escape, false}}) {
    guitest::AlertAnswerer answerer({answer});
    EXPECT_EQ(dialogs::alertuser("Title", "Message"), reply) << static_cast<int>(answer);
    ASSERT_EQ(answerer.seen().size(), 1U);
    EXPECT_EQ(answerer.seen()[0].title, "Title");
    EXPECT_EQ(answerer.seen()[0].message, "Message");
  }
}

TEST(AlertDialog, EachAlertStartsFresh) {
  guitest::AlertAnswerer answerer({Answer::ok, Answer::close, Answer::cancel});
  EXPECT_TRUE(dialogs::alertuser("First", "one"));
  EXPECT_FALSE(dialogs::alertuser("Second", "two"));
  EXPECT_FALSE(dialogs::alertuser("", "three"));
  ASSERT_EQ(answerer.seen().size(), 3U);
  EXPECT_EQ(answerer.seen()[1].title, "Second");
  EXPECT_EQ(answerer.seen()[2].title, "");
}

TEST(AlertDialog, ShowsTheCoreAlertsOnceInstalled) {
  const auto previous = basicutilities::setalerthandler(dialogs::alertuser);
  guitest::AlertAnswerer answerer({Answer::ok});
  std::string overlong = "123456789";
  EXPECT_EQ(basicutilities::hextodec(overlong), 0);
  basicutilities::setalerthandler(previous);
  ASSERT_EQ(answerer.seen().size(), 1U);
  EXPECT_EQ(answerer.seen()[0].title, "Internal error");
}

TEST(AlertDialog, MessageIsReadOnlyAndScrolls) {
  dialogs::alert window;
  EXPECT_TRUE(window.message->isReadOnly());
  EXPECT_EQ(window.message->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_FALSE(window.respond->isChecked());
}

}  // namespace
