// SPDX-License-Identifier: MIT
// The engine against OpenSSL: the one-call digest, and the stream fed in arbitrary pieces, on
// arbitrary messages; a partial last byte through the stream in pieces and in one. Any difference
// aborts.
#include <fuzzer/FuzzedDataProvider.h>
#include <openssl/sha.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "digest/sha1digest.h"

namespace bu = basicutilities;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const auto partialbits = in.ConsumeIntegralInRange<unsigned>(0, 7);
  const auto partial = in.ConsumeIntegral<std::uint8_t>();
  const auto seed = in.ConsumeIntegral<std::uint32_t>();
  const std::string message = in.ConsumeRemainingBytesAsString();

  bu::Sha1Digest peer;
  SHA1(reinterpret_cast<const unsigned char*>(message.data()), message.size(), peer.data());
  std::string constants, padded = message;
  if (bu::sha1digest(constants, padded) != bu::digesttext(peer)) std::abort();

  // The same bytes in pieces whose sizes come from the seed.
  bu::Sha1Stream pieces, whole;
  std::uint32_t state = seed | 1U;
  for (std::size_t at = 0; at < message.size();) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const std::size_t length = std::min<std::size_t>(message.size() - at, state % 200);
    pieces.add(std::string_view(message).substr(at, length));
    at += length;
  }
  if (pieces.finish() != peer) std::abort();

  pieces.add(message);
  whole.add(std::string_view(message).substr(0, message.size() / 2));
  whole.add(std::string_view(message).substr(message.size() / 2));
  if (pieces.finish(partial, partialbits) != whole.finish(partial, partialbits)) std::abort();
  return 0;
}
