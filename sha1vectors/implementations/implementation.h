// SPDX-License-Identifier: MIT
// A SHA-1 implementation as checking sees it: whatever answers "the digest of these bytes". Our own
// engine is one; a command (command.h) is another.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "digest/sha1digest.h"
#include "sha1vectors/model/message.h"
#include "sha1vectors/model/vector.h"

namespace sha1vectors {

// A digest, or why there is none.
struct Outcome {
  Outcome() = default;
  Outcome(std::optional<basicutilities::Sha1Digest> given, std::string why = {}, bool halt = false)
      : digest(given), failure(std::move(why)), stopped(halt) {}

  std::optional<basicutilities::Sha1Digest> digest;
  std::string failure;
  bool stopped = false;  // the run was stopped from outside: no verdict on the implementation
  // With no digest: one printed in a form that is not read as a digest ("a9:99:3e:..."), so that
  // a right one can be told from a wrong one all the same.
  std::optional<basicutilities::Sha1Digest> misprinted;
  // With a digest: which of the ways the message was given gave it, when the ways disagree
  // ("updates of 63, 1, 0, 64 bytes"), and whether another way gave the right one.
  std::string how;
  bool rightsomeway = false;

  static Outcome halted() { return {std::nullopt, "stopped", true}; }
};

// What an implementation made of a whole chain: its last digest, or why there is none and at
// which hash (from 0).
struct ChainOutcome {
  Outcome outcome;
  std::uint64_t step = 0;
};

// A SHA-1 implementation. Its calls may come from several threads at once.
class Implementation {
 public:
  virtual ~Implementation() = default;
  // Whether it takes messages that end in a partial byte.
  virtual bool takesbits() const = 0;
  // The digest of message, or a failure saying why there is none. Never throws for what the
  // implementation does.
  virtual Outcome digest(const Message& message) = 0;
  // The digests of several messages, in their order; one call each unless the implementation
  // takes them together (up to batchlimit at a time). None at all when a call of several failed as
  // a whole: then they are to be asked for in smaller calls, to learn which one it failed for. A
  // call of one message always gives its outcome.
  virtual std::vector<Outcome> digests(std::span<const Message> messages);
  virtual std::size_t batchlimit() const { return 1; }
  // Whether a call costs far more than a hash, as a program's start does: then a chain's hashes
  // are asked for each on its own, from the engine's chain, so that they can run at once.
  virtual bool callsarecostly() const { return false; }
  // A chained vector's hashes (Monte Carlo, iterated) run where the implementation runs, in one go;
  // nothing when it is asked for each hash on its own instead.
  virtual std::optional<ChainOutcome> chain(const Vector&) { return std::nullopt; }
};

// This program's own SHA-1. A set stop ends a long message's hash within 64 MiB, as stopped.
class Engine : public Implementation {
 public:
  explicit Engine(const std::atomic<bool>* stop = nullptr) : stop_(stop) {}
  bool takesbits() const override { return true; }
  Outcome digest(const Message& message) override;

 private:
  const std::atomic<bool>* stop_;
};

}  // namespace sha1vectors
