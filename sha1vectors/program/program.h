// SPDX-License-Identifier: MIT
// The sha1vectors program: its options, and each of its modes (checking vector sets, random
// messages, tracing) in a file of its own; main.cpp chooses among them.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sha1vectors/implementations/command.h"
#include "sha1vectors/implementations/library.h"
#include "sha1vectors/implementations/orphans.h"

namespace sha1vectors::program {

struct Options {
  std::vector<std::string> files;
  std::string command;
  double timeout = 10;
  unsigned jobs = std::max(1U, std::thread::hardware_concurrency());
  std::string acvpresponse;
  bool verbose = false;
  bool quiet = false;
  bool catalogue = false;
  bool strict = false;
  std::optional<std::string> trace, tracehex;  // a message to trace instead of checking
  std::optional<std::string> tracecompare;        // a trace of the user's to compare with it
  std::string constants;
  std::string library, abi, symbols;
  std::string interface;  // --interface: a description, read from its file when one was named
  std::string harness;
  std::optional<std::uint64_t> seed;
  bool nolong = false, longcheck = false;
  std::uint64_t random = 0, maxlength = 1024;
  std::string randombytes = "any";
  bool probe = false;
};

// Reads the command line into options; the exit status when the program is to end there (after
// --help or --version, or a call that is wrong, told on standard error).
std::optional<int> parse(int argc, char** argv, Options& options);
// The help's opening and closing texts.
std::string description();
std::string epilog();

// Set by Ctrl+C (or any other signal that would end the program): the run stops, tidies up and
// tells what it checked so far; the first such signal gives the exit status, 128 + its number.
inline std::atomic<bool> interrupted{false};
inline std::atomic<int> stopsignal{0};
int stoppedstatus();

// The implementation the options name: the engine, a command or a library.
class Chosen {
 public:
  // false, having said why, when the command cannot be run or the library cannot be loaded.
  bool choose(const Options& options, const std::string& self);
  Implementation& implementation();
  // Failures that came of this machine, not of the command: the run has no verdict.
  std::optional<std::string> runproblem() const { return command_ ? command_->runproblem() : std::nullopt; }
  bool library() const { return library_.has_value(); }

 private:
  bool startcommand(const Options& options);
  bool loadlibrary(const Options& options, const std::string& self);

  Engine engine_{&interrupted};
  std::optional<OrphanSweeper> sweeper_;
  std::optional<Command> command_;
  std::optional<Library> library_;
};

// The modes: their exit statuses as the help gives them.
int checkfiles(const Options& options, Chosen& chosen);
int checkrandom(const Options& options, Implementation& implementation);
int trace(const Options& options);
int probelibrary(const Options& options, const std::string& self);

}  // namespace sha1vectors::program
