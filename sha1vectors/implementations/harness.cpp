// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/harness.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <deque>
#include <thread>
#include <utility>

#include "sha1vectors/process/process.h"

namespace sha1vectors::harness {
namespace {

using Byte = unsigned char;

// Longest answer line read; a longer one is garbage.
constexpr std::size_t longestline = 256;

std::string printable(std::string text) {
  for (char& c : text) {
    if (std::isprint(static_cast<unsigned char>(c)) == 0) c = '?';
  }
  return text;
}

class Connection : public Pipeline {
 public:
  static constexpr std::size_t input = 0, output = 1;  // the harness's slots

  std::optional<std::string> launch(const std::string& command) {
    using Flow = process::Slot::Flow;
    // In the worker's group: ending the worker ends the harness, and its time counts as the worker's.
    return child_.start({{"/bin/sh", "-c", command}, false, false, {{0, Flow::tochild}, {1, Flow::fromchild}}});
  }

  bool update(std::string_view bytes) override { return write("U " + std::to_string(bytes.size()) + "\n") && write(bytes); }

  bool end() override { return write("E " + std::to_string(++ends_) + "\n"); }

  bool ready() const override { return !answers_.empty(); }

  std::optional<basicutilities::Sha1Digest> next() override {
    if (answers_.empty()) flush();
    while (answers_.empty() && why_.empty()) {
      if (closed_) {
        fail(buffered_.empty() ? "the harness closed its output" : "the harness closed its output after \"" + printable(buffered_) + "\"");
        break;
      }
      child_.wait(std::chrono::milliseconds(1000), {output});
      take();
    }
    if (!why_.empty()) return std::nullopt;
    const basicutilities::Sha1Digest digest = answers_.front();
    answers_.pop_front();
    return digest;
  }

  const std::string& why() const override { return why_; }

 private:
  // Requests are gathered into writes of up to this many bytes: a system call a request would cost
  // more than the harness's work on it.
  static constexpr std::size_t gathered = std::size_t{64} << 10;

  bool write(std::string_view bytes) {
    if (pending_.size() + bytes.size() > gathered && !flush()) return false;
    if (bytes.size() >= gathered) return send(bytes);
    pending_ += bytes;
    return why_.empty();
  }

  bool flush() { return send(std::exchange(pending_, {})); }

  bool send(std::string_view bytes) {
    while (!bytes.empty() && why_.empty()) {
      const std::ptrdiff_t n = child_.write(input, bytes.data(), bytes.size());
      if (n < 0) return fail("the harness stopped reading");
      bytes.remove_prefix(static_cast<std::size_t>(n));
      // Answers are taken while the harness is busy, so that it never waits on us to read them.
      if (n == 0 && child_.wait(std::chrono::milliseconds(1000), {input, output})[output]) take();
    }
    return why_.empty();
  }

  // What the harness has written so far, as answers.
  void take() {
    char bytes[4096];
    const std::ptrdiff_t n = child_.read(output, bytes, sizeof bytes);
    if (n < 0) closed_ = true;
    if (n > 0) buffered_.append(bytes, static_cast<std::size_t>(n));
    for (auto newline = buffered_.find('\n'); newline != std::string::npos && why_.empty(); newline = buffered_.find('\n')) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      answer(line);
    }
    if (buffered_.size() > longestline && why_.empty()) answer(std::exchange(buffered_, {}));
  }

  void answer(const std::string& line) {
    const std::string number = std::to_string(++answered_);
    const auto parsed = basicutilities::parsedigest(std::string_view(line).substr(0, 40));
    if (!parsed || line.size() < 41 || line[40] != ' ' || line.substr(41) != number) {
      const std::string shown = line.size() > 60 ? line.substr(0, 60) + "..." : line;
      why_ = "the harness answered \"" + printable(shown) + "\" to end " + number + ", not 40 hex digits, a blank and " + number;
      return;
    }
    answers_.push_back(*parsed);
  }

  // The harness has stopped reading or closed its output: why, said as how it ended when it has
  // (as it mostly has). One still running is ended with the worker.
  bool fail(std::string why) {
    child_.close(input);
    for (int tries = 0; tries < 20 && !child_.exited(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (child_.exited()) {
      const process::Ending ending = child_.end();
      if (ending.kind == process::Ending::Kind::signalled) why = "the harness was killed by " + process::signalname(ending.code);
      if (ending.kind == process::Ending::Kind::exited) why = "the harness ended with status " + std::to_string(ending.code);
    }
    why_ = std::move(why);
    return false;
  }

  process::Child child_;
  std::string pending_, buffered_, why_;
  std::deque<basicutilities::Sha1Digest> answers_;
  std::uint64_t ends_ = 0, answered_ = 0;
  bool closed_ = false;
};

Connection& connection() {
  static Connection the;
  return the;
}

GiveUp giveup = nullptr;

// A call that cannot be made: the worker is told why, and ends.
[[noreturn]] void stop() {
  if (giveup != nullptr) giveup(connection().why());
  std::_Exit(3);
}

}  // namespace

Pipeline& pipeline() { return connection(); }

const Interface row{"harness", "the harness protocol", "begin begin(ctx); update update(ctx, data, len); end end(ctx, digest); context 1"};

Functions functions() {
  // Each end starts a fresh hash: a begin has nothing to do.
  static void (*const begin)(void*) = [](void*) {};
  static void (*const update)(void*, const Byte*, std::size_t) = [](void*, const Byte* data, std::size_t length) {
    if (!connection().update(std::string_view(reinterpret_cast<const char*>(data), length))) stop();
  };
  static void (*const end)(void*, Byte*) = [](void*, Byte* digest) {
    const auto answer = connection().endnow();
    if (!answer) stop();
    std::copy(answer->begin(), answer->end(), digest);
  };
  Functions functions{};
  functions[static_cast<std::size_t>(Role::begin)] = reinterpret_cast<void*>(begin);
  functions[static_cast<std::size_t>(Role::update)] = reinterpret_cast<void*>(update);
  functions[static_cast<std::size_t>(Role::end)] = reinterpret_cast<void*>(end);
  return functions;
}

std::optional<std::string> start(const std::string& command) {
  if (auto why = connection().launch(command)) return "cannot start it: " + *why;
  // The empty message first: a harness that cannot answer it is no harness, and is told so before
  // any vector is blamed on it.
  const auto answer = connection().endnow();
  if (!answer) return connection().why() + ", asked for the empty message's digest";
  if (*answer != basicutilities::Sha1Stream().finish()) {
    return "answered a wrong digest for the empty message: is it SHA-1, and does it start afresh after each end?";
  }
  return std::nullopt;
}

void ongiveup(GiveUp then) { giveup = then; }

}  // namespace sha1vectors::harness
