// SPDX-License-Identifier: MIT
// A SHA-1 behind a harness: a long-running program in any language that speaks a small protocol on
// its standard input and output. The library worker starts it and calls it through an interface
// row of its own, so that every split, the long message, random messages and chains reach it just
// as they reach a library.
//
// The protocol (docs/harness.md): the worker writes
//   "U <n>\n" and then n bytes: update the hash being made with them;
//   "E <k>\n": end it; the harness answers one line, the digest in 40 hex digits, a blank and k,
//              and starts a fresh hash.
// A harness starts with a fresh hash; k counts the ends from 1.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "digest/sha1digest.h"

#include "sha1vectors/implementations/interfaces.h"

namespace sha1vectors::harness {

// The description through which the worker calls the harness, and the functions it names.
extern const Interface row;
Functions functions();

// Starts command through /bin/sh -c and checks that it answers the empty message's digest; the
// problem when it does not.
std::optional<std::string> start(const std::string& command);

// Requests written while answers are read, so that many ends go in one round trip and neither
// side ever waits on the other.
class Pipeline {
 public:
  virtual ~Pipeline() = default;
  // Writes an update of bytes, taking the answers that arrive meanwhile; false once the harness has
  // failed (why says how).
  virtual bool update(std::string_view bytes) = 0;
  // Writes an end.
  virtual bool end() = 0;
  // Whether an answer has arrived that next would give at once.
  virtual bool ready() const = 0;
  // The answer to the earliest end not yet taken, waiting for it; nothing once the harness failed.
  virtual std::optional<basicutilities::Sha1Digest> next() = 0;
  // Ends the hash and waits for its answer, as a call that returns the digest does.
  std::optional<basicutilities::Sha1Digest> endnow() { return end() ? next() : std::nullopt; }
  virtual const std::string& why() const = 0;
};
Pipeline& pipeline();

// What a call of row does once the harness has ended or answered wrongly: it is told why, and does
// not return.
using GiveUp = void (*)(const std::string& why);
void ongiveup(GiveUp giveup);

}  // namespace sha1vectors::harness
