// SPDX-License-Identifier: MIT
// The SHA-1 engine (FIPS 180-4), with an optional replacement of the four round constants.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace basicutilities {

// K0..K3, the constants of steps 0-19, 20-39, 40-59 and 60-79.
using RoundConstants = std::array<std::uint32_t, 4>;
inline constexpr RoundConstants standardroundconstants{0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};

// The 20 digest bytes, H0 first, each word big-endian.
using Sha1Digest = std::array<std::uint8_t, 20>;

// The digest of message, as five 8-digit upper-case hexadecimal words separated by single blanks
// (44 characters): "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D" for "abc".
// Each char of message is one byte (read as unsigned).
// message: padded in place; on return it holds the padded message (a multiple of 64 bytes).
// constants: empty selects the standard constants and is left alone; any other text is read as
// by roundconstants() and rewritten to 32 characters.
// Throws HexOverflowError (from hextodec) when a constants group cannot be read; then the digest is
// not computed and message is left as it was. Throws std::bad_alloc when the padding cannot be
// appended. Nothing else.
std::string sha1digest(std::string& constants, std::string& message);

// The round constants a constants text stands for: the text, filled with "0" on the left to 32
// characters or cut to its last 32, is the 128-bit number K3 K2 K1 K0, each group of 8 read by
// hextodec. The caller's text is rewritten to those 32 characters.
// Throws HexOverflowError for a group hextodec cannot read (a non-digit first character).
RoundConstants roundconstants(std::string& constants);

// "A9993E36 4706816A ..." for a digest.
std::string digesttext(const Sha1Digest& digest);
// "a9993e364706816a...": 40 lower-case digits, the form other tools print.
std::string digesthex(const Sha1Digest& digest);
// The digest that text spells: 40 hexadecimal digits in either case, with or without blanks
// between them (so digesttext's form and digesthex's both read back); nullopt for anything else.
std::optional<Sha1Digest> parsedigest(std::string_view text);

// What SHA-1 appends to a message of length bytes: 0x80, zeros up to 56 modulo 64, and the
// 64-bit big-endian bit count (modulo 2^64).
std::string sha1padding(std::uint64_t length);

// How a message's end is padded: a 1 bit, zeros, then the length. The defaults are SHA-1's; each
// field changes one step as a classic mistake does.
struct Sha1Padding {
  unsigned lengthunit = 8;      // bits a unit of the length counts: 1 counts bytes
  bool bigendianlength = true;
  unsigned lengthbytes = 8;     // 4: a 32-bit field, so zeros up to 60 modulo 64
  unsigned countbits = 64;      // the count kept in this many bits (32, or only 8 or 16 written), whatever the field's width
  bool extrablock = true;       // false: with no room for the length, it is written over the block's end
  bool blockwhenexact = false;  // a block added even when the length just fits (55 bytes in the last block)
  bool operator==(const Sha1Padding&) const = default;
};

// The last block or two of a message of length whole bytes: tail (its last length modulo 64
// bytes), then the top partialbits (0 to 7) bits of partial, then the padding as rules have it.
struct Sha1FinalBlocks {
  std::array<std::uint8_t, 128> bytes{};
  std::size_t size = 0;  // 64 or 128
  std::string_view view() const { return {reinterpret_cast<const char*>(bytes.data()), size}; }
};
Sha1FinalBlocks sha1finalblocks(std::span<const std::uint8_t> tail, std::uint64_t length, const Sha1Padding& rules = {},
                                std::uint8_t partial = 0, unsigned partialbits = 0) noexcept;
Sha1FinalBlocks sha1finalblocks(std::string_view tail, std::uint64_t length, const Sha1Padding& rules = {}) noexcept;

// Hashes input that arrives in pieces, with no copy of it beyond one partial block.
// Any split of the same bytes gives the same digest as sha1digest on the whole.
class Sha1Stream {
 public:
  explicit Sha1Stream(const RoundConstants& constants = standardroundconstants) noexcept;

  void add(std::span<const std::uint8_t> bytes) noexcept;
  void add(std::string_view bytes) noexcept;

  // Pads, returns the digest of everything added since the start, and starts again (same
  // constants), so one object can hash message after message. An empty stream gives the digest
  // of the empty message.
  Sha1Digest finish() noexcept;
  // The same for a message whose length is not a whole number of bytes: it ends with the top
  // partialbits (0 to 7) bits of partial, most significant first; its other bits are ignored.
  // Throws std::invalid_argument for partialbits above 7, and the stream is left as it was.
  Sha1Digest finish(std::uint8_t partial, unsigned partialbits);
  // The chaining values once the end of what was added is padded as rules have it; the stream is
  // left as it was (so one pass can be padded several ways).
  std::array<std::uint32_t, 5> endstate(const Sha1Padding& rules = {}, std::uint8_t partial = 0, unsigned partialbits = 0) const noexcept;

 private:
  void restart() noexcept;

  RoundConstants constants_;
  std::array<std::uint32_t, 5> state_{};
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingsize_ = 0;
  std::uint64_t length_ = 0;  // bytes added since the start, modulo 2^64
};

}  // namespace basicutilities
