// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "utilities/basicutilities.h"

namespace bu = basicutilities;

namespace {

std::int32_t hextodec(std::string text) { return bu::hextodec(text); }

TEST(HexToDec, ReadsTheFirstWordAsTwosComplement) {
  const std::vector<std::pair<std::string, std::int32_t>> cases{
      {"", 0},          {"0", 0},           {"ff", 255},          {"1A", 26},
      {" 1A", 26},      {"1A 2B", 26},      {"1234 678", 4660},   {"12345678", 305419896},
      {"7FFFFFFF", 2147483647},             {"80000000", -2147483647 - 1},
      {"FFFFFFFF", -1}, {"ffffffff", -1},   {"CA62C1D6", -899497514}, {"8F1BBCDC", -1894007588},
      // A character that is no hexadecimal digit adds nothing but keeps its place value.
      {"1G", 16},       {"G1", 1},          {"1.2", 0x102},       {"G 123456", 15 - 2147483647 - 1},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(hextodec(text), value) << '"' << text << '"';
}

TEST(HexToDec, BringsTheTopDigitOfEightBelowEightInTheCallersText) {
  for (const auto& [before, after] : std::vector<std::pair<std::string, std::string>>{
           {"FFFFFFFF", "7FFFFFFF"}, {"80000000", "00000000"}, {"12345678", "12345678"},
           {"a0000000", "20000000"}, {"G 123456", "F 123456"}, {"1234567", "1234567"}}) {
    std::string text = before;
    bu::hextodec(text);
    EXPECT_EQ(text, after) << before;
  }
}

TEST(HexToDec, RaisesOverflowWhenARewrittenNonDigitNeedsAllEightDigits) {
  std::string text = "G1234567";
  EXPECT_THROW(bu::hextodec(text), bu::HexOverflowError);
  EXPECT_EQ(text, "F1234567");
  std::string blank = " 1234567";
  EXPECT_THROW(bu::hextodec(blank), bu::HexOverflowError);
}

class AlertCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = bu::setalerthandler([this](const std::string& title, const std::string& message) {
      alerts_.emplace_back(title, message);
      return reply_;
    });
  }
  void TearDown() override { bu::setalerthandler(std::move(previous_)); }

  bool reply_ = true;
  std::vector<std::pair<std::string, std::string>> alerts_;
  bu::AlertHandler previous_;
};

TEST_F(AlertCapture, OverLongTextAlertsOnceAndGivesZeroWhateverTheReply) {
  for (const bool reply : {true, false}) {
    reply_ = reply;
    alerts_.clear();
    std::string text = "123456789";
    EXPECT_EQ(bu::hextodec(text), 0);
    EXPECT_EQ(text, "123456789");
    ASSERT_EQ(alerts_.size(), 1U);
    EXPECT_EQ(alerts_[0].first, "Internal error");
    EXPECT_EQ(alerts_[0].second,
              "Function call to [hextodec] provided more than 8 characters of input data.  "
              "This would exceed the 32 bit capability of the environment.");
  }
  std::string eight = "00000001";
  EXPECT_EQ(bu::hextodec(eight), 1);
  EXPECT_EQ(alerts_.size(), 1U) << "eight characters are not too many";
}

// Zero-filled and cut to the width; negative values in the width of their own type.
TEST(DecToHex, FillsWithZerosAndCutsToTheWidth) {
  struct Case { std::int32_t value; bool sixteen; int width; std::string text; };
  for (const auto& c : {Case{97, false, 2, "61"}, Case{10, false, 2, "0A"}, Case{255, false, 0, ""}, Case{255, false, -3, ""},
                        Case{255, false, 25, std::string(18, '0') + "FF"}, Case{-1, true, 4, "FFFF"}, Case{-1, true, 8, "0000FFFF"},
                        Case{-1, false, 8, "FFFFFFFF"}, Case{-1, false, 30, std::string(18, '0') + "FFFFFFFF"}}) {
    const std::string text = c.sixteen ? bu::dectohex(static_cast<std::int16_t>(c.value), c.width) : bu::dectohex(c.value, c.width);
    EXPECT_EQ(text, c.text) << c.value << (c.sixteen ? " (16 bits)" : "") << " width " << c.width;
  }
}

}  // namespace
