// SPDX-License-Identifier: MIT
#include "digest/sha1block.h"

#include <bit>
#include <cstdlib>
#include <string_view>

namespace basicutilities::detail {
namespace {

constexpr std::uint32_t loadbigendian(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
}

// The schedule lives in a 16-word ring: W[t] overwrites W[t-16], the only word it no longer needs.
inline std::uint32_t expand(std::array<std::uint32_t, 16>& w, int t) {
  auto& slot = w[static_cast<std::size_t>(t & 15)];
  slot = std::rotl(w[static_cast<std::size_t>((t - 3) & 15)] ^ w[static_cast<std::size_t>((t - 8) & 15)] ^
                       w[static_cast<std::size_t>((t - 14) & 15)] ^ slot,
                   1);
  return slot;
}

// One step with the working words renamed instead of moved: e takes the new A, b is rotated in
// place and becomes the next step's c.
template <std::uint32_t (*F)(std::uint32_t, std::uint32_t, std::uint32_t)>
inline void step(std::uint32_t a, std::uint32_t& b, std::uint32_t c, std::uint32_t d, std::uint32_t& e,
                 std::uint32_t w, std::uint32_t k) {
  // Summed oldest first: rotl(a, 5), on the critical path from one step to the next, comes last.
  e = e + k + w + F(b, c, d) + std::rotl(a, 5);
  b = std::rotl(b, 30);
}

// Five steps bring the names back to where they started, so a loop can run them.
template <std::uint32_t (*F)(std::uint32_t, std::uint32_t, std::uint32_t), class Schedule>
inline void fivesteps(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d, std::uint32_t& e,
                      std::uint32_t k, int t, Schedule word) {
  step<F>(a, b, c, d, e, word(t), k);
  step<F>(e, a, b, c, d, word(t + 1), k);
  step<F>(d, e, a, b, c, word(t + 2), k);
  step<F>(c, d, e, a, b, word(t + 3), k);
  step<F>(b, c, d, e, a, word(t + 4), k);
}

// With the standard constants known when compiling, they become immediate operands: one register
// and one load fewer in every step of a function that has too few registers.
template <bool StandardConstants>
[[gnu::always_inline]] inline void compress(Sha1State& state, const RoundConstants& given, const std::uint8_t* block) {
  const RoundConstants& k = StandardConstants ? standardroundconstants : given;
  std::array<std::uint32_t, 16> w;
  for (std::size_t t = 0; t < 16; ++t) w[t] = loadbigendian(block + 4 * t);
  const auto word = [&w](int t) { return t < 16 ? w[static_cast<std::size_t>(t)] : expand(w, t); };

  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
#pragma GCC unroll 4
  for (int t = 0; t < 20; t += 5) fivesteps<choose>(a, b, c, d, e, k[0], t, word);
#pragma GCC unroll 4
  for (int t = 20; t < 40; t += 5) fivesteps<parity>(a, b, c, d, e, k[1], t, word);
#pragma GCC unroll 4
  for (int t = 40; t < 60; t += 5) fivesteps<majority>(a, b, c, d, e, k[2], t, word);
#pragma GCC unroll 4
  for (int t = 60; t < 80; t += 5) fivesteps<parity>(a, b, c, d, e, k[3], t, word);

  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

}  // namespace

namespace {

[[gnu::always_inline]] inline void portableblocks(Sha1State& state, const RoundConstants& constants, const std::uint8_t* blocks, std::size_t count) noexcept {
  if (constants == standardroundconstants) {
    for (std::size_t i = 0; i < count; ++i) compress<true>(state, constants, blocks + 64 * i);
  } else {
    for (std::size_t i = 0; i < count; ++i) compress<false>(state, constants, blocks + 64 * i);
  }
}

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
// The same rounds built again for processors with BMI2, which rotate in one instruction without
// touching the source register (the rounds are full of rotations). Chosen at run time by CPUID,
// not by the loader, so that it works wherever the program does (PE has no ifunc).
__attribute__((target("bmi,bmi2")))
void bmi2blocks(Sha1State& state, const RoundConstants& constants, const std::uint8_t* blocks, std::size_t count) noexcept {
  portableblocks(state, constants, blocks, count);
}
#endif

}  // namespace

void sha1blocksportable(Sha1State& state, const RoundConstants& constants, const std::uint8_t* blocks,
                        std::size_t count) noexcept {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
  static const bool bmi2 = processorhasbmi2();
  if (bmi2) {
    bmi2blocks(state, constants, blocks, count);
    return;
  }
#endif
  portableblocks(state, constants, blocks, count);
}

bool portableforced(const char* value) noexcept { return value != nullptr && *value != '\0' && std::string_view(value) != "0"; }

bool shaextensionsinuse() noexcept {
  static const bool chosen = !portableforced(std::getenv("SHA1TESTER_FORCE_PORTABLE")) && processorhasshaextensions();
  return chosen;
}

void sha1blocks(Sha1State& state, const RoundConstants& constants, const std::uint8_t* blocks,
                std::size_t count) noexcept {
  if (constants == standardroundconstants && shaextensionsinuse()) {
    sha1blocksshani(state, blocks, count);
  } else {
    sha1blocksportable(state, constants, blocks, count);
  }
}

}  // namespace basicutilities::detail
