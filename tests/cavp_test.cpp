// NIST CAVP byte-oriented SHA-1 response files.
#include <gtest/gtest.h>

#include "digest/sha1digest.h"
#include "support/vectorfiles.h"

namespace {

using namespace testsupport;

std::string digestof(std::string message) {
  std::string constants;
  return vectorform(basicutilities::sha1digest(constants, message));
}

class CavpMessages : public ::testing::TestWithParam<const char*> {};

TEST_P(CavpMessages, EveryRecordMatches) {
  const auto records = readrecords(vectorpath(GetParam()));
  ASSERT_GT(records.size(), 60U);
  for (const auto& record : records) {
    const auto bits = std::stoul(record.at("Len"));
    // Len = 0 is the empty message whatever Msg holds.
    const std::string message = frombase16(record.at("Msg")).substr(0, bits / 8);
    EXPECT_EQ(digestof(message), record.at("MD")) << "Len = " << bits;
  }
}

INSTANTIATE_TEST_SUITE_P(ByteOriented, CavpMessages,
                         ::testing::Values("cavp/SHA1ShortMsg.rsp", "cavp/SHA1LongMsg.rsp"));

TEST(CavpMonteCarlo, HundredCheckpointsOfChainedHashes) {
  using basicutilities::Sha1Digest;
  const auto records = readrecords(vectorpath("cavp/SHA1Monte.rsp"));
  ASSERT_EQ(records.size(), 101U);
  const std::string seedbytes = frombase16(records[0].at("Seed"));
  Sha1Digest seed;
  std::copy(seedbytes.begin(), seedbytes.end(), seed.begin());

  basicutilities::Sha1Stream stream;
  for (std::size_t checkpoint = 1; checkpoint < records.size(); ++checkpoint) {
    // M(i) = MD(i-3) || MD(i-2) || MD(i-1), MD(i) = SHA-1(M(i)), for i = 3 .. 1002.
    std::array<Sha1Digest, 3> md{seed, seed, seed};
    for (int i = 3; i < 1003; ++i) {
      for (const auto& part : md) stream.add(part);
      md = {md[1], md[2], stream.finish()};
    }
    seed = md[2];
    ASSERT_EQ(lowerhex(seed), records[checkpoint].at("MD")) << "COUNT = " << records[checkpoint].at("COUNT");
  }
}

}  // namespace
