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

}  // namespace
