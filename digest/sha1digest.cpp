// SPDX-License-Identifier: MIT
#include "digest/sha1digest.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "digest/sha1block.h"
#include "utilities/basicutilities.h"

namespace basicutilities {
namespace {

constexpr std::size_t blocksize = 64;
constexpr std::size_t constantsdigits = 32;

Sha1Digest digestbytes(const detail::Sha1State& state) {
  Sha1Digest digest;
  for (std::size_t i = 0; i < digest.size(); ++i) {
    digest[i] = static_cast<std::uint8_t>(state[i / 4] >> (24 - 8 * (i % 4)));
  }
  return digest;
}

// A 1 bit, then zeros so that the 8-byte length field ends the last block. A message that ends
// in a partial byte (its top partialbits bits) has that byte first, the 1 bit right after them.
struct Padding {
  explicit Padding(std::uint64_t length, std::uint8_t partial = 0, unsigned partialbits = 0)
      : size(1 + (blocksize - (length + 1 + 8) % blocksize) % blocksize + 8) {
    bytes.fill(0);
    const auto kept = static_cast<std::uint8_t>(0xFF00U >> partialbits);
    bytes[0] = static_cast<std::uint8_t>((partial & kept) | (0x80U >> partialbits));
    // The standard's length field is the bit count modulo 2^64.
    const std::uint64_t bits = length * 8 + partialbits;
    for (std::size_t i = 0; i < 8; ++i) bytes[size - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
  std::array<std::uint8_t, blocksize + 8> bytes;
  std::size_t size;
};

const std::uint8_t* bytesof(const std::string& text) { return reinterpret_cast<const std::uint8_t*>(text.data()); }

}  // namespace

RoundConstants roundconstants(std::string& constants) {
  const std::string filled = std::string(constantsdigits, '0') + constants;
  constants = filled.substr(filled.size() - constantsdigits);
  // The text is the 128-bit number K3 K2 K1 K0: K0 is the last group of eight.
  RoundConstants k;
  for (std::size_t i = 0; i < k.size(); ++i) {
    std::string group = constants.substr(constantsdigits - 8 * (i + 1), 8);  // hextodec may rewrite it
    k[i] = static_cast<std::uint32_t>(hextodec(group));
  }
  return k;
}

std::string digesttext(const Sha1Digest& digest) { return basicutilities::hexencode(digest, HexCase::upper, 4); }

std::string digesthex(const Sha1Digest& digest) { return basicutilities::hexencode(digest, HexCase::lower); }

std::optional<Sha1Digest> parsedigest(std::string_view text) {
  std::string digits;
  for (const char c : text) {
    if (c != ' ') digits += c;
  }
  const HexDecoded decoded = hexdecode(digits);
  Sha1Digest digest{};
  if (!decoded.ok() || decoded.bytes.size() != digest.size()) return std::nullopt;
  std::copy(decoded.bytes.begin(), decoded.bytes.end(), digest.begin());
  return digest;
}

std::string sha1padding(std::uint64_t length) {
  const Padding padding(length);
  return {reinterpret_cast<const char*>(padding.bytes.data()), padding.size};
}

std::string sha1digest(std::string& constants, std::string& message) {
  const RoundConstants k = constants.empty() ? standardroundconstants : roundconstants(constants);
  const Padding padding(message.size());
  message.append(reinterpret_cast<const char*>(padding.bytes.data()), padding.size);
  detail::Sha1State state = detail::sha1initialstate;
  detail::sha1blocks(state, k, bytesof(message), message.size() / blocksize);
  return digesttext(digestbytes(state));
}

Sha1Stream::Sha1Stream(const RoundConstants& constants) noexcept : constants_(constants) { restart(); }

void Sha1Stream::restart() noexcept {
  state_ = detail::sha1initialstate;
  pendingsize_ = 0;
  length_ = 0;
}

void Sha1Stream::add(std::span<const std::uint8_t> bytes) noexcept {
  length_ += bytes.size();
  if (pendingsize_ > 0) {
    const std::size_t take = std::min(blocksize - pendingsize_, bytes.size());
    std::copy_n(bytes.begin(), take, pending_.begin() + static_cast<std::ptrdiff_t>(pendingsize_));
    pendingsize_ += take;
    bytes = bytes.subspan(take);
    if (pendingsize_ < blocksize) return;
    detail::sha1blocks(state_, constants_, pending_.data(), 1);
    pendingsize_ = 0;
  }
  // Whole blocks straight from the caller's memory.
  const std::size_t whole = bytes.size() / blocksize;
  detail::sha1blocks(state_, constants_, bytes.data(), whole);
  bytes = bytes.subspan(whole * blocksize);
  std::copy(bytes.begin(), bytes.end(), pending_.begin());
  pendingsize_ = bytes.size();
}

void Sha1Stream::add(std::string_view bytes) noexcept {
  add(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Sha1Digest Sha1Stream::finish() noexcept { return finish(0, 0); }

Sha1Digest Sha1Stream::finish(std::uint8_t partial, unsigned partialbits) {
  if (partialbits > 7) throw std::invalid_argument("a partial byte has 0 to 7 bits, not " + std::to_string(partialbits));
  const Padding padding(length_, partial, partialbits);
  add(std::span(padding.bytes.data(), padding.size));
  const Sha1Digest digest = digestbytes(state_);
  restart();
  return digest;
}

}  // namespace basicutilities
