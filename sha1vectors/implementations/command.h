// SPDX-License-Identifier: MIT
// Another SHA-1 implementation, run as a command.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/implementations/implementation.h"

namespace sha1vectors {

// Runs command, in a process group of its own with default signal handling: directly when it is
// plain words (split at blanks) and through the shell (/bin/sh -c) when it has any other character.
// Without a word "{}", once per message: the message on its standard input, the digest read from its
// standard output (see digestinoutput). With one, a call takes many messages: each is written to a
// file of its own in a private temporary folder, the words "{}" stand for their names, and the
// output gives one digest per line in their order (files are rewritten by later calls and removed
// with the folder when this ends; a call of several that fails, runs out of time or prints another
// number of digests answers none of them: see Implementation::digests). A message over 64 MiB is
// not copied to a file: it streams in on standard input, {} standing for /dev/stdin.
// A call that exits with a status other than 0, is ended by a signal, has not exited when its time
// is up (the timeout and a second per 50 MiB it is given, closed outputs or not) or prints no digest
// gives a failure saying so; one stopped from outside gives an outcome marked stopped. When a call has exited or
// timed out, its whole group is killed. What it started outside its group is the observer's to end
// (orphans.h), told of each call.
// Calls may run in several threads at once. Needs POSIX; elsewhere every message fails with a
// message saying so. The caller must ignore SIGPIPE, so that a command that exits without reading
// all of its input does not end this program.
class CallObserver {
 public:
  virtual ~CallObserver() = default;
  // Before a call's process is started, from the thread that starts it.
  virtual void callbegins() = 0;
  // Once it has been reaped (or could not be started).
  virtual void callends() = 0;
};

class Command : public Implementation {
 public:
  Command(std::string command, std::chrono::milliseconds timeout, const std::atomic<bool>* stop = nullptr, CallObserver* observer = nullptr);
  ~Command() override;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  bool takesbits() const override { return false; }
  Outcome digest(const Message& message) override;
  std::vector<Outcome> digests(std::span<const Message> messages) override;
  std::size_t batchlimit() const override { return batchlimit_; }
  bool callsarecostly() const override { return true; }

  bool throughshell() const { return throughshell_; }
  bool takesfiles() const { return takesfiles_; }
  // Why no call can be made at all, if none can: the program is not found (a command started
  // directly), or the folder for {} cannot be made. Then it is the run that cannot go on, not the
  // implementation that fails.
  std::optional<std::string> cannotrun() const;
  // The first problem on this side in making a call since it began (a message file not written,
  // as when $TMPDIR fills up or goes; a process not started), if there was one: the failures it
  // gave are the run's, not the implementation's.
  std::optional<std::string> runproblem() const;

 private:
  bool stopping() const { return stop_ != nullptr && *stop_; }
  std::vector<Outcome> batch(std::span<const Message> messages);
  // The failure for a call this side could not make, kept for runproblem.
  Outcome notmade(const std::string& problem);
  // One call with the message on standard input.
  Outcome piped(const Message& message, const std::vector<std::string>& words);
  // The words to start, {} standing for names.
  std::vector<std::string> wordsfor(const std::vector<std::string>& names) const;

  std::string command_;
  std::vector<std::string> words_;  // what is started
  bool throughshell_ = false, takesfiles_ = false;
  std::chrono::milliseconds timeout_;
  const std::atomic<bool>* stop_;
  CallObserver* observer_;
  std::string folder_, folderproblem_;  // the temporary files' folder, or why there is none
  mutable std::mutex problemmutex_;
  std::string runproblem_;
  std::atomic<std::uint64_t> files_{0};
  std::mutex namesmutex_;
  std::vector<std::string> freenames_;  // files a finished call wrote, for later calls to rewrite
  std::size_t batchlimit_ = 1;
};

// The digest an implementation's output names: the first line that gives one in a form tools
// print (input::digestinline: sha1sum's "d  file", openssl's "SHA1(file)= d", BSD's
// "SHA1 (file) = d", a bare digest). Digits anywhere else (a file's path) are no digest.
std::optional<basicutilities::Sha1Digest> digestinoutput(std::string_view output);

}  // namespace sha1vectors
