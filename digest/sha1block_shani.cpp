// SPDX-License-Identifier: MIT
// The compression function on the x86 SHA extensions. Compiled for them here alone, and only
// called after the processor has said it has them.
#include "digest/sha1block.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>

#include <utility>

#define SHA1_SHANI_TARGET __attribute__((target("sha,sse4.1,ssse3")))

namespace basicutilities::detail {
namespace {

struct Lanes {
  __m128i abcd, e[2], msg[4];
};

// Rounds 4g to 4g+3 once all four message registers are loaded (g >= 3): this group's schedule
// words feed the next ones through msg1, xor and msg2, and e alternates between its two registers.
template <int G>
SHA1_SHANI_TARGET inline void rounds(Lanes& l) {
  constexpr int in = G % 2, out = 1 - G % 2;
  const __m128i current = l.msg[G % 4];
  l.e[in] = _mm_sha1nexte_epu32(l.e[in], current);
  l.e[out] = l.abcd;
  l.msg[(G + 1) % 4] = _mm_sha1msg2_epu32(l.msg[(G + 1) % 4], current);
  l.abcd = _mm_sha1rnds4_epu32(l.abcd, l.e[in], G / 5);
  l.msg[(G + 3) % 4] = _mm_sha1msg1_epu32(l.msg[(G + 3) % 4], current);
  l.msg[(G + 2) % 4] = _mm_xor_si128(l.msg[(G + 2) % 4], current);
}

template <int... G>
SHA1_SHANI_TARGET inline void laterrounds(Lanes& l, std::integer_sequence<int, G...>) {
  (rounds<G + 3>(l), ...);
}

SHA1_SHANI_TARGET __m128i loadwords(const std::uint8_t* p) {
  const __m128i bigendian = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), bigendian);
}

}  // namespace

SHA1_SHANI_TARGET void sha1blocksshani(Sha1State& state, const std::uint8_t* blocks, std::size_t count) noexcept {
  Lanes l;
  l.abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state.data())), 0x1B);
  l.e[0] = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abcdbefore = l.abcd, ebefore = l.e[0];
    // Rounds 0-11 load the block; from round 12 on the pattern repeats.
    l.msg[0] = loadwords(blocks);
    l.e[0] = _mm_add_epi32(l.e[0], l.msg[0]);
    l.e[1] = l.abcd;
    l.abcd = _mm_sha1rnds4_epu32(l.abcd, l.e[0], 0);
    l.msg[1] = loadwords(blocks + 16);
    l.e[1] = _mm_sha1nexte_epu32(l.e[1], l.msg[1]);
    l.e[0] = l.abcd;
    l.abcd = _mm_sha1rnds4_epu32(l.abcd, l.e[1], 0);
    l.msg[0] = _mm_sha1msg1_epu32(l.msg[0], l.msg[1]);
    l.msg[2] = loadwords(blocks + 32);
    l.e[0] = _mm_sha1nexte_epu32(l.e[0], l.msg[2]);
    l.e[1] = l.abcd;
    l.abcd = _mm_sha1rnds4_epu32(l.abcd, l.e[0], 0);
    l.msg[1] = _mm_sha1msg1_epu32(l.msg[1], l.msg[2]);
    l.msg[0] = _mm_xor_si128(l.msg[0], l.msg[2]);
    l.msg[3] = loadwords(blocks + 48);
    laterrounds(l, std::make_integer_sequence<int, 17>{});  // groups 3 to 19

    // e[0] holds A of round 75, from which nexte derives the last e, adding the chained e to it.
    l.e[0] = _mm_sha1nexte_epu32(l.e[0], ebefore);
    l.abcd = _mm_add_epi32(l.abcd, abcdbefore);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state.data()), _mm_shuffle_epi32(l.abcd, 0x1B));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(l.e[0], 3));
}

bool processorhasshaextensions() noexcept {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d) == 0) return false;
  const bool ssse3 = (c & bit_SSSE3) != 0, sse41 = (c & bit_SSE4_1) != 0;
  if (__get_cpuid_count(7, 0, &a, &b, &c, &d) == 0) return false;
  return ssse3 && sse41 && (b & bit_SHA) != 0;
}

bool processorhasbmi2() noexcept {
  unsigned a = 0, b = 0, c = 0, d = 0;
  return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_BMI) != 0 && (b & bit_BMI2) != 0;
}

}  // namespace basicutilities::detail

#else

namespace basicutilities::detail {
void sha1blocksshani(Sha1State&, const std::uint8_t*, std::size_t) noexcept {}
bool processorhasshaextensions() noexcept { return false; }
bool processorhasbmi2() noexcept { return false; }
}  // namespace basicutilities::detail

#endif
