// SPDX-License-Identifier: MIT
// A SHA-1 in a shared library, checked in a worker process that loads it: a crash or a hang fails
// one vector and a fresh worker takes over. Every message is hashed in several ways (ways.h) and
// each way must give SHA-1's digest; the buffers the library writes are fenced by guard bytes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sha1vectors/implementations/implementation.h"
#include "sha1vectors/implementations/interfaces.h"
#include "sha1vectors/implementations/protocol.h"
#include "sha1vectors/implementations/ways.h"

namespace sha1vectors {

struct LibrarySettings {
  std::string path;
  std::string abi;           // an interface's name; empty: found from the exported symbols; "harness":
                             // path is a harness's command (harness.h), not a library; "described":
                             // the one description holds; "functions": only list its functions
  std::string description;   // --interface, as interfaces.h reads it
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

  // Why the library cannot be checked ("--symbols: ...", or "--library PATH: ..." when it cannot be
  // loaded or has none of the interfaces), found by starting the first worker; nothing when it can.
  std::optional<std::string> cannotrun();
  // "OpenSSL's interface: SHA1, SHA1_Init, SHA1_Update, SHA1_Final", once cannotrun has passed.
  std::string interface() const;
  // The names of the functions the library of settings exports, read by a worker that loads it;
  // nothing, with the reason in problem, when it cannot be loaded.
  static std::optional<std::vector<std::string>> functions(const LibrarySettings& settings, std::string& problem);

  bool takesbits() const override { return takesbits_; }
  Outcome digest(const Message& message) override;
  // Many messages to one worker in one request; after a crash or a hang the rest go to a new one.
  std::vector<Outcome> digests(std::span<const Message> messages) override;
  // A chain's first hash every way; the rest one way, run in the worker, which says now and then
  // that it is alive (so --timeout bounds a pause, not the chain).
  std::optional<ChainOutcome> chain(const Vector& vector) override;

 private:
  class Worker;
  // One way's answer into digest, its longest call given length bytes; the outcome instead when the
  // way failed (and the worker is
  // not to be used again), incall set when it failed in a call (a hang, a crash, an exit) rather
  // than with an answer. For a chain, step is told the hash it ended at.
  std::optional<Outcome> hear(Worker& worker, std::uint64_t length, basicutilities::Sha1Digest& digest, std::uint64_t* step, bool& incall);
  // "; in SHA1_Final()", "; in update 3, SHA1_Update()": the call a way was in.
  std::string callname(const protocol::Position& position, const Way& way) const;
  // The outcomes of a request whose worker failed awaiting way w of message m: the outcomes so far,
  // the failure where the worker was, and the rest from fresh workers.
  std::vector<Outcome> failed(std::span<const Message> messages, const std::vector<std::vector<Way>>& ways, std::size_t m, std::size_t w,
                              const std::optional<protocol::Position>& position, Outcome failure, std::vector<Outcome> outcomes);
  // An idle worker, or a new one; nothing, with the reason in problem, when none can start.
  std::unique_ptr<Worker> takeworker(std::string& problem);
  void giveback(std::unique_ptr<Worker> worker);
  std::string oneshotname() const { return names_[static_cast<std::size_t>(Role::oneshot)]; }
  bool harness() const { return settings_.abi == "harness"; }
  bool described() const { return settings_.abi == "described"; }

  LibrarySettings settings_;
  std::string title_;  // of the interface found
  Description description_;
  Description::Names names_;
  bool oneshot_ = false, takesbits_ = false;
  std::uint64_t contextsize_ = 0;
  std::mutex mutex_;  // guards idle_
  std::vector<std::unique_ptr<Worker>> idle_;
};

// Whether renames (--symbols) fit abi's interface (or the one described), or with no abi any
// interface; the problem if not.
std::optional<std::string> checkrenames(const LibrarySettings& settings);

// The worker's side, run by the program when started as "sha1vectors --library-worker PATH ABI
// RENAMES [DESCRIPTION]": loads the library and answers requests on its descriptors until it ends.
int libraryworker(int argc, char** argv);

}  // namespace sha1vectors
