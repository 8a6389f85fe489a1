// Checks vectors against a SHA-1 implementation: our engine, or any program that reads a message
// on its standard input and prints its digest.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "digest/sha1digest.h"
#include "validator/vectorsets.h"

namespace vectorsets {

// A digest, or why there is none.
struct Outcome {
  std::optional<basicutilities::Sha1Digest> digest;
  std::string failure;
};

class Implementation {
 public:
  virtual ~Implementation() = default;
  // Whether it takes messages that end in a partial byte.
  virtual bool takesbits() const = 0;
  virtual Outcome digest(std::string_view bytes, std::uint8_t partial, unsigned partialbits) = 0;
};

class Engine : public Implementation {
 public:
  bool takesbits() const override { return true; }
  Outcome digest(std::string_view bytes, std::uint8_t partial, unsigned partialbits) override;

 private:
  basicutilities::Sha1Stream stream_;
};

// Runs command through the shell once per message: the message on its standard input, the digest
// as the first 40 hexadecimal digits in a row on its standard output (either case; also five
// groups of eight separated by blanks). A command that fails, runs past timeout or prints no
// digest gives a failure saying so.
class Command : public Implementation {
 public:
  Command(std::string command, std::chrono::milliseconds timeout);
  bool takesbits() const override { return false; }
  Outcome digest(std::string_view bytes, std::uint8_t partial, unsigned partialbits) override;

 private:
  std::string command_;
  std::chrono::milliseconds timeout_;
};

// The digest an implementation's output names, if any (see Command).
std::optional<basicutilities::Sha1Digest> digestinoutput(std::string_view output);

struct Verdict {
  enum class Status { passed, failed, skipped } status = Status::passed;
  std::optional<basicutilities::Sha1Digest> computed;
  std::string reason;  // why it failed without a digest, or was skipped
};

// progress(n) is told of every n hashes done.
Verdict check(const Vector& vector, Implementation& implementation,
              const std::function<void(std::uint64_t)>& progress = {});

}  // namespace vectorsets
