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
  for (const std::uint32_t word : words) {
    if (!line.empty()) line += ' ';
    line += wordhex(word);
  }
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

std::uint64_t sha1blockcount(std::uint64_t length) { return length / 64 + (length % 64 < 56 ? 1 : 2); }

std::string sha1traceblock(std::string_view message, std::uint64_t block) {
  const auto engine = [](detail::Sha1State& h, const char* bytes, std::uint64_t count) {
    detail::sha1blocks(h, standardroundconstants, reinterpret_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(count));
  };
  const std::uint64_t whole = message.size() / 64;
  detail::Sha1State h = detail::sha1initialstate;
  std::string_view bytes;
  Sha1FinalBlocks last;
  if (block < whole) {
    engine(h, message.data(), block);
    bytes = message.substr(static_cast<std::size_t>(64 * block), 64);
  } else {
    engine(h, message.data(), whole);
    last = sha1finalblocks(message.substr(static_cast<std::size_t>(64 * whole)), message.size());
    if (block > whole) engine(h, last.view().data(), 1);
    bytes = last.view().substr(static_cast<std::size_t>(64 * (block - whole)), 64);
  }
  Sha1BlockWorking work = sha1referenceblock(h, bytes);
  work.index = block;
  std::string out;
  tellblock(work, out);
  return out;
}

}  // namespace basicutilities
