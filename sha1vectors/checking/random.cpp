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

RandomResult checkrandom(Implementation& implementation, const RandomSettings& settings, const std::atomic<bool>& stop) {
  RandomResult result;
  std::mutex mutex;  // guards result and next
  std::uint64_t next = 0;
  std::uint64_t firstfailure = settings.count;
  const std::size_t batch = std::max<std::size_t>(1, settings.batch);
  const auto work = [&] {
    for (;;) {
      std::uint64_t from = 0, to = 0;
      {
        const std::lock_guard lock(mutex);
        // Past a failure, only the messages before it are still of interest.
        if (next >= std::min(firstfailure, settings.count) || stop) return;
        from = next;
        to = next = std::min({next + batch, settings.count, firstfailure});
      }
      std::vector<std::string> held;
      std::vector<Message> messages;
      for (std::uint64_t n = from; n < to; ++n) held.push_back(randommessage(settings.seed, n, settings.maxlength));
      for (const std::string& message : held) messages.push_back({message});
      const std::vector<Outcome> outcomes = implementation.digests(messages);
      const std::lock_guard lock(mutex);
      for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].stopped) continue;
        if (!fails(outcomes[i], held[i])) {
          ++result.passed;
        } else if (from + i < firstfailure) {
          firstfailure = from + i;
          result.failure = RandomResult::Failure{from + i, held[i].size(), held[i], outcomes[i]};
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned j = 1; j < std::max(1U, settings.jobs); ++j) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
  // Passes counted past the failure would depend on the threads' timing.
  if (result.failure) {
    result.passed = result.failure->number;
    result.failure->message = shrink(implementation, result.failure->message, result.failure->outcome, stop);
  }
  if (stop) result.unchecked = settings.count - result.passed - (result.failure ? 1 : 0);
  return result;
}

std::string cavprecord(const std::string& message) {
  std::string record = "[L = 20]\n\nLen = " + std::to_string(8 * message.size()) + "\nMsg = ";
  record += message.empty() ? "00" : basicutilities::hexencode(message, basicutilities::HexCase::lower);
  return record + "\nMD = " + basicutilities::digesthex(right(message)) + "\n";
}

}  // namespace sha1vectors
