// SPDX-License-Identifier: MIT
// What the checker and its library worker say to each other over two pipes: numbers in this
// machine's order (both ends are the same program), lengths before bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace sha1vectors::protocol {

// The worker reads requests on this descriptor and answers on the next; its standard output is
// not used, so that a library that prints cannot garble an answer.
inline constexpr int requestfd = 3;
inline constexpr int answerfd = 4;

// The hello a worker starts with.
inline constexpr std::uint8_t loaded = 1, notloaded = 0;
inline constexpr std::uint8_t hasoneshot = 1, hasbits = 2;
// What a request begins with: a batch of messages, or one chain to run.
inline constexpr std::uint8_t messages = 0, chain = 1;
// What each answer begins with; a chain's worker says it is alive every so many hashes.
inline constexpr std::uint8_t answered = 0, crashed = 1, alive = 2;
inline constexpr std::uint64_t hashesperalive = 256;

// The record of a crash: the signal, and the hash of a chain it came in.
struct Crash {
  std::uint32_t signal;
  std::uint64_t step;
};
// The guard bytes on each side of a buffer the library writes.
inline constexpr std::size_t guardbytes = 64;

// What a loaded worker found: the interface, what it has, and the size of its context.
struct Found {
  std::uint8_t abi, flags;
  std::uint64_t contextsize;
};

// A way's answer: the digest, and how far the library wrote outside the digest and the context.
struct Answer {
  std::uint8_t digest[20];
  std::uint32_t digestbefore, digestafter, contextbefore, contextafter;
};

template <class T>
void put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Reads a T from in, moving past it; false when in is too short.
template <class T>
bool take(std::string_view& in, T& value) {
  if (in.size() < sizeof value) return false;
  std::memcpy(&value, in.data(), sizeof value);
  in.remove_prefix(sizeof value);
  return true;
}

}  // namespace sha1vectors::protocol
