// SPDX-License-Identifier: MIT
#include "utilities/hex.h"

namespace basicutilities {

std::string hexencode(std::span<const std::uint8_t> bytes, HexCase letters, std::size_t group) {
  const std::string_view digits = letters == HexCase::upper ? hexdigits : "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2 + (group > 0 ? bytes.size() / group : 0));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (group > 0 && i > 0 && i % group == 0) text += ' ';
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0xFU];
  }
  return text;
}

std::string hexencode(std::string_view bytes, HexCase letters, std::size_t group) {
  return hexencode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), letters, group);
}

HexDecoded hexdecode(std::string_view hex) {
  HexDecoded result;
  if (hex.size() % 2 != 0) {
    result.odd = true;
    return result;
  }
  result.bytes.resize(hex.size() / 2);
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const int high = hexdigitvalue(hex[i]), low = hexdigitvalue(hex[i + 1]);
    if (high < 0 || low < 0) {
      result.baddigit = high < 0 ? i : i + 1;
      result.bytes.clear();
      return result;
    }
    result.bytes[i / 2] = static_cast<char>(high << 4 | low);
  }
  return result;
}

}  // namespace basicutilities
