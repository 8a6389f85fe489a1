// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

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

// The icon comes from the library's resources, which a static link may lose; an empty title must
// not let the platform put the program's name in the caption.
TEST(AlertDialog, ShowsItsIconAndNothingForAnEmptyTitle) {
  EXPECT_FALSE(dialogs::alert().windowIcon().pixmap(32, 32).isNull());
  guitest::AlertAnswerer answerer({Answer::ok});
  dialogs::alertuser("", "Message");
  ASSERT_EQ(answerer.seen().size(), 1U);
  EXPECT_EQ(answerer.seen()[0].title.trimmed(), "");
  EXPECT_FALSE(answerer.seen()[0].title.isEmpty());
}

}  // namespace
