#include <bit>

#include "utilities/basicutilities.h"

namespace basicutilities {
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
  std::string text(digits, '0');
  std::uint32_t u = unsignedword(v);
  for (std::size_t i = digits; i-- > 0; u >>= 4) text[i] = hexdigits[u & 0xFU];
  return text;
}

}  // namespace basicutilities
