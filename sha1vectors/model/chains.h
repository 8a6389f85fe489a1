// SPDX-License-Identifier: MIT
// The hashes a vector stands for, one after another: its message, or the chain of a Monte Carlo
// or iterated vector, each hash's message made from the digests before it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "digest/sha1digest.h"
#include "sha1vectors/model/message.h"
#include "sha1vectors/model/vector.h"

namespace sha1vectors::chains {

using basicutilities::Sha1Digest;

inline std::string_view view(const Sha1Digest& digest) { return {reinterpret_cast<const char*>(digest.data()), digest.size()}; }

// A message built bit by bit, as an alternate Monte Carlo chain needs.
struct Bits {
  std::string bytes;
  std::uint8_t partial = 0;  // the top partialbits bits
  unsigned partialbits = 0;

  std::uint64_t size() const { return 8 * std::uint64_t{bytes.size()} + partialbits; }
  Message message() const { return {bytes, 1, partial, partialbits}; }

  // Appends the top count (up to 8) bits of value.
  void push(std::uint8_t value, unsigned count) {
    if (count == 0) return;
    value = static_cast<std::uint8_t>(value & (0xFF << (8 - count)));
    const auto merged = static_cast<std::uint8_t>(partial | (value >> partialbits));
    if (partialbits + count >= 8) {
      bytes += static_cast<char>(merged);
      partial = static_cast<std::uint8_t>(value << (8 - partialbits));
      partialbits = partialbits + count - 8;
    } else {
      partial = merged;
      partialbits += count;
    }
  }
  void append(const Bits& other) {
    if (partialbits == 0) {
      bytes += other.bytes;
    } else {
      for (const char byte : other.bytes) push(static_cast<std::uint8_t>(byte), 8);
    }
    push(other.partial, other.partialbits);
  }
  // Cut to its first count bits, or filled with zero bits to count.
  void fit(std::uint64_t count) {
    if (size() > count) {
      const std::uint8_t last = count / 8 < bytes.size() ? static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(count / 8)]) : partial;
      bytes.resize(static_cast<std::size_t>(count / 8));
      partial = 0;
      partialbits = 0;
      push(last, static_cast<unsigned>(count % 8));
    }
    if (size() < count && partialbits == 0) bytes.resize(static_cast<std::size_t>(count / 8), '\0');
    while (size() < count) push(0, static_cast<unsigned>(std::min<std::uint64_t>(8, count - size())));
  }
};

inline Message firstmessage(const Vector& vector) { return {vector.message, vector.repeat, vector.partial, vector.partialbits}; }

// Gives each of vector's hashes, from the first on, to hash (with its number from 0), going on
// from the digest it returns. Stops at the first that returns none. Returns the last digest.

template <class Hash>
std::optional<Sha1Digest> walk(const Vector& vector, Hash&& hash) {
  const Message first = firstmessage(vector);
  std::optional<Sha1Digest> last;
  switch (vector.kind) {
    case Vector::Kind::message:
      return hash(first, 0);
    case Vector::Kind::montecarlo: {
      // MSG = A || B || C, MD = SHA-1(MSG), then A = B, B = C, C = MD, from A = B = C = Seed; the
      // alternate version cuts or fills MSG to chainbits.
      const Bits seed{vector.message, vector.partial, vector.partialbits};
      std::array<Bits, 3> abc{seed, seed, seed};
      for (std::uint64_t i = 0; i < vector.iterations; ++i) {
        Bits message = abc[0];
        message.append(abc[1]);
        message.append(abc[2]);
        if (vector.chainbits) message.fit(*vector.chainbits);
        Message chained = message.message();
        chained.chained = i > 0;
        if (!(last = hash(chained, i))) return last;
        abc = {std::move(abc[1]), std::move(abc[2]), Bits{std::string(view(*last)), 0, 0}};
      }
      return last;
    }
    case Vector::Kind::iterated:
      for (std::uint64_t i = 0; i < vector.iterations; ++i) {
        const std::string h = last ? std::string(view(*last)) : std::string();
        if (!(last = hash(i == 0 ? first : Message{h, 1, 0, 0, true}, i))) return last;
      }
      return last;
  }
  return last;
}

}  // namespace sha1vectors::chains
