#include <gtest/gtest.h>

#include <string>

#include "digest/sha1digest.h"
#include "utilities/basicutilities.h"

namespace bu = basicutilities;

namespace {

std::string digest(std::string message) {
  std::string constants;
  return bu::sha1digest(constants, message);
}

TEST(Sha1Digest, KnownAnswers) {
  struct Case { std::string message, expected; };
  for (const auto& c : {
           Case{"", "DA39A3EE 5E6B4B0D 3255BFEF 95601890 AFD80709"},
           Case{"abc", "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D"},
           Case{std::string(55, 'a'), "C1C8BBDC 22796E28 C0E15163 D20899B6 5621D65A"},
           Case{std::string(56, 'a'), "C2DB330F 6083854C 99D4B5BF B6E8F29F 201BE699"},
           Case{"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983E44 1C3BD26E BAAE4AA1 F95129E5 E54670F1"},
           // Words keep their leading zeros.
           Case{"The quick brown fox jumps over the lazy cog", "DE9F2C7F D25E1B3A FAD3E85A 0BD17D9B 100DB4B3"},
           // Bytes of 0x80 and above hash as those byte values, not sign-extended.
           Case{"\x80", "C78EBD3C 85A39A59 6D9F5CFD 2B8D240B C1B9C125"},
           Case{std::string(3, '\xFF'), "78670E88 A9C2C711 124471D2 F24A8DBC 8CE5DBA9"},
       }) {
    EXPECT_EQ(digest(c.message), c.expected) << c.message.size() << " bytes";
  }
}

TEST(Sha1Digest, PadsTheCallersMessageInPlace) {
  std::string constants;
  std::string message = "abc";
  bu::sha1digest(constants, message);
  std::string expected = "abc";
  expected += '\x80';
  expected += std::string(59, '\0');
  expected += '\x18';
  EXPECT_EQ(message, expected);
  EXPECT_TRUE(constants.empty()) << "an empty constants text is not touched";
}

TEST(Sha1Digest, PaddingReachesTheNextBlockBoundary) {
  // 55 bytes fill one block; 56 and 64 need a second one that holds only padding.
  for (const auto& [length, padded] : std::initializer_list<std::pair<std::size_t, std::size_t>>{
           {0, 64}, {3, 64}, {55, 64}, {56, 128}, {63, 128}, {64, 128}, {119, 128}, {120, 192}}) {
    std::string constants;
    std::string message(length, 'a');
    bu::sha1digest(constants, message);
    EXPECT_EQ(message.size(), padded) << length;
    EXPECT_EQ(static_cast<unsigned char>(message[length]), 0x80U) << length;
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

TEST(RoundConstants, StandardConstantsAsTextGiveTheStandardDigest) {
  std::string constants = "CA62C1D68F1BBCDC6ED9EBA15A827999";
  std::string message = "abc";
  EXPECT_EQ(bu::sha1digest(constants, message), digest("abc"));
  EXPECT_EQ(constants, "CA62C1D68F1BBCDC6ED9EBA15A827999");
}

TEST(RoundConstants, ShortTextFillsWithZerosOnTheLeftAndIsWrittenBack) {
  std::string constants = "1";
  EXPECT_EQ(bu::roundconstants(constants), (bu::RoundConstants{1, 0, 0, 0}));
  EXPECT_EQ(constants, std::string(31, '0') + "1");
}

TEST(RoundConstants, OnlyTheLast32DigitsCount) {
  std::string longer = "FFFFFFFF" "ca62c1d68f1bbcdc6ed9eba15a827999";
  EXPECT_EQ(bu::roundconstants(longer), bu::standardroundconstants);
  EXPECT_EQ(longer, "ca62c1d68f1bbcdc6ed9eba15a827999");
}

TEST(RoundConstants, OtherConstantsGiveDigestTextThatIsNotSha1) {
  std::string constants = "1";
  std::string message = "abc";
  const std::string text = bu::sha1digest(constants, message);
  EXPECT_EQ(text.size(), 44U);
  EXPECT_NE(text, digest("abc"));
}

TEST(RoundConstants, UnreadableGroupRaisesAndComputesNothing) {
  std::string constants = std::string(24, '0') + "G0000000";
  std::string message = "abc";
  EXPECT_THROW(bu::sha1digest(constants, message), bu::HexOverflowError);
  EXPECT_EQ(message, "abc") << "the message is not padded when the constants fail";
}

}  // namespace
