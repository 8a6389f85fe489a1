// SPDX-License-Identifier: MIT
// The diagnosis of a wrong digest against wrong SHA-1s written here, apart from the product's
// table: padding made by hand and OpenSSL's block function, or a compact block function with one
// slip in it. A slip must be named wherever it changes the digest, and a right digest never.
#define OPENSSL_SUPPRESS_DEPRECATED  // SHA1_Transform: the one way to hand OpenSSL a block of our own padding
#include <gtest/gtest.h>
#ifdef SHA1TESTER_HAVE_OPENSSL
#include <openssl/sha.h>
#endif

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "digest/sha1variants.h"

namespace {

using basicutilities::Sha1Digest;

enum class Slip {
  none, sha0, lewords, ledigest, bytelength, lelength, field32, noextrablock, functions, constants, rotations, noaddition,
  lowbyte, lowtwobytes, blockat55, cstring, wide
};

std::string padded(std::string m, Slip slip) {
  const std::uint64_t n = m.size();
  m += '\x80';
  if (slip == Slip::noextrablock && n % 64 >= 56) {
    m.resize((m.size() + 63) / 64 * 64, '\0');
    m.resize(m.size() - 8);
  } else {
    if (slip == Slip::blockat55 && n % 64 == 55) m.append(64, '\0');
    while (m.size() % 64 != (slip == Slip::field32 ? 60 : 56)) m += '\0';
  }
  std::uint64_t count = slip == Slip::bytelength ? n : n * 8;
  if (slip == Slip::lowbyte || slip == Slip::lowtwobytes) count &= slip == Slip::lowbyte ? 0xFF : 0xFFFF;
  const int bytes = slip == Slip::field32 ? 4 : 8;
  for (int i = 0; i < bytes; ++i) m += static_cast<char>(count >> (slip == Slip::lelength ? 8 * i : 8 * (bytes - 1 - i)));
  return m;
}

// The block function with one of its slips; the others go through OpenSSL's.
void slippedblock(std::uint32_t h[5], const unsigned char* p, Slip slip) {
  static const std::uint32_t k[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};
  std::uint32_t w[80];
  for (int t = 0; t < 16; ++t) w[t] = std::uint32_t{p[4 * t]} << 24 | std::uint32_t{p[4 * t + 1]} << 16 | std::uint32_t{p[4 * t + 2]} << 8 | p[4 * t + 3];
  for (int t = 16; t < 80; ++t) {
    const std::uint32_t x = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];
    w[t] = slip == Slip::sha0 ? x : std::rotl(x, 1);
  }
  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int t = 0; t < 80; ++t) {
    const int range = t / 20;
    const bool majority = (range == 2) != (slip == Slip::functions && range > 0);
    const std::uint32_t f = range == 0 ? (b & c) | (~b & d) : majority ? (b & c) | (b & d) | (c & d) : b ^ c ^ d;
    const bool swapped = slip == Slip::rotations;
    const std::uint32_t next = std::rotl(a, swapped ? 30 : 5) + f + e + k[slip == Slip::constants ? 3 - range : range] + w[t];
    e = d;
    d = c;
    c = std::rotl(b, swapped ? 5 : 30);
    b = a;
    a = next;
  }
  const std::uint32_t worked[5] = {a, b, c, d, e};
  for (int i = 0; i < 5; ++i) h[i] = slip == Slip::noaddition ? worked[i] : h[i] + worked[i];
}

// The whole hash in 64-bit words, nothing masked, the digest from the low halves.
Sha1Digest widesha1(const std::string& padded) {
  const auto rotl = [](std::uint64_t x, int n) { return (x << n) | (x >> (32 - n)); };
  static const std::uint64_t k[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};
  std::uint64_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  for (std::size_t at = 0; at < padded.size(); at += 64) {
    const auto* p = reinterpret_cast<const unsigned char*>(padded.data() + at);
    std::uint64_t w[80];
    for (int t = 0; t < 16; ++t) w[t] = std::uint64_t{p[4 * t]} << 24 | std::uint64_t{p[4 * t + 1]} << 16 | std::uint64_t{p[4 * t + 2]} << 8 | p[4 * t + 3];
    for (int t = 16; t < 80; ++t) w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    std::uint64_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int t = 0; t < 80; ++t) {
      const std::uint64_t f = t < 20 ? (b & c) | (~b & d) : t >= 40 && t < 60 ? (b & c) | (b & d) | (c & d) : b ^ c ^ d;
      const std::uint64_t next = rotl(a, 5) + f + e + k[t / 20] + w[t];
      e = d, d = c, c = rotl(b, 30), b = a, a = next;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  Sha1Digest digest{};
  for (std::size_t i = 0; i < 20; ++i) digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (8 * (3 - i % 4)));
  return digest;
}

