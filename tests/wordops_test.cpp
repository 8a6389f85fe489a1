// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "utilities/basicutilities.h"

namespace bu = basicutilities;
using bu::Word;

namespace {

constexpr Word w(std::uint32_t u) { return static_cast<Word>(u); }
using Counts = std::initializer_list<std::int16_t>;

TEST(WordAdd, WrapsModulo2To32WithoutOverflow) {
  struct Case { std::uint32_t a, b, sum; };
  for (const auto& c : {Case{0x7FFFFFFF, 1, 0x80000000}, Case{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE},
                        Case{0x80000000, 0x80000000, 0}, Case{0xC0000000, 0x40000000, 0},
                        Case{0x3FFFFFFF, 1, 0x40000000}, Case{0x67452301, 0xEFCDAB89, 0x5712CE8A}}) {
    EXPECT_EQ(bu::wordadd(w(c.a), w(c.b)), w(c.sum)) << std::hex << c.a << " + " << c.b;
  }
}

TEST(RotateLeft, MovesBitsRoundForCountsOneTo31Only) {
  EXPECT_EQ(bu::rleft(w(0x80000000), 1), 1);
  EXPECT_EQ(bu::rleft(0x40000000, 1), w(0x80000000));
  EXPECT_EQ(bu::rleft(0x12345678, 4), 0x23456781);
  EXPECT_EQ(bu::rleft(0x12345678, 31), 0x091A2B3C);
  // No reduction modulo 32: out-of-range counts leave the word alone.
  for (const auto n : Counts{0, 32, 33, -1, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()}) {
    EXPECT_EQ(bu::rleft(0x12345678, n), 0x12345678) << n;
  }
}

TEST(ShiftRight, IsLogicalAndSaturatesAt32) {
  EXPECT_EQ(bu::sright(-1, 1), 0x7FFFFFFF);
  EXPECT_EQ(bu::sright(-1, 24), 0xFF);
  EXPECT_EQ(bu::sright(w(0x80000000), 31), 1);
  EXPECT_EQ(bu::sright(w(0xFFFFFFFD), 1), 0x7FFFFFFE);
  for (const auto n : Counts{32, 33, 1000}) EXPECT_EQ(bu::sright(-1, n), 0) << n;
  for (const auto n : Counts{0, -1, -32}) EXPECT_EQ(bu::sright(w(0x89ABCDEF), n), w(0x89ABCDEF)) << n;
}

TEST(ShiftLeft, DropsBitsLeavingTheTopAndSaturatesAt32) {
  EXPECT_EQ(bu::sleft(1, 31), w(0x80000000));
  EXPECT_EQ(bu::sleft(0xFF, 24), w(0xFF000000));
  EXPECT_EQ(bu::sleft(0x20000000, 3), 0);
  EXPECT_EQ(bu::sleft(w(0xC0000001), 1), w(0x80000002));
  for (const auto n : Counts{32, 33, 1000}) EXPECT_EQ(bu::sleft(-1, n), 0) << n;
  for (const auto n : Counts{0, -1, -32}) EXPECT_EQ(bu::sleft(w(0x89ABCDEF), n), w(0x89ABCDEF)) << n;
}

TEST(WordToHex, KeepsLeadingZerosAndCutsFromTheLeft) {
  EXPECT_EQ(bu::wordtohex(0, 8), "00000000");
  EXPECT_EQ(bu::wordtohex(-1, 8), "FFFFFFFF");
  EXPECT_EQ(bu::wordtohex(w(0x8F1BBCDC), 8), "8F1BBCDC");
  EXPECT_EQ(bu::wordtohex(0xABC, 2), "BC");
  EXPECT_EQ(bu::wordtohex(0xABC, 12), "00000ABC");
  EXPECT_EQ(bu::wordtohex(0xABC, 0), "");
  EXPECT_EQ(bu::wordtohex(0xABC, -1), "");
}

}  // namespace
