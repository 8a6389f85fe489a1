// The SHA-1 compression function, internal to the engine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "digest/sha1digest.h"

namespace basicutilities::detail {

using Sha1State = std::array<std::uint32_t, 5>;
inline constexpr Sha1State sha1initialstate{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};

// Runs the compression function over count consecutive 64-byte blocks, chaining into state.
void sha1blocks(Sha1State& state, const RoundConstants& constants, const std::uint8_t* blocks,
                std::size_t count) noexcept;

}  // namespace basicutilities::detail
