// Another SHA-1 implementation, run as a command: one process per message.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/checking.h"

namespace sha1vectors {

// Runs command once per message, directly when it is plain words (split at blanks) and through
// the shell (/bin/sh -c) when it has any other character, in a process group of its own
// with default signal handling: the message on its standard input, the digest read from its
// standard output (see digestinoutput). A command that exits with a status other than 0, is ended
// by a signal, has not exited when timeout is up (closed outputs or not) or prints no digest gives
// a failure saying so. When it has exited or timed out, its whole group is killed, and on Linux
// everything it started in a session of its own too (this process becomes a child subreaper).
// Needs POSIX; elsewhere every message fails with a message saying so.
// The caller must ignore SIGPIPE, so that a command that exits without reading all of its input
// does not end this program.
class Command : public Implementation {
 public:
  Command(std::string command, std::chrono::milliseconds timeout);
  bool takesbits() const override { return false; }
  Outcome digest(const Message& message) override;
  bool throughshell() const { return throughshell_; }

 private:
  std::string command_;
  std::vector<std::string> words_;  // what is started
  bool throughshell_ = false;
  std::chrono::milliseconds timeout_;
};

// The digest an implementation's output names: the first run of exactly 40 hexadecimal digits
// (either case), or five groups of eight separated by single blanks, as digesttext writes them.
std::optional<basicutilities::Sha1Digest> digestinoutput(std::string_view output);

}  // namespace sha1vectors
