// SPDX-License-Identifier: MIT
// Hexadecimal digits, read and written in one place: every other hex form of the program (the
// window's conversions, digests, the vector readers, a command's output) is built on these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace basicutilities {

// The digits of every hexadecimal text this program writes, by value.
inline constexpr std::string_view hexdigits = "0123456789ABCDEF";

// The value of a hexadecimal digit in either case, or -1 for any other character.
constexpr int hexdigitvalue(char32_t c) noexcept {
  if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
  if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A' + 10);
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a' + 10);
  return -1;
}
// A byte of text: one above 0x7F is no digit.
constexpr int hexdigitvalue(char c) noexcept { return hexdigitvalue(static_cast<char32_t>(static_cast<unsigned char>(c))); }
constexpr bool ishexdigit(char32_t c) noexcept { return hexdigitvalue(c) >= 0; }
constexpr bool ishexdigit(char c) noexcept { return hexdigitvalue(c) >= 0; }

enum class HexCase { upper, lower };

// Two digits a byte, most significant first; with group > 0, one blank between groups of that many
// bytes ("A9993E36 4706816A" for group 4).
std::string hexencode(std::span<const std::uint8_t> bytes, HexCase letters = HexCase::upper, std::size_t group = 0);
std::string hexencode(std::string_view bytes, HexCase letters = HexCase::upper, std::size_t group = 0);

// The bytes that pairs of digits (either case) spell, nothing else between them; or where the
// reading failed: an odd count, or the first character that is not a digit.
struct HexDecoded {
  std::string bytes;
  bool odd = false;
  std::size_t baddigit = std::string_view::npos;  // index in the text

  bool ok() const { return !odd && baddigit == std::string_view::npos; }
  // "an odd number of hexadecimal digits", "not hexadecimal: "6g" at digit 3"; the pair is given
  // as the caller shows text (escaped, quoted).
  template <class Quote>
  std::string problem(std::string_view hex, Quote&& quote) const {
    if (odd) return "has an odd number of hexadecimal digits";
    return "is not hexadecimal: " + quote(hex.substr(baddigit & ~std::size_t{1}, 2)) + " at digit " + std::to_string((baddigit & ~std::size_t{1}) + 1);
  }
};
HexDecoded hexdecode(std::string_view hex);

}  // namespace basicutilities
