// SPDX-License-Identifier: MIT
// A SHA-1 written plainly from FIPS 180-4, apart from the product's engine: the tests' peer where
// OpenSSL is not to be had (the Windows build).
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

class ReferenceSha1 {
 public:
  void add(std::string_view bytes) {
    length_ += bytes.size();
    for (const char c : bytes) {
      buffer_ += c;
      if (buffer_.size() == 64) block();
    }
  }
  std::array<std::uint8_t, 20> finish() {
    const std::uint64_t bits = length_ * 8;
    buffer_ += '\x80';
    if (buffer_.size() > 56) {
      buffer_.resize(64, '\0');
      block();
    }
    buffer_.resize(56, '\0');
    for (int i = 7; i >= 0; --i) buffer_ += static_cast<char>(bits >> (8 * i));
    block();
    std::array<std::uint8_t, 20> digest{};
    for (std::size_t i = 0; i < 20; ++i) digest[i] = static_cast<std::uint8_t>(h_[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
  }

 private:
  void block() {
    std::uint32_t w[80];
    for (int t = 0; t < 16; ++t) {
      w[t] = 0;
      for (int j = 0; j < 4; ++j) w[t] = w[t] << 8 | static_cast<std::uint8_t>(buffer_[static_cast<std::size_t>(4 * t + j)]);
    }
    for (int t = 16; t < 80; ++t) w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint32_t a = h_[0], b = h_[1], c = h_[2], d = h_[3], e = h_[4];
    for (int t = 0; t < 80; ++t) {
      std::uint32_t f = 0, k = 0;
      if (t < 20) f = (b & c) | (~b & d), k = 0x5A827999;
      else if (t < 40) f = b ^ c ^ d, k = 0x6ED9EBA1;
      else if (t < 60) f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
      else f = b ^ c ^ d, k = 0xCA62C1D6;
      const std::uint32_t temp = std::rotl(a, 5) + f + e + k + w[t];
      e = d, d = c, c = std::rotl(b, 30), b = a, a = temp;
    }
    h_[0] += a, h_[1] += b, h_[2] += c, h_[3] += d, h_[4] += e;
    buffer_.clear();
  }

  std::uint32_t h_[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string buffer_;
  std::uint64_t length_ = 0;
};

}  // namespace testsupport
