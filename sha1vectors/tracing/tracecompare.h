// SPDX-License-Identifier: MIT
// A trace printed by someone's SHA-1, compared round by round with the reference's for the same
// message: where the two part, what went into that step, and which classic mistake, if any, the
// whole trace matches.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "digest/sha1variants.h"

namespace sha1vectors {

// What a trace gives for one block: a b c d e after each round, and W[t], where it says them.
struct TracedBlock {
  std::array<std::optional<basicutilities::Sha1Words>, 80> rounds;
  std::array<std::optional<std::uint32_t>, 80> w;
  std::array<int, 80> lines{};  // where each round was read
};

// Thrown when a text holds no line that reads as a round.
class TraceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a trace: --trace's own layout, or any table of lines "t a b c d e", optionally with a block
// number before t and W[t] after e; numbers in hexadecimal (t and the block in decimal), any case,
// any separators, "0x" or labels as "a=" allowed. A block ends where t starts again; rounds counted
// from 1 to 80 (a table that has round 80 and no round 0) are taken as 0 to 79. Lines of anything
// else are passed over, and so are blocks past maxblocks (a trace of a message has no more than its
// padded blocks; one more tells that the trace goes on past them).
std::vector<TracedBlock> readtrace(std::string_view text, std::size_t maxblocks = 1 << 20);

struct TraceComparison {
  bool agree = false;
  std::string report;  // what is told, lines ending in "\n"
};

// Compares trace with the working of SHA-1 (with constants) on message.
TraceComparison comparetrace(std::string_view message, const basicutilities::RoundConstants& constants,
                             const std::vector<TracedBlock>& trace);

}  // namespace sha1vectors