Sha1Digest slippedsha1(const std::string& message, Slip slip) {
  if (slip == Slip::cstring) return slippedsha1(message.substr(0, message.find('\0')), Slip::none);
  std::string m = padded(message, slip);
  if (slip == Slip::wide) return widesha1(m);
  if (slip == Slip::lewords) {
    for (std::size_t i = 0; i < m.size(); i += 4) std::swap(m[i], m[i + 3]), std::swap(m[i + 1], m[i + 2]);
  }
  std::uint32_t own[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
#ifdef SHA1TESTER_HAVE_OPENSSL
  SHA_CTX context;
  SHA1_Init(&context);
  std::uint32_t* h[5] = {&context.h0, &context.h1, &context.h2, &context.h3, &context.h4};
  const bool openssls = slip != Slip::sha0 && slip != Slip::functions && slip != Slip::constants && slip != Slip::rotations && slip != Slip::noaddition;
#else
  std::uint32_t* h[5] = {&own[0], &own[1], &own[2], &own[3], &own[4]};
  const bool openssls = false;  // the compact block function with no slip in it stands in
#endif
  for (std::size_t at = 0; at < m.size(); at += 64) {
    const auto* block = reinterpret_cast<const unsigned char*>(m.data() + at);
#ifdef SHA1TESTER_HAVE_OPENSSL
    if (openssls) {
      SHA1_Transform(&context, block);
      continue;
    }
#endif
    slippedblock(own, block, slip);
  }
  Sha1Digest digest{};
  for (int i = 0; i < 20; ++i) {
    const std::uint32_t word = openssls ? *h[i / 4] : own[i / 4];
    const int byte = slip == Slip::ledigest ? i % 4 : 3 - i % 4;
    digest[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(word >> (8 * byte));
  }
  return digest;
}

std::string message(std::size_t length) {
  std::string m(length, '\0');
  for (std::size_t i = 0; i < length; ++i) m[i] = static_cast<char>(i * 7 + length);
  return m;
}

const std::vector<std::pair<Slip, std::string>> slips = {
    {Slip::sha0, "SHA-0"},
    {Slip::lewords, "read into words little-endian"},
    {Slip::ledigest, "digest's words are written little-endian"},
    {Slip::bytelength, "counts bytes"},
    {Slip::lelength, "length at the end of the padding is written little-endian"},
    {Slip::field32, "32-bit field"},
    {Slip::noextrablock, "adds no block"},
    {Slip::functions, "round functions"},
    {Slip::constants, "constants"},
    {Slip::rotations, "rotations by 5 and by 30"},
    {Slip::noaddition, "chaining values are not added"},
    {Slip::lowbyte, "only the length's low byte"},
    {Slip::lowtwobytes, "only the length's low two bytes"},
    {Slip::blockat55, "exactly 55 bytes"},
    {Slip::cstring, "C string"},
    {Slip::wide, "64 bits"},
};

TEST(ClassicMistakes, NamesEachSlipWhereverItChangesTheDigestAndNothingForARightOne) {
  // NIST's published SHA-0("abc") vouches for the slipped block function written here.
  EXPECT_EQ(basicutilities::digesthex(slippedsha1("abc", Slip::sha0)), "0164b8a914cd2a5e74c4f7ff082c4d97f1edf880");
  for (const auto& [slip, named] : slips) {
    int changed = 0;
    for (const std::size_t length : {0, 1, 3, 55, 56, 57, 59, 60, 63, 64, 100, 119, 120, 127, 1000, 8200, 9000}) {
      const std::string m = message(length);
      const Sha1Digest wrong = slippedsha1(m, slip);
      if (wrong == slippedsha1(m, Slip::none)) continue;
      ++changed;
      // Several mistakes may give the same digest (8200 bytes: only the length's low byte or two
      // written): the slip must be among them.
      const auto found = basicutilities::likelymistakes(wrong, m.size(), [&](const auto& take) { take(m); });
      ASSERT_FALSE(found.empty()) << named << ", " << length << " bytes";
      EXPECT_TRUE(std::any_of(found.begin(), found.end(), [&](const auto* mistake) { return mistake->name.find(named) != std::string_view::npos; }))
          << length << " bytes: named \"" << found.front()->name << "\", not " << named;
    }
    EXPECT_GE(changed, 2) << named;
  }
  for (const std::size_t length : {0, 56, 1000}) {
    Sha1Digest right = slippedsha1(message(length), Slip::none);
    EXPECT_EQ(basicutilities::likelymistake(right, message(length)), nullptr) << length;
    right[19] ^= 1;
    EXPECT_EQ(basicutilities::likelymistake(right, message(length)), nullptr) << length << ", one bit off";
  }
}

TEST(ClassicMistakes, NamesSlipsOfPaddingAndOutputInALongMessageFedInPieces) {
  // Past what is held for the reference, and in pieces that straddle blocks: the engine's pass.
  const std::string m = message((std::size_t{1} << 20) + 57);
  const auto feed = [&](const std::function<bool(std::string_view)>& take) {
    for (std::size_t at = 0; at < m.size(); at += 1000) take(std::string_view(m).substr(at, 1000));
  };
  for (const auto& [slip, named] : slips) {
    if (slip != Slip::lelength && slip != Slip::ledigest && slip != Slip::noextrablock && slip != Slip::field32 && slip != Slip::cstring) continue;
    const auto* mistake = basicutilities::likelymistake(slippedsha1(m, slip), m.size(), feed);
    ASSERT_NE(mistake, nullptr) << named;
    EXPECT_NE(mistake->name.find(named), std::string_view::npos) << mistake->name;
  }
}

}  // namespace
