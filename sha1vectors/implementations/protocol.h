// SPDX-License-Identifier: MIT
// What the checker and its library worker say to each other over two pipes, each message's
// encoding beside its decoding: numbers in this machine's order (both ends are the same program),
// lengths before bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/implementations/ways.h"

namespace sha1vectors::protocol {

// The worker reads requests on this descriptor and answers on the next; its standard output is
// not used, so that a library that prints cannot garble an answer.
inline constexpr int requestfd = 3;
inline constexpr int answerfd = 4;

template <class T>
void put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}
// A source of bytes (a pipe's reader, a string's) that decoding takes from: read(data, size)
// fills all of data or says false.
template <class In, class T>
bool take(In& in, T& value) {
  return in.read(&value, sizeof value);
}

// Reads from bytes already in memory.
struct StringIn {
  std::string_view bytes;
  bool read(void* data, std::size_t size) {
    if (bytes.size() < size) return false;
    if (size > 0) std::memcpy(data, bytes.data(), size);
    bytes.remove_prefix(size);
    return true;
  }
};

// The hello a worker starts with: what it found in the library, or why it found nothing.
inline constexpr std::uint8_t hasoneshot = 1, hasbits = 2;
struct Found {
  std::uint8_t interface, flags;  // the interface's row in the table; has...
  std::uint64_t contextsize;
};
struct Hello {
  std::optional<Found> found;
  std::string problem;  // without found
};
// What a worker asked only to list the library's SHA-1-looking functions says in place of a
// problem, the names following, a blank between.
inline constexpr std::string_view functionlist = "functions:";
inline std::string encode(const Hello& hello) {
  std::string out;
  put(out, static_cast<std::uint8_t>(hello.found.has_value()));
  const std::string body = hello.found ? std::string(reinterpret_cast<const char*>(&*hello.found), sizeof(Found)) : hello.problem;
  put(out, static_cast<std::uint32_t>(body.size()));
  return out + body;
}
template <class In>
bool decode(In& in, Hello& hello) {
  std::uint8_t loaded = 0;
  std::uint32_t length = 0;
  if (!take(in, loaded) || !take(in, length)) return false;
  if (loaded != 0) {
    Found found{};
    if (length != sizeof found || !take(in, found)) return false;
    hello.found = found;
    return true;
  }
  hello.problem.assign(std::min<std::uint32_t>(length, 4096), '\0');
  return length <= 4096 && in.read(hello.problem.data(), hello.problem.size());
}

// A message as a request carries it: a piece, repeated (a long message is never sent whole), and
// a partial byte's top bits.
inline constexpr std::uint64_t longestpiece = std::uint64_t{64} << 20;
struct Body {
  std::string piece;
  std::uint64_t repeat = 1;
  std::uint8_t partial = 0;
  unsigned partialbits = 0;
  std::uint64_t size() const { return piece.size() * repeat; }
};
inline void encodebody(std::string& out, std::string_view piece, std::uint64_t repeat, std::uint8_t partial, unsigned partialbits) {
  put(out, static_cast<std::uint64_t>(piece.size()));
  out += piece;
  put(out, repeat);
  put(out, partial);
  put(out, static_cast<std::uint8_t>(partialbits));
}
template <class In>
bool decode(In& in, Body& body) {
  std::uint64_t size = 0;
  std::uint8_t bits = 0;
  if (!take(in, size) || size > longestpiece) return false;
  body.piece.assign(static_cast<std::size_t>(size), '\0');
  if (!in.read(body.piece.data(), body.piece.size()) || !take(in, body.repeat) || !take(in, body.partial) || !take(in, bits) || bits > 7) return false;
  body.partialbits = bits;
  return true;
}

// What a request begins with: a batch of messages, or one chain to run.
inline constexpr std::uint8_t messages = 0, chain = 1;

