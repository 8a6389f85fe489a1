// SPDX-License-Identifier: MIT
// Random differential testing: random messages, each checked against this program's engine; the
// first failure shrunk to the shortest failing message with the simplest bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "sha1vectors/implementations/implementation.h"

namespace sha1vectors {

// The bytes random messages are made of: any, or only those an implementation that takes text
// can be given (no NUL; printable ASCII), so that shrinking finds its real fault, not the NUL.
enum class RandomBytes { any, nonzero, printable };

struct RandomSettings {
  std::uint64_t count = 0;
  std::uint64_t seed = 0;
  std::uint64_t maxlength = 1024;
  unsigned jobs = 1;
  std::size_t batch = 256;  // messages a call, where the implementation takes many
  RandomBytes bytes = RandomBytes::any;
};

struct RandomResult {
  std::uint64_t passed = 0;
  std::uint64_t unchecked = 0;  // not reached before the run was stopped
  // The first failing message (the one of the lowest number), shrunk, and what the
  // implementation made of it.
  struct Failure {
    std::uint64_t number = 0;
    std::uint64_t length = 0;  // before shrinking
    std::string message;
    Outcome outcome;
  };
  std::optional<Failure> failure;
};

// Message number of the run seeded seed: lengths from 0 to maxlength, half of them at the edges
// padding and buffers have (0, 1, 55, 56, 63, 64, 65, 119, 120, multiples of 64).
std::string randommessage(std::uint64_t seed, std::uint64_t number, std::uint64_t maxlength, RandomBytes bytes = RandomBytes::any);

// Checks count random messages, stopping at the first failure (the lower-numbered ones are still
// checked, so that the failure found is the same for the same seed).
RandomResult checkrandom(Implementation& implementation, const RandomSettings& settings, const std::atomic<bool>& stop);

// A CAVP record of message: "Len = ", "Msg = ", "MD = " (SHA-1's digest), in a file's layout.
std::string cavprecord(const std::string& message);

}  // namespace sha1vectors
