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

Sha1FinalBlocks sha1finalblocks(std::span<const std::uint8_t> tail, std::uint64_t length, const Sha1Padding& rules, std::uint8_t partial,
                                unsigned partialbits) noexcept {
  Sha1FinalBlocks last;
  std::copy(tail.begin(), tail.end(), last.bytes.begin());
  // The 1 bit right after the message's last bit.
  const auto kept = static_cast<std::uint8_t>(0xFF00U >> partialbits);
  last.bytes[tail.size()] = static_cast<std::uint8_t>((partial & kept) | (0x80U >> partialbits));
  const std::size_t used = tail.size() + 1, lengthat = blocksize - rules.lengthbytes;  // where the length begins in its block
  const bool fits = used < lengthat || (used == lengthat && !rules.blockwhenexact);
  last.size = fits || !rules.extrablock ? blocksize : 2 * blocksize;
  std::uint64_t count = length * rules.lengthunit + partialbits;  // modulo 2^64, as SHA-1's own count
  if (rules.countbits < 64) count &= (std::uint64_t{1} << rules.countbits) - 1;
  if (rules.lengthbytes < 8) count &= 0xFFFFFFFF;
  for (std::size_t i = 0; i < rules.lengthbytes; ++i) {
    const std::size_t shift = 8 * (rules.bigendianlength ? rules.lengthbytes - 1 - i : i);
    last.bytes[last.size - rules.lengthbytes + i] = static_cast<std::uint8_t>(count >> shift);
  }
  return last;
}

Sha1FinalBlocks sha1finalblocks(std::string_view tail, std::uint64_t length, const Sha1Padding& rules) noexcept {
  return sha1finalblocks(std::span(reinterpret_cast<const std::uint8_t*>(tail.data()), tail.size()), length, rules);
}

std::string sha1padding(std::uint64_t length) {
  const std::size_t tail = length % blocksize;
  return std::string(sha1finalblocks(std::string(tail, '\0'), length).view().substr(tail));
}

std::string sha1digest(std::string& constants, std::string& message) {
  const RoundConstants k = constants.empty() ? standardroundconstants : roundconstants(constants);
  const std::size_t tail = message.size() % blocksize;
  message += sha1finalblocks(std::string_view(message).substr(message.size() - tail), message.size()).view().substr(tail);
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
  const Sha1Digest digest = digestbytes(endstate({}, partial, partialbits));
  restart();
  return digest;
}

std::array<std::uint32_t, 5> Sha1Stream::endstate(const Sha1Padding& rules, std::uint8_t partial, unsigned partialbits) const noexcept {
  const Sha1FinalBlocks last = sha1finalblocks(std::span(pending_.data(), pendingsize_), length_, rules, partial, partialbits);
  detail::Sha1State state = state_;
  detail::sha1blocks(state, constants_, last.bytes.data(), last.size / blocksize);
  return state;
}

}  // namespace basicutilities