// A batch: its count, then each message with the ways it is to be given.
struct Asked {
  Body body;
  std::vector<Way> ways;
};
inline void encodeways(std::string& out, const std::vector<Way>& ways) {
  put(out, static_cast<std::uint32_t>(ways.size()));
  for (const Way& way : ways) {
    put(out, static_cast<std::uint8_t>(way.oneshot));
    put(out, static_cast<std::uint32_t>(way.sizes.size()));
    if (!way.sizes.empty()) out.append(reinterpret_cast<const char*>(way.sizes.data()), way.sizes.size() * sizeof(std::uint64_t));
  }
}
template <class In>
bool decode(In& in, Asked& asked) {
  std::uint32_t count = 0;
  if (!decode(in, asked.body) || !take(in, count) || count > 64) return false;
  asked.ways.resize(count);
  for (Way& way : asked.ways) {
    std::uint8_t oneshot = 0;
    std::uint32_t sizes = 0;
    if (!take(in, oneshot) || !take(in, sizes) || sizes > (1U << 24) || (!oneshot && sizes == 0)) return false;
    way.oneshot = oneshot != 0;
    way.sizes.resize(sizes);
    if (!in.read(way.sizes.data(), sizes * sizeof(std::uint64_t))) return false;
  }
  return true;
}

// A chain: its kind (Vector::Kind), seed and length; each hash given one way.
struct ChainAsked {
  std::uint8_t kind = 0;
  Body seed;
  std::uint64_t iterations = 0;
  std::optional<std::uint64_t> chainbits;
  bool oneshot = false;
};
inline void encodechain(std::string& out, std::uint8_t kind, std::string_view seed, std::uint8_t partial, unsigned partialbits,
                        std::uint64_t iterations, std::optional<std::uint64_t> chainbits, bool oneshot) {
  put(out, chain);
  put(out, kind);
  encodebody(out, seed, 1, partial, partialbits);
  put(out, iterations);
  put(out, static_cast<std::uint8_t>(chainbits.has_value()));
  put(out, chainbits.value_or(0));
  put(out, static_cast<std::uint8_t>(oneshot));
}
template <class In>
bool decode(In& in, ChainAsked& asked) {
  std::uint8_t fitted = 0, oneshot = 0;
  std::uint64_t chainbits = 0;
  if (!take(in, asked.kind) || !decode(in, asked.seed) || asked.seed.repeat != 1 || !take(in, asked.iterations) || !take(in, fitted) ||
      !take(in, chainbits) || !take(in, oneshot)) {
    return false;
  }
  if (fitted != 0) asked.chainbits = chainbits;
  asked.oneshot = oneshot != 0;
  return true;
}

// What each answer begins with; a worker that has been busy a while without answering says it is
// alive (a long message, a chain, a slow library). Values no stray write is likely to give, so
// that a library that writes into the answer pipe is told as such.
inline constexpr std::uint8_t answered = 0xA1, crashed = 0xC2, alive = 0xE3;
// The guard bytes on each side of a buffer the library writes: an answer never says more.
inline constexpr std::uint32_t guardbytes = 64;

// A way's answer: the digest, how far the library wrote outside the digest and the context, and
// the call that failed, if one did (the way stops there): its result said so, or it changed the
// message bytes it was given. A chain's answer is followed by the number of the hash it ended at.
struct Answer {
  std::uint8_t digest[20];
  std::uint32_t digestbefore, digestafter, contextbefore, contextafter;
  std::uint32_t failed;        // 1 + the Role of the call that failed; 0: none did
  std::uint32_t changed;       // nonzero: it changed its message bytes (else: its result said it failed)
  std::uint64_t failedupdate;  // of an update, its number in the way
  std::int64_t returned;
};
inline std::string encode(const Answer& answer) {
  std::string out;
  put(out, answered);
  put(out, answer);
  return out;
}
// Where the worker is, written to memory both ends share before each call of the library, so that
// a hang, a crash or an exit (whose answers waiting to be sent are lost) is told with the message,
// the way and the call it came in. Read by the checker only once the worker is stopped or gone.
inline constexpr int positionfd = 5;
struct Position {
  volatile std::uint32_t message, way;  // in the request being served
  volatile std::uint32_t role;          // the Role of the call
  volatile std::uint64_t update;        // of an update, its number in the way, from 1
  volatile std::uint64_t step;          // in a chain, the hash
  volatile std::uint32_t known;         // nonzero once the worker has said where it is
  // Why the worker gave up on a call, when it did (a harness that ended or answered wrongly).
  volatile char why[256];
};
// The row a worker names for a harness, which stands outside the table of library interfaces.
inline constexpr std::uint8_t harnessrow = 0xFF;
// The row a worker names for an interface given by --interface.
inline constexpr std::uint8_t describedrow = 0xFE;

// The record of a crash: the signal, and the hash of a chain it came in. Fixed in size, so that a
// signal handler can write it.
struct Crash {
  std::uint32_t signal;
  std::uint64_t step;
};

}  // namespace sha1vectors::protocol
