// The two compression functions: the SHA extensions and the portable one must agree to the bit.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "digest/sha1block.h"
#include "digest/sha1digest.h"

namespace {

using namespace basicutilities;

std::string randombytes(std::mt19937& random, std::size_t size) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(byte(random));
  return bytes;
}

// The digest of message through one block function, padding as the engine does.
template <class Blocks>
Sha1Digest digestwith(std::string message, Blocks blocks) {
  message += sha1padding(message.size());
  detail::Sha1State state = detail::sha1initialstate;
  blocks(state, reinterpret_cast<const std::uint8_t*>(message.data()), message.size() / 64);
  Sha1Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

Sha1Digest openssl(const std::string& message) {
  Sha1Digest digest;
  EVP_Digest(message.data(), message.size(), digest.data(), nullptr, EVP_sha1(), nullptr);
  return digest;
}

const auto portable = [](detail::Sha1State& state, const std::uint8_t* blocks, std::size_t count) {
  detail::sha1blocksportable(state, standardroundconstants, blocks, count);
};

TEST(BlockPaths, BothAgreeWithOpensslOnEveryLengthUpTo1100Bytes) {
  const bool extensions = detail::shaextensionsavailable();
  if (!extensions) std::cout << "no SHA extensions on this processor: only the portable path is checked\n";
  std::mt19937 random(1100);
  for (std::size_t length = 0; length <= 1100; ++length) {
    const std::string message = randombytes(random, length);
    const Sha1Digest expected = openssl(message);
    ASSERT_EQ(digestwith(message, portable), expected) << "portable, " << length << " bytes";
    if (extensions) {
      ASSERT_EQ(digestwith(message, detail::sha1blocksshani), expected) << "SHA extensions, " << length << " bytes";
    }
  }
}

TEST(BlockPaths, StreamAgreesWithOpensslOnRandomSplits) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const std::string message = randombytes(random, std::uniform_int_distribution<std::size_t>(0, 3000)(random));
    Sha1Stream stream;
    for (std::size_t at = 0; at < message.size();) {
      const auto piece = std::uniform_int_distribution<std::size_t>(0, 200)(random);
      stream.add(std::string_view(message).substr(at, piece));
      at += piece;
    }
    ASSERT_EQ(stream.finish(), openssl(message)) << message.size() << " bytes";
  }
}

TEST(BlockPaths, CustomConstantsAlwaysTakeThePortablePath) {
  const RoundConstants custom{1, 2, 3, 4};
  std::mt19937 random(5);
  const std::string message = randombytes(random, 300);
  Sha1Stream stream(custom);
  stream.add(message);
  const auto viacustom = [&custom](detail::Sha1State& state, const std::uint8_t* blocks, std::size_t count) {
    detail::sha1blocksportable(state, custom, blocks, count);
  };
  EXPECT_EQ(stream.finish(), digestwith(message, viacustom));
  EXPECT_NE(digestwith(message, viacustom), openssl(message));
}

}  // namespace
