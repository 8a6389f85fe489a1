// SPDX-License-Identifier: MIT
#include "digest/sha1trace.h"

#include <cstdio>

#include "digest/sha1block.h"
#include "digest/sha1variants.h"
#include "utilities/basicutilities.h"

namespace basicutilities {
namespace {

const std::string rule = "==============================================================\n";

std::string indexed(const char* name, std::size_t index) { return std::string(name) + "[" + std::to_string(index) + "] = "; }

std::string wordline(const Sha1Words& words) {
  std::string line;
  for (const std::uint32_t word : words) line += (line.empty() ? "" : " ") + wordhex(word);
  return line + "\n";
}

// One block as NIST lists it: its sixteen words, the rest of its schedule, the rounds, the sums.
void tellblock(const Sha1BlockWorking& work, std::string& out) {
  out += rule + "Block Contents:\n";
  for (std::size_t t = 0; t < 80; ++t) {
    if (t == 16) out += "Schedule:\n";
    out += indexed("W", t) + wordhex(work.w[t]) + "\n";
  }
  out += "A B C D E\n";
  for (std::size_t t = 0; t < 80; ++t) {
    char label[16];
    std::snprintf(label, sizeof label, "t=%2zu: ", t);
    out += label + wordline(work.rounds[t]);
  }
  for (std::size_t i = 0; i < 5; ++i) {
    out += indexed("H", i) + wordhex(work.before[i]) + " + " + wordhex(work.rounds[79][i]) + " = " + wordhex(work.after[i]) + "\n";
  }
}

}  // namespace

std::string sha1trace(std::string_view message, const RoundConstants& constants) {
  std::string out = "Initial hash value:\n";
  for (std::size_t i = 0; i < 5; ++i) out += indexed("H", i) + wordhex(detail::sha1initialstate[i]) + "\n";
  const Sha1Digest digest = sha1reference(message, {}, constants, [&](const Sha1BlockWorking& work) { tellblock(work, out); });
  out += "Message Digest is\n" + digesttext(digest) + "\n";
  return out;
}

}  // namespace basicutilities
