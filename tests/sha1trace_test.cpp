// SPDX-License-Identifier: MIT
// The trace against NIST's worked example: every line NIST prints for its one- and two-block
// samples (the words of each block, a b c d e after each of the 80 rounds, the chaining values and
// the digest) is a line of ours, in the same order.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "digest/sha1trace.h"

namespace {

std::vector<std::string> lines(std::istream& in) {
  std::vector<std::string> all;
  for (std::string line; std::getline(in, line);) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    all.push_back(line);
  }
  return all;
}

TEST(Sha1Trace, HasEveryLineOfNistsWorkedExampleInOrder) {
  std::ifstream file(std::string(SHA1TESTER_VECTOR_DIR) + "/nist-example-SHA1.txt");
  const std::vector<std::string> nist = lines(file);
  ASSERT_FALSE(nist.empty());
  const auto section = [&](const std::string& title) {
    std::vector<std::string> kept;
    auto at = std::find(nist.begin(), nist.end(), title);
    at = std::find(at, nist.end(), "Initial hash value:");
    for (; at != nist.end() && *at != "Message Digest is"; ++at) {
      if (!at->starts_with("=") && !at->starts_with("-")) kept.push_back(*at);  // rules and page breaks
    }
    kept.push_back("Message Digest is");
    kept.push_back(*(at + 1));
    return kept;
  };
  for (const auto& [title, message] : {std::pair{"One Block Message Sample", std::string("abc")},
                                       {"Two Block Message Sample", std::string("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")}}) {
    std::istringstream traced(basicutilities::sha1trace(message));
    const std::vector<std::string> ours = lines(traced);
    const std::vector<std::string> theirs = section(title);
    ASSERT_GT(theirs.size(), 90U) << title;
    auto at = ours.begin();
    for (const std::string& line : theirs) {
      at = std::find(at, ours.end(), line);
      ASSERT_NE(at, ours.end()) << title << ": NIST's line \"" << line << "\" is not in the trace where it belongs";
    }
  }
}

}  // namespace

namespace {

// A block told alone must be that block of the whole telling: same chaining values in, same
// padding, for every place the padding can fall.
TEST(Sha1Trace, EachBlockToldAloneIsThatBlockOfTheWhole) {
  for (const std::size_t length : {0, 55, 56, 63, 64, 119, 200}) {
    const std::string message(length, '\xA5');
    const std::string whole = basicutilities::sha1trace(message);
    std::string blocks;
    for (std::uint64_t block = 0; block < basicutilities::sha1blockcount(length); ++block) blocks += basicutilities::sha1traceblock(message, block);
    const std::size_t from = whole.find("=====");
    EXPECT_EQ(whole.substr(from, whole.find("Message Digest is") - from), blocks) << length;
  }
}

}  // namespace
