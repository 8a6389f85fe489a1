// SPDX-License-Identifier: MIT
// Reading someone's trace and finding where it parts from SHA-1's.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "digest/sha1trace.h"
#include "sha1vectors/tracing/tracecompare.h"

namespace {

using sha1vectors::comparetrace;
using sha1vectors::readtrace;

const basicutilities::RoundConstants& k = basicutilities::standardroundconstants;

// The same working as a plain table, "block, t, a, b, c, d, e, w" in lower case, as a C program
// would print it.
std::string table(std::string_view message) {
  std::string out = "block, t, a, b, c, d, e, w\n";
  basicutilities::sha1reference(message, {}, k, [&](const basicutilities::Sha1BlockWorking& work) {
    for (std::size_t t = 0; t < 80; ++t) {
      char line[96];
      const auto& r = work.rounds[t];
      std::snprintf(line, sizeof line, "%llu, %zu, %08x, %08x, %08x, %08x, %08x, %08x\n", static_cast<unsigned long long>(work.index + 1), t, r[0], r[1], r[2], r[3], r[4], work.w[t]);
      out += line;
    }
  });
  return out;
}

TEST(TraceCompare, FindsAChangedValueWhereverItIsInEitherLayout) {
  const std::string message(150, 'q');  // three blocks
  std::mt19937 random(7);
  for (int trial = 0; trial < 40; ++trial) {
    const bool ours = trial % 2 == 0;
    std::string text = ours ? basicutilities::sha1trace(message) : table(message);
    const std::size_t block = random() % 3, t = random() % 80, variable = random() % (ours ? 5 : 6);
    // The line of that round, and the word in it to change.
    std::size_t at = 0;
    for (std::size_t b = 0; b <= block; ++b) at = text.find(ours ? std::string("\nt= 0:") : std::string("\n").append(std::to_string(b + 1)).append(", 0,"), at + 1);
    for (std::size_t r = 0; r <= t; ++r) at = text.find('\n', at) + 1;
    at = ours ? text.find(": ", at) + 2 : text.find(", ", text.find(", ", at) + 2) + 2;  // past the labels to a
    at += variable * (ours ? 9 : 10);
    text[at] = text[at] == '1' ? '2' : '1';
    const auto result = comparetrace(message, k, readtrace(text));
    EXPECT_FALSE(result.agree);
    const std::string where = variable == 5 ? "W[" + std::to_string(t) + "]" : "round t=" + std::to_string(t);
    EXPECT_TRUE(result.report.starts_with("the traces part at block " + std::to_string(block + 1) + " of 3, " + where)) << result.report;
    if (variable < 5) {
      EXPECT_NE(result.report.find(std::string(1, "abcde"[variable]) + " first: "), std::string::npos) << result.report;
    }
  }
  EXPECT_TRUE(comparetrace(message, k, readtrace(table(message))).agree);
}

// Where a differs, the step that computes it names the round function of its twenty rounds.
TEST(TraceCompare, NamesEachRoundsFunction) {
  const struct {
    unsigned t;
    const char* function;
  } rounds[] = {{5, "f = Ch(b, c, d)"}, {25, "f = Parity(b, c, d)"}, {45, "f = Maj(b, c, d)"}, {65, "f = Parity(b, c, d)"}};
  for (const auto& round : rounds) {
    std::string text = table("abc");
    std::size_t at = text.find("\n1, " + std::to_string(round.t) + ", ") + 1;
    at = text.find(", ", text.find(", ", at) + 2) + 2;  // a
    text[at] = text[at] == '1' ? '2' : '1';
    const auto result = comparetrace("abc", k, readtrace(text));
    EXPECT_NE(result.report.find("a first: a = rotl(a, 5) + f + e + K + W[" + std::to_string(round.t) + "], where " + round.function), std::string::npos)
        << result.report;
  }
}

TEST(TraceCompare, AgreesWithNistsPublishedRounds) {
  // NIST's worked example prints these for "abc"; a trace may give only some rounds.
  const char* nist =
      "t= 0: 0116FC33 67452301 7BF36AE2 98BADCFE 10325476\n"
      "t= 1: 8990536D 0116FC33 59D148C0 7BF36AE2 98BADCFE\n"
      "t=79: 42541B35 5738D5E1 21834873 681E6DF6 D8FDF6AD\n";
  EXPECT_TRUE(comparetrace("abc", k, readtrace(nist)).agree);
}

// How a table counts its rounds is read from the whole table: 1 to 80 as textbooks print it, or 0
// to 79 with round 0 missing (said so), not the one taken for the other.
TEST(TraceCompare, NumbersRoundsAsTheWholeTableDoes) {
  std::string fromone, lacking;
  basicutilities::sha1reference("abc", {}, k, [&](const basicutilities::Sha1BlockWorking& work) {
    for (std::size_t t = 0; t < 80; ++t) {
      char line[96];
      const auto& r = work.rounds[t];
      std::snprintf(line, sizeof line, "%zu %08x %08x %08x %08x %08x\n", t + 1, r[0], r[1], r[2], r[3], r[4]);
      fromone += line;
      if (t == 0) continue;
      std::snprintf(line, sizeof line, "%zu %08x %08x %08x %08x %08x\n", t, r[0], r[1], r[2], r[3], r[4]);
      lacking += line;
    }
  });
  EXPECT_TRUE(comparetrace("abc", k, readtrace(fromone)).agree);
  const auto result = comparetrace("abc", k, readtrace(lacking));
  EXPECT_TRUE(result.agree) << result.report;
  EXPECT_NE(result.report.find("yours lacks round t=0 of block 1"), std::string::npos) << result.report;
}

// A trace of a million lines holds no more blocks than it may have: memory goes by blocks, not lines.
TEST(TraceCompare, KeepsNoMoreBlocksThanTheMessageCanHave) {
  std::string text = "0 67452301 efcdab89 98badcfe 10325476 c3d2e1f0\n";
  for (int i = 0; i < 1'000'000; ++i) text += "W[0] = 00000000\n";
  EXPECT_LE(readtrace(text, 3).size(), 3U);
}

TEST(TraceCompare, ATextWithoutRoundsIsNoTrace) {
  for (const char* text : {"", "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D\n", "block 1 round 90: 1 2 3 4 5\n",
                           "1 0 1 2 3 4 5\n99999999 1 1 2 3 4 5\n"}) {  // that block would take gigabytes
    EXPECT_THROW(readtrace(text), sha1vectors::TraceError) << text;
  }
}

}  // namespace
