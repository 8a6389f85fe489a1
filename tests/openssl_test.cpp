// SPDX-License-Identifier: MIT
// Our engine, on both of its compression functions, against OpenSSL's SHA-1 (where there is no
// OpenSSL, a plain reference written apart from the engine).
#include <gtest/gtest.h>
#ifdef SHA1TESTER_HAVE_OPENSSL
#include <openssl/evp.h>
#else
#include "support/referencesha1.h"
#endif

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "digest/sha1block.h"
#include "digest/sha1digest.h"

namespace {

namespace bu = basicutilities;
using bu::Sha1Digest;
using bu::Sha1Stream;

#ifdef SHA1TESTER_HAVE_OPENSSL
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
    return digest;
  }

 private:
  EVP_MD_CTX* context_;
};
#else
using OpensslSha1 = testsupport::ReferenceSha1;
#endif

Sha1Digest openssl(const std::string& message) {
  OpensslSha1 peer;
  peer.add(message);
  return peer.finish();
}

std::string randombytes(std::mt19937& random, std::size_t size) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(byte(random));
  return bytes;
}

// The digest of message through one block function, padding as the engine does.
template <class Blocks>
Sha1Digest digestwith(std::string message, Blocks blocks) {
  message += bu::sha1padding(message.size());
  bu::detail::Sha1State state = bu::detail::sha1initialstate;
  blocks(state, reinterpret_cast<const std::uint8_t*>(message.data()), message.size() / 64);
  Sha1Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
  return digest;
}

const auto portable = [](bu::detail::Sha1State& state, const std::uint8_t* blocks, std::size_t count) {
  bu::detail::sha1blocksportable(state, bu::standardroundconstants, blocks, count);
};

// Every padding case (lengths around each block boundary), random bytes of every value.
TEST(AgainstOpenssl, EveryLengthUpTo1100BytesOnBothPathsAndThroughSha1digest) {
  const bool extensions = bu::detail::processorhasshaextensions();
  if (!extensions) std::cout << "no SHA extensions on this processor: only the portable path is checked\n";
  std::mt19937 random(1100);
  for (std::size_t length = 0; length <= 1100; ++length) {
    const std::string message = randombytes(random, length);
    const Sha1Digest expected = openssl(message);
    ASSERT_EQ(digestwith(message, portable), expected) << "portable, " << length << " bytes";
    if (extensions) {
      ASSERT_EQ(digestwith(message, bu::detail::sha1blocksshani), expected) << "SHA extensions, " << length << " bytes";
    }
    std::string padded = message, constants;
    ASSERT_EQ(bu::sha1digest(constants, padded), bu::digesttext(expected)) << "sha1digest, " << length << " bytes";
  }
}

TEST(AgainstOpenssl, StreamAgreesOnRandomSplits) {
  std::mt19937 random(7);
  Sha1Stream stream;  // one stream for all: finish starts it again
  for (int round = 0; round < 200; ++round) {
    const std::string message = randombytes(random, std::uniform_int_distribution<std::size_t>(0, 3000)(random));
    for (std::size_t at = 0; at < message.size();) {
      const auto piece = std::uniform_int_distribution<std::size_t>(0, 200)(random);
      stream.add(std::string_view(message).substr(at, piece));
      at += piece;
    }
    ASSERT_EQ(stream.finish(), openssl(message)) << message.size() << " bytes";
  }
}

// Past 2^32 bits the length field needs its upper half.
TEST(AgainstOpenssl, StreamLongerThan2To32Bits) {
  std::mt19937 random(32);
  const std::string chunk = randombytes(random, 1 << 20);
  Sha1Stream stream;
  OpensslSha1 peer;
  for (std::size_t i = 0; i < 513; ++i) {  // 2^32 bits is 512 MiB
    stream.add(chunk);
    peer.add(chunk);
  }
  stream.add("tail");
  peer.add("tail");
  EXPECT_EQ(stream.finish(), peer.finish());
}

// Both paths agree, so only this shows whether the fast one is taken: the processor's own word
// (the kernel's flags) against ours, and the switch that forces the portable path (its values read
// as the table says).
TEST(BlockPath, SHAExtensionsAreTakenWhereTheProcessorHasThemUnlessForced) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  if (!cpuinfo) GTEST_SKIP() << "no /proc/cpuinfo to compare with";
  const std::string flags((std::istreambuf_iterator<char>(cpuinfo)), {});
  const bool has = flags.find(" sha_ni") != std::string::npos;
  EXPECT_EQ(bu::detail::processorhasshaextensions(), has);
  EXPECT_EQ(bu::detail::shaextensionsinuse(), has && !bu::detail::portableforced(std::getenv("SHA1TESTER_FORCE_PORTABLE")));
}

}  // namespace
