// Our engine, on both of its compression functions, against OpenSSL's SHA-1.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "digest/sha1block.h"
#include "digest/sha1digest.h"
#include "support/vectorfiles.h"

namespace {

using basicutilities::Sha1Digest;
using basicutilities::Sha1Stream;

class OpensslSha1 {
 public:
  OpensslSha1() : context_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(context_, EVP_sha1(), nullptr); }
  ~OpensslSha1() { EVP_MD_CTX_free(context_); }
  OpensslSha1(const OpensslSha1&) = delete;
  OpensslSha1& operator=(const OpensslSha1&) = delete;

  void add(std::string_view bytes) { EVP_DigestUpdate(context_, bytes.data(), bytes.size()); }
  Sha1Digest finish() {
    Sha1Digest digest;
    EVP_DigestFinal_ex(context_, digest.data(), nullptr);
    EVP_DigestInit_ex(context_, EVP_sha1(), nullptr);
    return digest;
  }

 private:
  EVP_MD_CTX* context_;
};

std::string opensslhex(std::string_view message) {
  OpensslSha1 peer;
  peer.add(message);
  return basicutilities::digesthex(peer.finish());
}

Sha1Digest opensslone(const std::string& message) {
  Sha1Digest digest;
  EVP_Digest(message.data(), message.size(), digest.data(), nullptr, EVP_sha1(), nullptr);
  return digest;
}

std::string randombytes(std::mt19937& random, std::size_t size) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(byte(random));
  return bytes;
}

TEST(AgainstOpenssl, EveryLengthFromZeroTo300RandomBytes) {
  std::mt19937 random(2026);
  for (std::size_t length = 0; length <= 300; ++length) {
    const std::string message = randombytes(random, length);
    std::string padded = message;
    std::string constants;
    EXPECT_EQ(testsupport::vectorform(basicutilities::sha1digest(constants, padded)), opensslhex(message)) << length;
  }
}

TEST(AgainstOpenssl, StreamAtEverySplitPoint) {
  std::mt19937 random(180);
  for (const std::size_t length : {0, 1, 63, 64, 65, 130, 200}) {
    const std::string message = randombytes(random, length);
    const std::string expected = opensslhex(message);
    Sha1Stream stream;
    for (std::size_t split = 0; split <= length; ++split) {
      stream.add(std::string_view(message).substr(0, split));
      stream.add(std::string_view(message).substr(split));
      ASSERT_EQ(basicutilities::digesthex(stream.finish()), expected) << length << " split at " << split;
    }
  }
}

// Past 2^32 bits the length field needs its upper half.
TEST(AgainstOpenssl, StreamLongerThan2To32Bits) {
  std::mt19937 random(32);
  const std::string chunk = randombytes(random, 1 << 20);
  const std::size_t chunks = 513;  // 2^32 bits is 512 MiB
  Sha1Stream stream;
  OpensslSha1 peer;
  for (std::size_t i = 0; i < chunks; ++i) {
    stream.add(chunk);
    peer.add(chunk);
  }
  stream.add("tail");
  peer.add("tail");
  EXPECT_EQ(basicutilities::digesthex(stream.finish()), basicutilities::digesthex(peer.finish()));
}

// The engine's own interface gets past 2^29 characters too (its bit count needs 33 bits).
TEST(AgainstOpenssl, DigestOfMoreThan2To29Characters) {
  std::string message((std::size_t{1} << 29) + 3, 'q');
  const std::string expected = opensslhex(message);
  std::string constants;
  EXPECT_EQ(testsupport::vectorform(basicutilities::sha1digest(constants, message)), expected);
}

// ---- The two compression functions: SHA extensions and portable -----------------------------

// The digest of message through one block function, padding as the engine does.
template <class Blocks>
basicutilities::Sha1Digest digestwith(std::string message, Blocks blocks) {
  message += basicutilities::sha1padding(message.size());
  basicutilities::detail::Sha1State state = basicutilities::detail::sha1initialstate;
  blocks(state, reinterpret_cast<const std::uint8_t*>(message.data()), message.size() / 64);
  basicutilities::Sha1Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

const auto portable = [](basicutilities::detail::Sha1State& state, const std::uint8_t* blocks, std::size_t count) {
  basicutilities::detail::sha1blocksportable(state, basicutilities::standardroundconstants, blocks, count);
};

TEST(AgainstOpenssl, BothAgreeWithOpensslOnEveryLengthUpTo1100Bytes) {
  const bool extensions = basicutilities::detail::processorhasshaextensions();
  if (!extensions) std::cout << "no SHA extensions on this processor: only the portable path is checked\n";
  std::mt19937 random(1100);
  for (std::size_t length = 0; length <= 1100; ++length) {
    const std::string message = randombytes(random, length);
    const Sha1Digest expected = opensslone(message);
    ASSERT_EQ(digestwith(message, portable), expected) << "portable, " << length << " bytes";
    if (extensions) {
      ASSERT_EQ(digestwith(message, basicutilities::detail::sha1blocksshani), expected) << "SHA extensions, " << length << " bytes";
    }
  }
}

TEST(AgainstOpenssl, StreamAgreesWithOpensslOnRandomSplits) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    const std::string message = randombytes(random, std::uniform_int_distribution<std::size_t>(0, 3000)(random));
    Sha1Stream stream;
    for (std::size_t at = 0; at < message.size();) {
      const auto piece = std::uniform_int_distribution<std::size_t>(0, 200)(random);
      stream.add(std::string_view(message).substr(at, piece));
      at += piece;
    }
    ASSERT_EQ(stream.finish(), opensslone(message)) << message.size() << " bytes";
  }
}

TEST(AgainstOpenssl, CustomConstantsAlwaysTakeThePortablePath) {
  const basicutilities::RoundConstants custom{1, 2, 3, 4};
  std::mt19937 random(5);
  const std::string message = randombytes(random, 300);
  Sha1Stream stream(custom);
  stream.add(message);
  const auto viacustom = [&custom](basicutilities::detail::Sha1State& state, const std::uint8_t* blocks, std::size_t count) {
    basicutilities::detail::sha1blocksportable(state, custom, blocks, count);
  };
  EXPECT_EQ(stream.finish(), digestwith(message, viacustom));
  EXPECT_NE(digestwith(message, viacustom), opensslone(message));
}

}  // namespace
