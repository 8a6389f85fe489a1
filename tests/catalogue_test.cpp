// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "digest/sha1digest.h"

namespace {

TEST(Catalogue, EveryExpectedDigestIsTheDigestOfItsMessage) {
  const auto entries = catalogue::entries();
  ASSERT_EQ(entries.size(), 12U);
  for (std::size_t i = 1; i < entries.size(); ++i) {
    std::string constants;
    std::string message = catalogue::fullmessage(entries[i]);
    EXPECT_EQ(basicutilities::sha1digest(constants, message), entries[i].expected) << "entry " << i;
  }
}

TEST(Catalogue, TheMarkerStandsForOneMillionA) {
  const auto& million = catalogue::entry(catalogue::millionentry);
  EXPECT_EQ(million.message, "a...a x 1,000,000");
  EXPECT_EQ(catalogue::fullmessage(million), std::string(1'000'000, 'a'));
}

}  // namespace
