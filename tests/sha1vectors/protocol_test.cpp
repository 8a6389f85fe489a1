// SPDX-License-Identifier: MIT
// The worker's wire format, the repeated-piece model both ends share, and the cycling of update
// sizes: what one end writes, the other must read back exactly.
#include <gtest/gtest.h>

#include <string>

#include "sha1vectors/implementations/protocol.h"
#include "sha1vectors/model/message.h"

namespace {

using namespace sha1vectors;

// Every field survives the trip, and any cut-short request is refused rather than read as another.
TEST(WorkerProtocol, RequestsAndHellosReadBackAsWrittenAndCutOnesAreRefused) {
  std::string batch;
  protocol::encodebody(batch, std::string("ab\0c", 4), 3, 0xA0, 3);
  protocol::encodeways(batch, {{true, {}}, {false, {55, 0, 1}}});
  protocol::Asked asked;
  protocol::StringIn in{batch};
  ASSERT_TRUE(protocol::decode(in, asked));
  EXPECT_TRUE(in.bytes.empty());
  EXPECT_EQ(asked.body.piece, std::string("ab\0c", 4));
  EXPECT_EQ(asked.body.repeat, 3U);
  EXPECT_EQ(asked.body.partial, 0xA0);
  EXPECT_EQ(asked.body.partialbits, 3U);
  ASSERT_EQ(asked.ways.size(), 2U);
  EXPECT_TRUE(asked.ways[0].oneshot);
  EXPECT_EQ(asked.ways[1].sizes, (std::vector<std::uint64_t>{55, 0, 1}));

  std::string chain;
  protocol::encodechain(chain, 1, "seed", 0x80, 1, 100, 1234, true);
  protocol::ChainAsked walked;
  protocol::StringIn chainin{std::string_view(chain).substr(1)};  // past the request's kind
  ASSERT_TRUE(protocol::decode(chainin, walked));
  EXPECT_EQ(walked.kind, 1);
  EXPECT_EQ(walked.seed.piece, "seed");
  EXPECT_EQ(walked.seed.partialbits, 1U);
  EXPECT_EQ(walked.iterations, 100U);
  EXPECT_EQ(walked.chainbits, 1234U);
  EXPECT_TRUE(walked.oneshot);

  for (const protocol::Hello& hello : {protocol::Hello{protocol::Found{2, protocol::hasoneshot, 96}, {}}, protocol::Hello{std::nullopt, "cannot be loaded: no"}}) {
    protocol::Hello heard;
    const std::string bytes = protocol::encode(hello);
    protocol::StringIn helloin{bytes};
    ASSERT_TRUE(protocol::decode(helloin, heard));
    EXPECT_EQ(heard.found.has_value(), hello.found.has_value());
    EXPECT_EQ(heard.found ? heard.found->contextsize : 96U, 96U);
    EXPECT_EQ(heard.problem, hello.problem);
  }

  for (std::size_t cut = 0; cut < batch.size(); ++cut) {
    protocol::StringIn shortin{std::string_view(batch).substr(0, cut)};
    EXPECT_FALSE(protocol::decode(shortin, asked)) << cut;
  }
}

// A long message is held as tiles of its piece: every run read from it, at any offset and of any
// size up to the span, is the message's bytes there.
TEST(RepeatedPiece, EveryRunIsTheMessageBytes) {
  for (const std::string& piece : {std::string("a"), std::string("abc"), std::string(100, 'x') + "yz"}) {
    for (const std::uint64_t repeat : {1, 2, 1000}) {
      std::string whole;
      for (std::uint64_t i = 0; i < repeat; ++i) whole += piece;
      const Tiled tiled(piece, repeat, 64);
      ASSERT_EQ(tiled.size(), whole.size());
      for (std::uint64_t at = 0; at < whole.size(); at += 7) {
        const std::string_view run = tiled.from(at, 64);
        EXPECT_GE(run.size(), std::min<std::uint64_t>(64, whole.size() - at));
        EXPECT_EQ(run, std::string_view(whole).substr(static_cast<std::size_t>(at), run.size())) << piece << " x " << repeat << " at " << at;
      }
      std::string chunked;
      Message{piece, repeat}.chunks([&](std::string_view bytes) { return chunked.append(bytes), true; });
      EXPECT_EQ(chunked, whole);
    }
  }
}

// The sizes are given once over, empty updates included, then again until the message is given.
TEST(UpdateSizes, CycleUntilTheMessageIsGivenAndEndWithTheirEmptyUpdates) {
  const struct { std::vector<std::uint64_t> sizes; std::uint64_t length; std::vector<std::uint64_t> updates; } cases[] = {
      {{64}, 130, {64, 64, 2}},
      {{0}, 0, {0}},
      {{64, 0}, 64, {64, 0}},
      {{1, 200}, 5, {1, 4}},
      {{3}, 0, {0}},
  };
  for (const auto& c : cases) {
    std::vector<std::uint64_t> given;
    std::uint64_t next = 0;
    Way{false, c.sizes}.each(c.length, [&](std::uint64_t offset, std::uint64_t size) {
      EXPECT_EQ(offset, next);
      next += size;
      given.push_back(size);
    });
    EXPECT_EQ(given, c.updates) << c.length;
  }
}

}  // namespace
