// SPDX-License-Identifier: MIT
#include "sha1vectors/checking/random.h"

#include <algorithm>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "utilities/hex.h"

namespace sha1vectors {
namespace {

basicutilities::Sha1Digest right(std::string_view message) {
  basicutilities::Sha1Stream stream;
  stream.add(message);
  return stream.finish();
}

bool fails(const Outcome& outcome, std::string_view message) { return !outcome.stopped && (!outcome.digest || *outcome.digest != right(message)); }

// The shortest failing prefix of message, then with as many of its bytes made zero as still fail.
std::string shrink(Implementation& implementation, std::string message, Outcome& outcome, const std::atomic<bool>& stop) {
  const auto failing = [&](const std::string& candidate) {
    if (stop) return false;
    Outcome tried = implementation.digest({candidate});
    if (!fails(tried, candidate)) return false;
    outcome = std::move(tried);
    return true;
  };
  for (std::size_t length = 0; length < message.size(); ++length) {
    if (failing(message.substr(0, length))) {
      message.resize(length);
      break;
    }
  }
  if (std::string zeros(message.size(), '\0'); message != zeros && failing(zeros)) return zeros;
  for (char& byte : message) {
    if (byte == '\0') continue;
    const char was = std::exchange(byte, '\0');
    if (!failing(message)) byte = was;
  }
  return message;
}

}  // namespace

std::string randommessage(std::uint64_t seed, std::uint64_t number, std::uint64_t maxlength) {
  std::mt19937_64 random(seed ^ (number * 0x9E3779B97F4A7C15ULL));
  static constexpr std::uint64_t edges[] = {0, 1, 55, 56, 63, 64, 65, 119, 120};
  std::uint64_t length = 0;
  switch (random() % 4) {
    case 0: length = edges[random() % std::size(edges)]; break;
    case 1: length = 64 * (random() % (maxlength / 64 + 1)); break;
    default: length = random() % (maxlength + 1); break;
  }
  std::string message(static_cast<std::size_t>(std::min(length, maxlength)), '\0');
  for (char& byte : message) byte = static_cast<char>(random());
  return message;
}

namespace {

// One --random run: threads take the next numbers in batches and record what they found.
class RandomRun {
 public:
  RandomRun(Implementation& implementation, const RandomSettings& settings, const std::atomic<bool>& stop)
      : implementation_(implementation), settings_(settings), stop_(stop), firstfailure_(settings.count) {}

  void work() {
    for (std::uint64_t from = 0, to = 0; take(from, to);) {
      std::vector<std::string> held;
      std::vector<Message> messages;
      for (std::uint64_t n = from; n < to; ++n) held.push_back(randommessage(settings_.seed, n, settings_.maxlength));
      for (const std::string& message : held) messages.push_back({message});
      record(from, held, implementation_.digests(messages));
    }
  }

  RandomResult finish() {
    // Passes counted past the failure would depend on the threads' timing.
    if (result_.failure) {
      result_.passed = result_.failure->number;
      result_.failure->message = shrink(implementation_, result_.failure->message, result_.failure->outcome, stop_);
    }
    if (stop_) result_.unchecked = settings_.count - result_.passed - (result_.failure ? 1 : 0);
    return result_;
  }

 private:
  // The next batch of numbers; false when none is left of interest (past a failure, only the
  // messages before it are).
  bool take(std::uint64_t& from, std::uint64_t& to) {
    const std::lock_guard lock(mutex_);
    const std::uint64_t end = std::min(firstfailure_, settings_.count);
    if (next_ >= end || stop_) return false;
    from = next_;
    to = next_ = std::min(next_ + std::max<std::size_t>(1, settings_.batch), end);
    return true;
  }

  void record(std::uint64_t from, const std::vector<std::string>& held, const std::vector<Outcome>& outcomes) {
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      if (outcomes[i].stopped) continue;
      if (!fails(outcomes[i], held[i])) {
        ++result_.passed;
      } else if (from + i < firstfailure_) {
        firstfailure_ = from + i;
        result_.failure = RandomResult::Failure{from + i, held[i].size(), held[i], outcomes[i]};
      }
    }
  }

  Implementation& implementation_;
  const RandomSettings& settings_;
  const std::atomic<bool>& stop_;
  std::mutex mutex_;  // guards the rest
  std::uint64_t next_ = 0, firstfailure_;
  RandomResult result_;
};

}  // namespace

RandomResult checkrandom(Implementation& implementation, const RandomSettings& settings, const std::atomic<bool>& stop) {
  RandomRun run(implementation, settings, stop);
  std::vector<std::thread> threads;
  for (unsigned j = 1; j < std::max(1U, settings.jobs); ++j) threads.emplace_back([&run] { run.work(); });
  run.work();
  for (std::thread& thread : threads) thread.join();
  return run.finish();
}

std::string cavprecord(const std::string& message) {
  std::string record = "[L = 20]\n\nLen = " + std::to_string(8 * message.size()) + "\nMsg = ";
  record += message.empty() ? "00" : basicutilities::hexencode(message, basicutilities::HexCase::lower);
  return record + "\nMD = " + basicutilities::digesthex(right(message)) + "\n";
}

}  // namespace sha1vectors
