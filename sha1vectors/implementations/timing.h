// SPDX-License-Identifier: MIT
// How the implementations that run in processes of their own count and tell time.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace sha1vectors {

// What a call is given beside its timeout to read bytes: a second per 50 MiB, a slow rate, so that
// a long message is never cut short by its length alone.
inline constexpr std::uint64_t bytespersecond = std::uint64_t{50} << 20;
inline std::chrono::milliseconds readingtime(std::uint64_t bytes) { return std::chrono::milliseconds(bytes / (bytespersecond / 1000)); }

inline std::string seconds(std::chrono::milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
  return text;
}

}  // namespace sha1vectors
