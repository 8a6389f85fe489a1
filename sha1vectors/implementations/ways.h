// SPDX-License-Identifier: MIT
// The ways a message is given to a library: in one call, or in updates of chosen sizes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sha1vectors {

struct Way {
  bool oneshot = false;
  // The sizes of the updates, once over (zero-length ones included) and then again from the first
  // until the message is given, each cut to what is left.
  std::vector<std::uint64_t> sizes;

  // Gives fn each update of a message of length bytes: its offset and size.
  template <class Fn>
  void each(std::uint64_t length, Fn&& fn) const {
    std::uint64_t given = 0;
    for (std::size_t i = 0; i < sizes.size() || given < length; ++i) {
      const std::uint64_t now = std::min(sizes[i % sizes.size()], length - given);
      fn(given, now);
      given += now;
    }
  }
  // "one call of SHA1()", "one update", "updates of 63, 1, 0, 64 bytes".
  std::string describe(std::uint64_t length, std::string_view oneshotname) const;
  // The most bytes one call is given, for a message of length bytes.
  std::uint64_t longestcall(std::uint64_t length) const {
    return oneshot || sizes.empty() ? length : std::min(length, *std::max_element(sizes.begin(), sizes.end()));
  }
};

// The ways a message of length bytes is given: one call (when there is one), one update, a byte
// at a time (up to 256 bytes), one byte and then the rest, chunks of 55, 56, 63, 64 and 65 bytes,
// zero-length updates between chunks, and two random splits drawn from seed. A message of more
// than a mebibyte goes in one call (up to 64 MiB) and in updates of 1 MiB and 63 bytes.
std::vector<Way> waysfor(std::uint64_t length, bool oneshot, std::uint64_t seed);

// The longest message given in one call, and so sent to the worker whole; a longer one is given in
// updates of at most longestupdate.
inline constexpr std::uint64_t oneshotlimit = std::uint64_t{64} << 20;
inline constexpr std::uint64_t longestupdate = std::uint64_t{4} << 20;

}  // namespace sha1vectors
