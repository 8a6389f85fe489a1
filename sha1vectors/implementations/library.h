// SPDX-License-Identifier: MIT
// A SHA-1 in a shared library, checked in a worker process that loads it: a crash or a hang fails
// one vector and a fresh worker takes over. Every message is hashed in several ways (one call,
// one update, many splits) and each way must give SHA-1's digest; the buffers the library writes
// are fenced by guard bytes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/implementations/implementation.h"

namespace sha1vectors {

// The interfaces a library may offer: OpenSSL's (and its many copies), Nettle's, and ours
// (sha1abi.h). Each function is found by its role.
enum class Abi { openssl, nettle, own };
enum class Role { oneshot, begin, update, end, endbits, contextsize };
using Symbols = std::map<Role, std::string>;

std::optional<Abi> abinamed(std::string_view name);
std::string abiname(Abi abi);
// The function names of abi, by role; renames ("SHA1_Update=my_update") change some.
Symbols abisymbols(Abi abi);
// Reads "NAME=OTHER,NAME=OTHER" (the abi's own names on the left) into symbols; the problem, if any.
std::optional<std::string> renamesymbols(std::string_view renames, Symbols& symbols);

// A way of giving a message: in one call, or in updates of these sizes, once over and then again
// from the first until the message is given (each cut to what is left).
struct Way {
  bool oneshot = false;
  std::vector<std::uint64_t> sizes;
  // The sizes of the updates a message of length bytes is given in.
  std::vector<std::uint64_t> updates(std::uint64_t length) const;
  // "one call of SHA1()", "one update", "updates of 63, 1, 0, 64 bytes".
  std::string describe(std::uint64_t length, const Symbols& symbols) const;
};

// The ways a message of length bytes is given: one call (when there is one), one update, a byte
// at a time (up to 256 bytes), one byte and then the rest, chunks of 55, 56, 63, 64 and 65 bytes,
// zero-length updates between chunks, and two random splits drawn from seed. A message of more than a mebibyte goes in one
// call (up to 64 MiB) and in updates of 1 MiB and 63 bytes.
std::vector<Way> waysfor(std::uint64_t length, bool oneshot, std::uint64_t seed);

struct LibrarySettings {
  std::string path;
  std::optional<Abi> abi;    // found from the exported symbols when not given
  std::string renames;       // --symbols
  std::chrono::milliseconds timeout{10'000};
  std::uint64_t seed = 0;    // of the random splits
  std::string worker;        // the program that serves as the worker (this program)
  const std::atomic<bool>* stop = nullptr;
};

class Library : public Implementation {
 public:
  explicit Library(LibrarySettings settings);
  ~Library() override;
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Why the library cannot be checked (it cannot be loaded, or has none of the interfaces), found
  // by starting the first worker; nothing when it can.
  std::optional<std::string> cannotrun();
  // "OpenSSL's interface: SHA1, SHA1_Init, SHA1_Update, SHA1_Final", once cannotrun has passed.
  std::string interface() const;

  bool takesbits() const override { return takesbits_; }
  Outcome digest(const Message& message) override;
  // Many messages to one worker in one request; after a crash or a hang the rest go to a new one.
  std::vector<Outcome> digests(std::span<const Message> messages) override;
  // A chain's first hash every way; the rest one way, run in the worker, which says now and then
  // that it is alive (so --timeout bounds a pause, not the chain).
  std::optional<ChainOutcome> chain(const Vector& vector) override;

 private:
  class Worker;
  // One way's answer into digest; the outcome instead when the way failed (and the worker is
  // not to be used again). how names the way, in brackets. For a chain, step is told the hash it
  // ended at.
  std::optional<Outcome> hear(Worker& worker, std::uint64_t length, const std::string& how, basicutilities::Sha1Digest& digest,
                              std::uint64_t* step = nullptr);
  // An idle worker, or a new one; nothing, with the reason in problem, when none can start.
  std::unique_ptr<Worker> takeworker(std::string& problem);
  void giveback(std::unique_ptr<Worker> worker);

  LibrarySettings settings_;
  Symbols symbols_;
  Abi abi_ = Abi::openssl;
  bool oneshot_ = false, takesbits_ = false;
  std::uint64_t contextsize_ = 0;
  std::mutex mutex_;  // guards idle_
  std::vector<std::unique_ptr<Worker>> idle_;
};

// The worker's side, run by the program when started as "sha1vectors --library-worker PATH ABI
// NAMES": loads the library and answers requests on standard input until it ends.
int libraryworker(int argc, char** argv);

}  // namespace sha1vectors
