// SPDX-License-Identifier: MIT
#include <bit>

#include "utilities/basicutilities.h"

namespace basicutilities {

std::string wordhex(std::uint32_t value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                                 static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  return hexencode(bytes);
}

namespace {

constexpr std::uint32_t unsignedword(Word w) noexcept { return static_cast<std::uint32_t>(w); }
// Modular since C++20: the bit pattern is kept.
constexpr Word signedword(std::uint32_t u) noexcept { return static_cast<Word>(u); }

}  // namespace

Word wordadd(Word a, Word b) noexcept { return signedword(unsignedword(a) + unsignedword(b)); }

Word rleft(Word x, std::int16_t n) noexcept {
  if (n < 1 || n > 31) return x;
  return signedword(std::rotl(unsignedword(x), n));
}

Word sright(Word x, std::int16_t n) noexcept {
  if (n <= 0) return x;
  if (n >= 32) return 0;
  return signedword(unsignedword(x) >> n);
}

Word sleft(Word x, std::int16_t n) noexcept {
  if (n <= 0) return x;
  if (n >= 32) return 0;
  return signedword(unsignedword(x) << n);
}

std::string wordtohex(Word v, std::int16_t width) {
  if (width <= 0) return {};
  const auto digits = static_cast<std::size_t>(width > 8 ? 8 : width);
  return wordhex(unsignedword(v)).substr(8 - digits);
}

}  // namespace basicutilities
