// Our engine against OpenSSL's SHA-1, an independent implementation.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

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
  return testsupport::lowerhex(peer.finish());
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
      ASSERT_EQ(testsupport::lowerhex(stream.finish()), expected) << length << " split at " << split;
    }
  }
}

TEST(AgainstOpenssl, StreamInRandomPieces) {
  std::mt19937 random(4);
  const std::string message = randombytes(random, 20'000);
  Sha1Stream stream;
  for (std::size_t at = 0; at < message.size();) {
    const auto piece = std::uniform_int_distribution<std::size_t>(0, 300)(random);
    stream.add(std::string_view(message).substr(at, piece));
    at += piece;
  }
  EXPECT_EQ(testsupport::lowerhex(stream.finish()), opensslhex(message));
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
  EXPECT_EQ(testsupport::lowerhex(stream.finish()), testsupport::lowerhex(peer.finish()));
}

// The engine's own interface gets past 2^29 characters too (its bit count needs 33 bits).
TEST(AgainstOpenssl, DigestOfMoreThan2To29Characters) {
  std::string message((std::size_t{1} << 29) + 3, 'q');
  const std::string expected = opensslhex(message);
  std::string constants;
  EXPECT_EQ(testsupport::vectorform(basicutilities::sha1digest(constants, message)), expected);
}

}  // namespace
