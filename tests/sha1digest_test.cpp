// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "digest/sha1digest.h"
#include "utilities/basicutilities.h"

namespace bu = basicutilities;

namespace {

// The digest itself is checked against OpenSSL; here what the call leaves in the caller's message.
TEST(Sha1Digest, PadsTheCallersMessageInPlaceToTheNextBlockBoundary) {
  // 55 bytes fill one block; 56 and 64 need a second one that holds only padding.
  for (const auto& [length, padded] : std::initializer_list<std::pair<std::size_t, std::size_t>>{
           {0, 64}, {3, 64}, {55, 64}, {56, 128}, {63, 128}, {64, 128}, {119, 128}, {120, 192}}) {
    std::string constants;
    std::string message(length, 'a');
    bu::sha1digest(constants, message);
    EXPECT_EQ(message.size(), padded) << length;
    EXPECT_EQ(static_cast<unsigned char>(message[length]), 0x80U) << length;
    EXPECT_EQ(message.substr(padded - 8), bu::sha1padding(length).substr(bu::sha1padding(length).size() - 8)) << length;
    EXPECT_TRUE(constants.empty()) << "an empty constants text is not touched";
  }
}

TEST(Sha1Padding, CarriesTheFull64BitBitCount) {
  // From 2^29 bytes on the bit count needs more than 32 bits.
  const std::string padding = bu::sha1padding(std::uint64_t{1} << 29);
  ASSERT_EQ(padding.size(), 64U);
  EXPECT_EQ(padding.substr(56), std::string("\x00\x00\x00\x01\x00\x00\x00\x00", 8));
  const std::string huge = bu::sha1padding(0x0123456789ABCDEFULL);
  EXPECT_EQ(huge.substr(huge.size() - 8), std::string("\x09\x1A\x2B\x3C\x4D\x5E\x6F\x78", 8));
}

// Known answers for other constants, from an independent SHA-1 written for this test.
TEST(RoundConstants, ReplaceTheStandardOnesStepByStep) {
  struct Case { std::string constants, written, expected; };
  for (const auto& c : {
           Case{"ca62c1d68f1bbcdc6ed9eba15a827999", "ca62c1d68f1bbcdc6ed9eba15a827999", "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D"},
           // K0 = 1, the others 0: the short text fills with zeros on the left and is written back.
           Case{"1", std::string(31, '0') + "1", "9CE94DE0 B622191A E928F4DA A586DA63 AF3264BA"},
           // K3 K2 K1 K0 = 4 3 2 1; only the last 32 digits count.
           Case{"FFFFFFFF" "00000004000000030000000200000001", "00000004000000030000000200000001", "2F25B6B7 80E69C0A 9AE0B6B1 BC98C905 7612DCF2"},
       }) {
    std::string constants = c.constants;
    std::string message = "abc";
    const std::string text = bu::sha1digest(constants, message);
    EXPECT_EQ(constants, c.written) << c.constants;
    EXPECT_EQ(text, c.expected) << c.constants;
  }
}

TEST(RoundConstants, UnreadableGroupRaisesAndComputesNothing) {
  std::string constants = std::string(24, '0') + "G0000000";
  std::string message = "abc";
  EXPECT_THROW(bu::sha1digest(constants, message), bu::HexOverflowError);
  EXPECT_EQ(message, "abc") << "the message is not padded when the constants fail";
}

// A message that ends in a partial byte uses only its top bits: the others may hold anything.
TEST(Sha1Stream, PartialLastByteUsesOnlyItsTopBits) {
  bu::Sha1Stream stream;
  const auto expected = bu::parsedigest("3320540d1c28b96ddd03eee1b186a8f2ae883fbe");  // the 5 bits 01001
  EXPECT_EQ(stream.finish(0x48, 5), expected);
  EXPECT_EQ(stream.finish(0x4F, 5), expected);
  EXPECT_EQ(bu::digesttext(stream.finish()), "DA39A3EE 5E6B4B0D 3255BFEF 95601890 AFD80709") << "finish starts again";
  // Eight bits are no partial byte: refused, not quietly dropped.
  stream.add("a");
  EXPECT_THROW(stream.finish(0x62, 8), std::invalid_argument);
  EXPECT_EQ(bu::digesthex(stream.finish()), "86f7e437faa5a7fce15d1ddcb9eaeaea377667b8") << "the stream is as it was";
}

TEST(DigestForms, WriteAndReadBack) {
  const auto abc = bu::parsedigest("A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D");
  ASSERT_TRUE(abc);
  EXPECT_EQ(bu::digesthex(*abc), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(bu::parsedigest("a9993e364706816aba3e25717850c26c9cd0d89d"), abc);
  for (const char* wrong : {"a9993e364706816aba3e25717850c26c9cd0d89", "a9993e364706816aba3e25717850c26c9cd0d89d0",
                            "g9993e364706816aba3e25717850c26c9cd0d89d", "a9993e364706816aba3e25717850c26c9cd0d8", ""}) {
    EXPECT_FALSE(bu::parsedigest(wrong)) << wrong;
  }
}

}  // namespace
