// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "utilities/basicutilities.h"

namespace {

struct Call {
  std::string text;
  std::int32_t field;
  std::string delimiter;
  std::string result;
};

std::string run(Call& call) { return basicutilities::parsefield(call.text, call.field, call.delimiter); }

TEST(ParseField, ReturnsTheNthFieldOrEmptyOrTheCount) {
  for (Call c : {Call{"a,b,c", 2, ",", "b"}, Call{"a,b,c", 4, ",", ""}, Call{"a,,b", 2, ",", ""},
                 Call{",a", 1, ",", ""}, Call{"abc", 1, ",", "abc"}, Call{"abc", 2, ",", ""},
                 Call{"a,b,c,", 4, ",", ""}, Call{"a,b,c", 3, ",", "c"}, Call{"a,b,c", 8001, ",", ""},
                 // Overlapping search: the field starts one character into the delimiter.
                 Call{"a, b, c", 2, ", ", " b"}, Call{"aaa", 0, "aa", "3"},
                 // Field 0 or less: the count.
                 Call{"", 0, ",", "0"}, Call{"abc", 0, ",", "1"}, Call{"a,b,c", 0, ",", "3"},
                 Call{"a,b,c,", 0, ",", "3"}, Call{",", 0, ",", "1"}, Call{"a,,b", -5, ",", "3"},
                 Call{"a, b, c, ", 0, ", ", "4"}}) {
    const std::string expected = c.result;
    EXPECT_EQ(run(c), expected) << c.text << " field " << c.field;
  }
}

TEST(ParseField, SplitsOnReducedWhitespaceAndRewritesTheDelimiter) {
  Call withtrailing{"  12   34 ", 2, " ", ""};
  EXPECT_EQ(run(withtrailing), "34");
  withtrailing.field = 0;
  EXPECT_EQ(run(withtrailing), "2");

  Call empty{"  12   34", 1, "", ""};
  EXPECT_EQ(run(empty), "12");
  EXPECT_EQ(empty.delimiter, " ");
  EXPECT_EQ(empty.text, "  12   34") << "only the trim job writes the text";

  Call blanks{"     ", 0, "", ""};
  EXPECT_EQ(run(blanks), "0");
}

TEST(ParseField, TrimsBothEndsAndLeavesTheLeftTrimmedText) {
  Call padded{"  x  ", -1, " ", ""};
  EXPECT_EQ(run(padded), "x");
  EXPECT_EQ(padded.text, "x  ");

  Call all{"xx", -1, "x", ""};
  EXPECT_EQ(run(all), "");
  EXPECT_EQ(all.text, "");

  Call inner{" a  b ", -1, " ", ""};
  EXPECT_EQ(run(inner), "a  b") << "inner blanks are never reduced";

  for (Call c : {Call{"abc", -1, "", "abc"}, Call{"a", -1, " ", "a"}, Call{", a, ", -1, ", ", ", a, "},
                 Call{"", -1, " ", ""}}) {
    const std::string expected = c.result;
    EXPECT_EQ(run(c), expected) << '"' << c.text << '"';
  }
  Call emptydelimiter{"abc", -1, "", ""};
  run(emptydelimiter);
  EXPECT_EQ(emptydelimiter.delimiter, "") << "trimming does not rewrite the delimiter";
}

// Counting and splitting keep no table of positions: any number of fields works.
TEST(ParseField, HandlesManyThousandsOfFields) {
  std::string text;
  for (int i = 1; i <= 20'000; ++i) text += std::to_string(i) + ",";
  Call count{text, 0, ",", ""};
  EXPECT_EQ(run(count), "20000");
  Call last{text, 8000, ",", ""};
  EXPECT_EQ(run(last), "8000");
  Call beyond{text, 8001, ",", ""};
  EXPECT_EQ(run(beyond), "");
}

}  // namespace
