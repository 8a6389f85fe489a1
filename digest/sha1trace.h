// SPDX-License-Identifier: MIT
// SHA-1 at work on one message, step by step, for comparing with an implementation's own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "digest/sha1digest.h"

namespace basicutilities {

// The working of SHA-1 on message, in the layout of NIST's worked example (one block after another:
// "Block Contents:" and W[0] to W[15], then "Schedule:" and W[16] to W[79], then "A B C D E" and
// a line "t=NN: A B C D E" after each round, then "H[i] = old + e = new"), hex upper-case, so that
// two traces can be compared line by line.
std::string sha1trace(std::string_view message, const RoundConstants& constants = standardroundconstants);

// How many 64-byte blocks a message of length bytes pads to.
std::uint64_t sha1blockcount(std::uint64_t length);
// Block number block (from 0, below sha1blockcount) of sha1trace's telling, from its "Block
// Contents:" to its chaining values. The blocks before it are hashed by the engine, so a block far
// into a long message comes as fast as hashing up to it.
std::string sha1traceblock(std::string_view message, std::uint64_t block);

}  // namespace basicutilities
