// SPDX-License-Identifier: MIT
// A plain SHA-1 that shows its working, with knobs for the mistakes implementations classically make,
// and the table of those mistakes: what names a wrong digest, and what a trace is compared with.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "digest/sha1digest.h"

namespace basicutilities {

using Sha1Words = std::array<std::uint32_t, 5>;

// How an implementation reads the standard. The defaults are SHA-1 itself; each field changes one
// step as a classic mistake does.
struct Sha1Variant {
  bool bigendianwords = true;      // message bytes to words
  unsigned schedulerotation = 1;   // W[t] = rotl(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16], this); 0 is SHA-0
  // The round function of each twenty rounds: 0 choose, 1 parity, 2 majority.
  std::array<std::uint8_t, 4> functions{0, 1, 2, 1};
  // Which of the four constants each twenty rounds takes.
  std::array<std::uint8_t, 4> constantorder{0, 1, 2, 3};
  unsigned rotatea = 5, rotateb = 30;
  bool finaladdition = true;  // chaining values added to each block's result
  bool bigendiandigest = true;
  Sha1Padding padding;
  bool widewords = false;  // words kept in 64 bits, never cut back to 32: high bits leak back in through the rotations
  bool cutatnul = false;   // the message taken as a C string: only its bytes before the first NUL are hashed
  bool lengthcut32 = false;  // a length taken in 32 bits: a message given in one call of 4 GiB or more loses the rest

  bool operator==(const Sha1Variant&) const = default;
  // Whether blocks are compressed as the standard does (only the padding or the output differ).
  bool standardcompression() const;
};

// One block as the reference worked it.
struct Sha1BlockWorking {
  std::uint64_t index = 0;  // 0 for the first block
  Sha1Words before{};       // chaining values going in
  std::array<std::uint32_t, 80> w{};
  std::array<Sha1Words, 80> rounds{};  // a b c d e after each round
  Sha1Words after{};                   // chaining values coming out
};
using Sha1BlockObserver = std::function<void(const Sha1BlockWorking&)>;

// The digest of message (whole bytes) as variant computes it, round by round, showing observe each
// block. Slow and plain: it is what traces and diagnoses are made of, not what hashes.
Sha1Digest sha1reference(std::string_view message, const Sha1Variant& variant = {},
                         const RoundConstants& constants = standardroundconstants, const Sha1BlockObserver& observe = {});

// One block (64 bytes) of sha1reference, from the chaining values before.
Sha1BlockWorking sha1referenceblock(const Sha1Words& before, std::string_view block, const Sha1Variant& variant = {},
                                    const RoundConstants& constants = standardroundconstants);

// A classic mistake: its name, as a "likely cause" line says it, and what it changes.
struct ClassicMistake {
  std::string_view name;
  Sha1Variant variant;
};
std::span<const ClassicMistake> classicmistakes();

// The message of a diagnosis, given in pieces: feed calls its argument with each piece in order,
// and stops early when that returns false.
using MessageFeed = std::function<void(const std::function<bool(std::string_view)>&)>;

// Messages up to this size are tried against every mistake; longer ones only against those of the
// padding and the output, which take one fast pass over the message.
inline constexpr std::uint64_t diagnosisheldbytes = std::uint64_t{1} << 20;

// The classic mistakes whose digest for the message of size bytes is wrong, in the table's order
// (several may give the same digest for some messages); none when none does. Costs one hash of the
// message and a few of its last block, plus, for messages up to diagnosisheldbytes, one reference
// hash a mistake.
std::vector<const ClassicMistake*> likelymistakes(const Sha1Digest& wrong, std::uint64_t size, const MessageFeed& feed);
// The first of them; nullptr when none.
const ClassicMistake* likelymistake(const Sha1Digest& wrong, std::uint64_t size, const MessageFeed& feed);
const ClassicMistake* likelymistake(const Sha1Digest& wrong, std::string_view message);

}  // namespace basicutilities
