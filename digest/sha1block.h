// SPDX-License-Identifier: MIT
// The SHA-1 compression function, internal to the engine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "digest/sha1digest.h"

namespace basicutilities::detail {

using Sha1State = std::array<std::uint32_t, 5>;
inline constexpr Sha1State sha1initialstate{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

// The three round functions of FIPS 180-4 section 4.1.1; "parity" serves two ranges.
constexpr std::uint32_t choose(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return d ^ (b & (c ^ d)); }
constexpr std::uint32_t parity(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return b ^ c ^ d; }
constexpr std::uint32_t majority(std::uint32_t b, std::uint32_t c, std::uint32_t d) { return (b & c) | (d & (b | c)); }

// Runs the compression function over count consecutive 64-byte blocks, chaining into state.
// Uses the processor's SHA extensions where it has them and the constants are the standard ones,
// unless SHA1TESTER_FORCE_PORTABLE is set (non-empty, not "0") when first called.
void sha1blocks(Sha1State& state, const RoundConstants& constants, const std::uint8_t* blocks,
                std::size_t count) noexcept;

// The two implementations, for tests and benchmarks. The SHA extensions know only the standard
// constants, and may be called only where processorhasshaextensions() (read from CPUID).
void sha1blocksportable(Sha1State& state, const RoundConstants& constants, const std::uint8_t* blocks,
                        std::size_t count) noexcept;
void sha1blocksshani(Sha1State& state, const std::uint8_t* blocks, std::size_t count) noexcept;
bool processorhasshaextensions() noexcept;
// Whether the processor has BMI1 and BMI2, for which the portable rounds are also built.
bool processorhasbmi2() noexcept;
// Whether sha1blocks takes the SHA extensions for the standard constants in this run: the
// processor has them and SHA1TESTER_FORCE_PORTABLE does not forbid them.
bool shaextensionsinuse() noexcept;
// Whether a value of SHA1TESTER_FORCE_PORTABLE (nullptr when unset) forbids them.
bool portableforced(const char* value) noexcept;

}  // namespace basicutilities::detail
