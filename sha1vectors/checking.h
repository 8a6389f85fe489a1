// Checks vectors against a SHA-1 implementation: our engine, or another program (command.h).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "digest/sha1digest.h"
#include "sha1vectors/vectors.h"

namespace sha1vectors {

// A digest, or why there is none.
struct Outcome {
  std::optional<basicutilities::Sha1Digest> digest;
  std::string failure;
};

// A message as implementations take it: piece repeat times over, then the top partialbits (0 to 7)
// bits of partial.
struct Message {
  std::string_view piece;
  std::uint64_t repeat = 1;
  std::uint8_t partial = 0;
  unsigned partialbits = 0;

  std::uint64_t size() const { return piece.size() * repeat; }
  // The whole bytes in chunks of about 64 KiB, to fn, without holding them all.
  void chunks(const std::function<void(std::string_view)>& fn) const;
};

class Implementation {
 public:
  virtual ~Implementation() = default;
  // Whether it takes messages that end in a partial byte.
  virtual bool takesbits() const = 0;
  // The digest of message, or a failure saying why there is none. Never throws for what the
  // implementation does.
  virtual Outcome digest(const Message& message) = 0;
};

class Engine : public Implementation {
 public:
  bool takesbits() const override { return true; }
  Outcome digest(const Message& message) override;

 private:
  basicutilities::Sha1Stream stream_;
};

struct Verdict {
  enum class Status { passed, failed, skipped } status = Status::passed;
  std::optional<basicutilities::Sha1Digest> computed;
  std::string reason;  // why it failed without a digest, or was skipped
};

// Checks one vector: a bit-oriented one is skipped by an implementation that takes whole bytes
// only; a chained one stops at the first hash that fails. progress, when given, is called with 1
// after every hash the implementation computed.
Verdict check(const Vector& vector, Implementation& implementation,
              const std::function<void(std::uint64_t)>& progress = {});

}  // namespace sha1vectors
