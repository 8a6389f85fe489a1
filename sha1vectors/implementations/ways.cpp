// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/ways.h"

#include <array>
#include <random>

namespace sha1vectors {
namespace {

constexpr std::uint64_t longmessage = std::uint64_t{1} << 20;  // past this, few ways
constexpr std::uint64_t bytebybyte = 256;                      // given a byte at a time up to this
constexpr std::size_t describedsizes = 16;                     // sizes listed in a way's name

}  // namespace

std::string Way::describe(std::uint64_t length, std::string_view oneshotname) const {
  if (oneshot) return "one call of " + std::string(oneshotname) + "()";
  std::vector<std::uint64_t> all;
  each(length, [&](std::uint64_t, std::uint64_t size) { all.push_back(size); });
  if (all.size() == 1) return length > longmessage ? "one update of " + std::to_string(length) + " bytes" : "one update";
  std::string text = "updates of ";
  for (std::size_t i = 0; i < std::min(all.size(), describedsizes); ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(all[i]);
  }
  if (all.size() > describedsizes) text += ", ... (" + std::to_string(all.size()) + " updates)";
  return text + " bytes";
}

std::vector<Way> waysfor(std::uint64_t length, bool oneshot, std::uint64_t seed) {
  std::vector<Way> ways;
  if (oneshot && length <= oneshotlimit) ways.push_back({true, {}});
  if (length > longmessage) {
    // Updates that end a block short of full, so that each one meets a half-full buffer.
    ways.push_back({false, {longmessage + 63}});
    return ways;
  }
  ways.push_back({false, {length}});
  if (length > 1 && length <= bytebybyte) ways.push_back({false, {1}});
  if (length > 1) ways.push_back({false, {1, length}});  // one byte, then the rest: a full block from a half-full buffer
  for (const std::uint64_t size : std::array<std::uint64_t, 5>{55, 56, 63, 64, 65}) {
    if (length > size) ways.push_back({false, {size}});
  }
  // Empty updates first, between updates of 64 and last, written out.
  if (length > 0) {
    Way empty{false, {0}};
    for (std::uint64_t given = 0; given < length; given += 64) empty.sizes.insert(empty.sizes.end(), {std::min<std::uint64_t>(64, length - given), 0});
    ways.push_back(std::move(empty));
  }
  // Random splits: sizes around the block's edges, and empty updates among them.
  std::mt19937_64 random(seed ^ (length * 0x9E3779B97F4A7C15ULL));
  for (int n = 0; n < 2 && length > 1; ++n) {
    std::vector<std::uint64_t> sizes;
    for (std::uint64_t given = 0; given < length;) {
      const std::uint64_t pick = random() % 8;
      const std::uint64_t size = pick == 0 ? 0 : pick < 4 ? 55 + random() % 11 : 1 + random() % 130;
      sizes.push_back(std::min(size, length - given));
      given += sizes.back();
    }
    ways.push_back({false, std::move(sizes)});
  }
  return ways;
}

}  // namespace sha1vectors
