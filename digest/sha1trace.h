// SPDX-License-Identifier: MIT
// SHA-1 at work on one message, step by step, for comparing with an implementation's own.
#pragma once

#include <string>
#include <string_view>

#include "digest/sha1digest.h"

namespace basicutilities {

// The working of SHA-1 on message, in the layout of NIST's worked example (one block after another:
// "Block Contents:" and W[0] to W[15], then "Schedule:" and W[16] to W[79], then "A B C D E" and
// a line "t=NN: A B C D E" after each round, then "H[i] = old + e = new"), hex upper-case, so that
// two traces can be compared line by line.
std::string sha1trace(std::string_view message, const RoundConstants& constants = standardroundconstants);

}  // namespace basicutilities
