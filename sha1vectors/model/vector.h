// SPDX-License-Identifier: MIT
// A test vector as every reader gives it and every check takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "digest/sha1digest.h"

namespace sha1vectors {

struct Vector {
  enum class Kind {
    message,     // expected = SHA-1(message)
    montecarlo,  // from the seed in message, iterations chained hashes; expected = the last
    iterated,    // NESSIE: h = message, then h = SHA-1(h) iterations times; expected = the last
  };

  std::string file;  // where it was read ("catalogue" for the built-in entries)
  int line = 0;      // line of the record's first line (catalogue: the entry's index)
  std::string name;  // "Len = 24", "COUNT = 7", "Set 1, vector# 3", a catalogue entry's text
  Kind kind = Kind::message;
  std::string message;       // whole bytes; repeat times over
  std::uint64_t repeat = 1;  // long messages are a piece repeated: streamed, never held whole
  std::uint8_t partial = 0;  // a last, partial byte: its top partialbits bits
  unsigned partialbits = 0;  // 0 to 7
  std::uint64_t iterations = 0;
  // Monte Carlo, ACVP's alternate version: every message cut or filled with zero bits to this many.
  std::optional<std::uint64_t> chainbits;
  basicutilities::Sha1Digest expected{};

  bool bitoriented() const { return partialbits != 0 || (chainbits && *chainbits % 8 != 0); }
  // How many hashes checking it takes, for progress.
  std::uint64_t hashes() const { return kind == Kind::message ? 1 : iterations; }
};

}  // namespace sha1vectors
