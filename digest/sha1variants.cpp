// SPDX-License-Identifier: MIT
#include "digest/sha1variants.h"

#include <algorithm>
#include <bit>

#include "digest/sha1block.h"

namespace basicutilities {
namespace {

std::uint32_t roundfunction(std::uint8_t which, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  switch (which) {
    case 0:
      return detail::choose(b, c, d);
    case 2:
      return detail::majority(b, c, d);
    default:
      return detail::parity(b, c, d);
  }
}

std::uint32_t loadword(const char* bytes, bool bigendian) {
  std::uint32_t word = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const auto byte = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[bigendian ? i : 3 - i]));
    word = word << 8 | byte;
  }
  return word;
}

// One block, every value kept in work; h moves on to the next chaining values.
void compress(const Sha1Variant& v, const RoundConstants& constants, const char* block, Sha1Words& h, Sha1BlockWorking& work) {
  auto& w = work.w;
  for (std::size_t t = 0; t < 80; ++t) {
    w[t] = t < 16 ? loadword(block + 4 * t, v.bigendianwords)
                  : std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], static_cast<int>(v.schedulerotation));
  }
  work.before = h;
  auto [a, b, c, d, e] = h;
  for (std::size_t t = 0; t < 80; ++t) {
    const std::size_t range = t / 20;
    const std::uint32_t next = std::rotl(a, static_cast<int>(v.rotatea)) + roundfunction(v.functions[range], b, c, d) + e +
                               constants[v.constantorder[range]] + w[t];
    e = d;
    d = c;
    c = std::rotl(b, static_cast<int>(v.rotateb));
    b = a;
    a = next;
    work.rounds[t] = {a, b, c, d, e};
  }
  const Sha1Words worked{a, b, c, d, e};
  for (std::size_t i = 0; i < 5; ++i) h[i] = v.finaladdition ? h[i] + worked[i] : worked[i];
  work.after = h;
}

Sha1Digest output(const Sha1Words& h, bool bigendian) {
  Sha1Digest digest{};
  for (std::size_t i = 0; i < 20; ++i) {
    const std::size_t shift = bigendian ? 24 - 8 * (i % 4) : 8 * (i % 4);
    digest[i] = static_cast<std::uint8_t>(h[i / 4] >> shift);
  }
  return digest;
}

ClassicMistake mistake(std::string_view name, void (*change)(Sha1Variant&)) {
  ClassicMistake made{name, {}};
  change(made.variant);
  return made;
}

// The mistakes, each the one change it makes to SHA-1; the first that matches names a wrong digest.
const std::array mistakes{
    mistake("SHA-0: the message schedule is not rotated by one bit (W[t] = W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16])",
            [](Sha1Variant& v) { v.schedulerotation = 0; }),
    mistake("the message bytes are read into words little-endian (SHA-1 reads them big-endian)",
            [](Sha1Variant& v) { v.bigendianwords = false; }),
    mistake("the digest's words are written little-endian (SHA-1 writes H0 to H4 big-endian)",
            [](Sha1Variant& v) { v.bigendiandigest = false; }),
    mistake("the length at the end of the padding counts bytes, not bits", [](Sha1Variant& v) { v.padding.lengthunit = 1; }),
    mistake("the length at the end of the padding is written little-endian", [](Sha1Variant& v) { v.padding.bigendianlength = false; }),
    mistake("the bit count is kept in 32 bits, so it wraps at 512 MiB", [](Sha1Variant& v) { v.padding.countbits = 32; }),
    mistake("only the length's low two bytes are written (messages from 8 KiB come out wrong)", [](Sha1Variant& v) { v.padding.countbits = 16; }),
    mistake("only the length's low byte is written (messages from 32 bytes come out wrong)", [](Sha1Variant& v) { v.padding.countbits = 8; }),
    mistake("the length is a 32-bit field (SHA-1's has 64 bits: zeros up to byte 56 of a block, not 60)",
            [](Sha1Variant& v) { v.padding.lengthbytes = 4; }),
    mistake("with 56 to 63 bytes in the last block the padding adds no block: the length is written over the block's end",
            [](Sha1Variant& v) { v.padding.extrablock = false; }),
    mistake("with exactly 55 bytes in the last block the padding adds a block, though the 0x80 byte and the length just fit",
            [](Sha1Variant& v) { v.padding.blockwhenexact = true; }),
    mistake("the message is taken as a C string: the bytes from its first NUL on are not hashed", [](Sha1Variant& v) { v.cutatnul = true; }),
    mistake("the length is taken in 32 bits (an unsigned int where size_t belongs): a call of 4 GiB or more hashes only its length modulo 2^32",
            [](Sha1Variant& v) { v.lengthcut32 = true; }),
    mistake("the round functions are misplaced: rounds 20-39 and 60-79 use majority, rounds 40-59 parity",
            [](Sha1Variant& v) { v.functions = {0, 2, 1, 2}; }),
    mistake("the round constants are taken in reverse order (rounds 0-19 use CA62C1D6)",
            [](Sha1Variant& v) { v.constantorder = {3, 2, 1, 0}; }),
    mistake("the rotations by 5 and by 30 are swapped (a is rotated by 30, b by 5)",
            [](Sha1Variant& v) {
              v.rotatea = 30;
              v.rotateb = 5;
            }),
    mistake("the chaining values are not added to each block's result", [](Sha1Variant& v) { v.finaladdition = false; }),
    mistake("the words are kept in 64 bits and never cut back to 32 (unsigned long on a 64-bit system)", [](Sha1Variant& v) { v.widewords = true; }),
};

