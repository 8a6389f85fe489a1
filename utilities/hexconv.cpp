// SPDX-License-Identifier: MIT
#include <algorithm>
#include <limits>

#include "utilities/basicutilities.h"

namespace basicutilities {
namespace {

constexpr std::size_t longesthextext = 8;
constexpr std::string_view zerofill = "000000000000000000";

// The digits of value without leading zeros ("0" for 0).
std::string unsignedhex(std::uint32_t value) {
  const std::string digits = wordhex(value);
  return digits.substr(std::min(digits.find_first_not_of('0'), digits.size() - 1));
}

std::string fillandcut(const std::string& digits, int width) {
  if (width <= 0) return {};
  const std::string filled = std::string(zerofill) + digits;
  const auto keep = std::min(filled.size(), static_cast<std::size_t>(width));
  return filled.substr(filled.size() - keep);
}

}  // namespace

std::int32_t hextodec(std::string& text) {
  if (text.size() > longesthextext) {
    alertuser("Internal error",
              "Function call to [hextodec] provided more than 8 characters of input data.  "
              "This would exceed the 32 bit capability of the environment.");
    return 0;
  }

  // Eight digits are a two's-complement pattern. The top digit is brought below 8 in the
  // caller's text and 2^31 taken off at the end, so the sum itself never needs 32 bits.
  bool negative = false;
  if (text.size() == longesthextext && !(text[0] >= '0' && text[0] <= '7')) {
    std::string top(1, text[0]);
    text[0] = unsignedhex(static_cast<std::uint32_t>(hextodec(top) - 8))[0];
    negative = true;
  }

  std::string working = text;
  std::int32_t firstfield = 1;
  std::string whitespace;
  const std::string word = parsefield(working, firstfield, whitespace);

  // Each character keeps its positional weight; one that is not a hexadecimal digit adds nothing.
  std::int64_t sum = 0;
  for (const char c : word) sum = sum * 16 + std::max(hexdigitvalue(c), 0);
  // Only a top digit rewritten to "F" can need more than 31 bits.
  if (sum > std::numeric_limits<std::int32_t>::max()) {
    throw HexOverflowError("hextodec: the hexadecimal text \"" + text + "\" does not fit in 32 bits");
  }
  if (negative) sum -= std::int64_t{1} << 31;
  return static_cast<std::int32_t>(sum);
}

std::string dectohex(std::int16_t value, int width) {
  return fillandcut(unsignedhex(static_cast<std::uint16_t>(value)), width);
}

std::string dectohex(std::int32_t value, int width) {
  return fillandcut(unsignedhex(static_cast<std::uint32_t>(value)), width);
}

}  // namespace basicutilities
