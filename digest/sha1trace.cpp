// SPDX-License-Identifier: MIT
#include "digest/sha1trace.h"

#include <array>
#include <bit>
#include <cstdio>

#include "digest/sha1block.h"
#include "utilities/basicutilities.h"

namespace basicutilities {
namespace {

const std::string rule = "==============================================================\n";

// A block's sixteen words and the rest of its schedule, told as NIST lists them.
std::array<std::uint32_t, 80> schedule(std::string_view block, std::string& out) {
  std::array<std::uint32_t, 80> w{};
  out += rule + "Block Contents:\n";
  for (std::size_t t = 0; t < 80; ++t) {
    if (t < 16) {
      for (std::size_t byte = 0; byte < 4; ++byte) w[t] = w[t] << 8 | static_cast<unsigned char>(block[4 * t + byte]);
    } else {
      w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    if (t == 16) out += "Schedule:\n";
    out += "W[" + std::to_string(t) + "] = " + wordhex(w[t]) + "\n";
  }
  return w;
}

// The 80 rounds over one block, each told; h moves on to the next chaining values.
void rounds(const std::array<std::uint32_t, 80>& w, const RoundConstants& constants, detail::Sha1State& h, std::string& out) {
  out += "A B C D E\n";
  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (std::size_t t = 0; t < 80; ++t) {
    const std::uint32_t f = t < 20 ? detail::choose(b, c, d) : t < 40 || t >= 60 ? detail::parity(b, c, d) : detail::majority(b, c, d);
    const std::uint32_t next = std::rotl(a, 5) + f + e + constants[t / 20] + w[t];
    e = d;
    d = c;
    c = std::rotl(b, 30);
    b = a;
    a = next;
    char line[16];
    std::snprintf(line, sizeof line, "t=%2zu: ", t);
    out += line + wordhex(a) + " " + wordhex(b) + " " + wordhex(c) + " " + wordhex(d) + " " + wordhex(e) + "\n";
  }
  const std::array<std::uint32_t, 5> worked{a, b, c, d, e};
  for (std::size_t i = 0; i < 5; ++i) {
    const std::uint32_t sum = h[i] + worked[i];
    out += "H[" + std::to_string(i) + "] = " + wordhex(h[i]) + " + " + wordhex(worked[i]) + " = " + wordhex(sum) + "\n";
    h[i] = sum;
  }
}

}  // namespace

std::string sha1trace(std::string_view message, const RoundConstants& constants) {
  // A plain reading of the standard, one round at a time: the engine's own rounds are arranged
  // for speed, and a trace must show each value as the standard names it.
  std::string padded(message);
  padded += sha1padding(message.size());
  detail::Sha1State h = detail::sha1initialstate;
  std::string out = "Initial hash value:\n";
  for (std::size_t i = 0; i < 5; ++i) out += "H[" + std::to_string(i) + "] = " + wordhex(h[i]) + "\n";
  for (std::size_t block = 0; block < padded.size(); block += 64) rounds(schedule(std::string_view(padded).substr(block, 64), out), constants, h, out);
  out += "Message Digest is\n";
  for (std::size_t i = 0; i < 5; ++i) out += wordhex(h[i]) + (i < 4 ? " " : "\n");
  return out;
}

}  // namespace basicutilities