// SHA-1 with every word in 64 bits and nothing masked, as an implementation that declares its words
// unsigned long on a 64-bit system works: bits past 32 come back through the rotations and the
// complement, and the digest is the low 32 bits of each chaining value.
Sha1Digest widesha1(std::string_view message, const Sha1Padding& padding) {
  using Wide = std::uint64_t;
  const auto rotl = [](Wide x, unsigned n) { return (x << n) | (x >> (32 - n)); };
  const std::size_t whole = message.size() - message.size() % 64;
  const Sha1FinalBlocks last = sha1finalblocks(message.substr(whole), message.size(), padding);
  std::array<Wide, 5> h{};
  std::copy(detail::sha1initialstate.begin(), detail::sha1initialstate.end(), h.begin());
  const auto block = [&](const char* bytes) {
    std::array<Wide, 80> w{};
    for (std::size_t t = 0; t < 80; ++t) w[t] = t < 16 ? loadword(bytes + 4 * t, true) : rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    auto [a, b, c, d, e] = h;
    for (std::size_t t = 0; t < 80; ++t) {
      const Wide f = t < 20 ? (b & c) | (~b & d) : t >= 40 && t < 60 ? (b & c) | (b & d) | (c & d) : b ^ c ^ d;
      const Wide next = rotl(a, 5) + f + e + standardroundconstants[t / 20] + w[t];
      e = d;
      d = c;
      c = rotl(b, 30);
      b = a;
      a = next;
    }
    const std::array<Wide, 5> worked{a, b, c, d, e};
    for (std::size_t i = 0; i < 5; ++i) h[i] += worked[i];
  };
  for (std::size_t at = 0; at < whole; at += 64) block(message.data() + at);
  for (std::size_t at = 0; at < last.size; at += 64) block(last.view().data() + at);
  Sha1Words low{};
  for (std::size_t i = 0; i < 5; ++i) low[i] = static_cast<std::uint32_t>(h[i]);
  return output(low, true);
}

}  // namespace

bool Sha1Variant::standardcompression() const {
  const Sha1Variant standard;
  return !widewords && bigendianwords == standard.bigendianwords && schedulerotation == standard.schedulerotation &&
         functions == standard.functions && constantorder == standard.constantorder && rotatea == standard.rotatea &&
         rotateb == standard.rotateb && finaladdition == standard.finaladdition;
}

Sha1Digest sha1reference(std::string_view message, const Sha1Variant& variant, const RoundConstants& constants,
                         const Sha1BlockObserver& observe) {
  if (variant.cutatnul) message = message.substr(0, message.find('\0'));
  if (variant.lengthcut32) message = message.substr(0, static_cast<std::size_t>(message.size() & 0xFFFFFFFF));
  if (variant.widewords) return widesha1(message, variant.padding);
  const std::size_t whole = message.size() - message.size() % 64;
  const Sha1FinalBlocks last = sha1finalblocks(message.substr(whole), message.size(), variant.padding);
  Sha1Words h = detail::sha1initialstate;
  Sha1BlockWorking work;
  const auto block = [&](const char* bytes) {
    compress(variant, constants, bytes, h, work);
    if (observe) observe(work);
    ++work.index;
  };
  for (std::size_t at = 0; at < whole; at += 64) block(message.data() + at);
  for (std::size_t at = 0; at < last.size; at += 64) block(last.view().data() + at);
  return output(h, variant.bigendiandigest);
}

Sha1BlockWorking sha1referenceblock(const Sha1Words& before, std::string_view block, const Sha1Variant& variant,
                                    const RoundConstants& constants) {
  Sha1BlockWorking work;
  Sha1Words h = before;
  compress(variant, constants, block.data(), h, work);
  return work;
}

std::span<const ClassicMistake> classicmistakes() { return mistakes; }

std::vector<const ClassicMistake*> likelymistakes(const Sha1Digest& wrong, std::uint64_t size, const MessageFeed& feed) {
  // The mistakes of padding and output share the message's whole blocks, compressed once by the
  // engine (up to the first NUL too, for the C string); the others need the reference over the
  // whole message.
  const bool holding = size <= diagnosisheldbytes;
  std::string held;
  Sha1Stream stream, cstring, narrowed;
  bool nul = false;
  std::uint64_t narrow = size & 0xFFFFFFFF;  // the bytes a length of 32 bits leaves
  feed([&](std::string_view piece) {
    if (holding) held += piece;
    stream.add(piece);
    const std::string_view kept = piece.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(narrow, piece.size())));
    narrowed.add(kept);
    narrow -= kept.size();
    if (!nul) {
      const std::size_t at = piece.find('\0');
      cstring.add(piece.substr(0, at));
      nul = at != std::string_view::npos;
    }
    return true;
  });
  const auto finished = [&](const Sha1Variant& v) {
    return output((v.cutatnul ? cstring : v.lengthcut32 ? narrowed : stream).endstate(v.padding), v.bigendiandigest);
  };
  std::vector<const ClassicMistake*> found;
  // Some mistakes change nothing for some lengths: a right digest is no mistake's.
  if (wrong == finished({})) return found;
  for (const ClassicMistake& mistake : mistakes) {
    const Sha1Variant& v = mistake.variant;
    if ((!v.standardcompression() && !holding) || (v.cutatnul && !nul)) continue;
    if ((v.standardcompression() ? finished(v) : sha1reference(held, v)) == wrong) found.push_back(&mistake);
  }
  return found;
}

const ClassicMistake* likelymistake(const Sha1Digest& wrong, std::uint64_t size, const MessageFeed& feed) {
  const auto found = likelymistakes(wrong, size, feed);
  return found.empty() ? nullptr : found.front();
}

const ClassicMistake* likelymistake(const Sha1Digest& wrong, std::string_view message) {
  return likelymistake(wrong, message.size(), [&](const auto& take) { take(message); });
}

}  // namespace basicutilities
