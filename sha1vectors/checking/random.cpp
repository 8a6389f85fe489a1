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

// Shrinks a failing message: in length (its shortest failing prefix, then suffix, found by doubling
// and halving; then pieces deleted, where it is short), then in its bytes (all the simplest byte the
// messages may hold, zero or else "a", or each byte made that where the message still fails). Candidates go to the implementation many to a call, in
// calls of a bounded size, so that a stop is heard within about a second.
class Shrinker {
 public:
  Shrinker(Implementation& implementation, Outcome& outcome, const std::atomic<bool>& stop, char simplest)
      : implementation_(implementation), outcome_(outcome), stop_(stop), simplest_(simplest) {}

  std::string shrink(std::string message) {
    message = shortest(std::move(message), true);
    message = shortest(std::move(message), false);
    if (message.size() <= fine) message = withoutpieces(std::move(message));
    return simplest(std::move(message));
  }

 private:
  // Messages past this many bytes are shrunk by halving alone: piece by piece would take n^2.
  static constexpr std::size_t fine = 4096;
  static constexpr std::uint64_t callbytes = std::uint64_t{16} << 20;

  // The first of candidates that fails, in order; nothing when none does or when stopped.
  std::optional<std::size_t> firstfailing(const std::vector<std::string>& candidates) {
    for (std::size_t from = 0; from < candidates.size() && !stop_;) {
      std::vector<Message> messages;
      std::uint64_t bytes = 0;
      for (std::size_t i = from; i < candidates.size() && messages.size() < 256 && (messages.empty() || bytes + candidates[i].size() <= callbytes); ++i) {
        messages.push_back({candidates[i]});
        bytes += candidates[i].size();
      }
      std::vector<Outcome> outcomes = implementation_.digests(messages);
      // A call of many that failed as a whole is made again one by one.
      if (outcomes.size() != messages.size()) {
        outcomes.clear();
        for (const Message& message : messages) outcomes.push_back(implementation_.digest(message));
      }
      for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (!fails(outcomes[i], candidates[from + i])) continue;
        outcome_ = std::move(outcomes[i]);
        return from + i;
      }
      from += messages.size();
    }
    return std::nullopt;
  }

  bool failing(const std::string& candidate) { return firstfailing({candidate}).has_value(); }

  // The shortest failing prefix (or suffix) of message: lengths doubled from 0 up to the first that
  // fails, then halved between it and the one before, which passed.
  std::string shortest(std::string message, bool prefix) {
    const auto cut = [&](std::size_t length) { return prefix ? message.substr(0, length) : message.substr(message.size() - length); };
    std::vector<std::size_t> lengths{0};
    while (lengths.back() * 2 < message.size() && lengths.back() < 1) lengths.push_back(1);
    while (lengths.back() * 2 < message.size()) lengths.push_back(lengths.back() * 2);
    std::vector<std::string> candidates;
    for (const std::size_t length : lengths) candidates.push_back(cut(length));
    const auto hit = firstfailing(candidates);
    if (stop_) return message;
    std::size_t passes = hit ? (*hit == 0 ? 0 : lengths[*hit - 1]) : lengths.back(), fails = hit ? lengths[*hit] : message.size();
    if (hit && *hit == 0) return {};
    while (fails - passes > 1 && !stop_) {
      const std::size_t middle = passes + (fails - passes) / 2;
      (failing(cut(middle)) ? fails : passes) = middle;
    }
    return cut(fails);
  }

  // Tries, in order, the changes of message that make at each place from the first: the first
  // that still fails is taken, and the search goes on past it. Places are tried one at first and
  // twice as many at a time after each miss, so that a run of misses costs few calls and a hit
  // wastes few.
  template <class Change>
  std::string improve(std::string message, std::size_t places, std::size_t step, Change&& change) {
    for (std::size_t at = 0, batch = 1; at < places && !stop_;) {
      std::vector<std::string> candidates;
      std::vector<std::size_t> where;
      for (std::size_t place = at; place < places && candidates.size() < batch; place += step) {
        if (auto candidate = change(message, place)) {
          candidates.push_back(std::move(*candidate));
          where.push_back(place);
        }
      }
      if (candidates.empty()) break;
      const auto hit = firstfailing(candidates);
      if (hit) message = std::move(candidates[*hit]);
      at = hit ? change.next(where[*hit]) : where.back() + step;
      batch = hit ? 1 : std::min<std::size_t>(2 * batch, 256);
      places = change.places(message);
    }
    return message;
  }

  // message with pieces deleted while it still fails: halves, then quarters, down to single bytes.
  std::string withoutpieces(std::string message) {
    for (std::size_t size = std::max<std::size_t>(1, message.size() / 2); size > 0 && !stop_; size /= 2) {
      struct {
        std::size_t size;
        std::optional<std::string> operator()(const std::string& from, std::size_t at) const {
          if (at + size > from.size() || from.size() == size) return std::nullopt;
          return from.substr(0, at) + from.substr(at + size);
        }
        std::size_t next(std::size_t at) const { return at; }  // the next piece slid into its place
        std::size_t places(const std::string& from) const { return from.size(); }
      } deletion{size};
      message = improve(std::move(message), message.size(), size, deletion);
    }
    return message;
  }

  // message with the simplest bytes that still fail: all the simplest, else each byte that where it
  // may be.
  std::string simplest(std::string message) {
    if (std::string plain(message.size(), simplest_); message != plain && failing(plain)) return plain;
    if (message.size() > fine) return message;
    struct {
      char plain;
      std::optional<std::string> operator()(const std::string& from, std::size_t at) const {
        if (from[at] == plain) return std::nullopt;
        std::string made = from;
        made[at] = plain;
        return made;
      }
      std::size_t next(std::size_t at) const { return at + 1; }
      std::size_t places(const std::string& from) const { return from.size(); }
    } plainer{simplest_};
    return improve(std::move(message), message.size(), 1, plainer);
  }

  Implementation& implementation_;
  Outcome& outcome_;
  const std::atomic<bool>& stop_;
  char simplest_;
};

}  // namespace

std::string randommessage(std::uint64_t seed, std::uint64_t number, std::uint64_t maxlength, RandomBytes bytes) {
  std::mt19937_64 random(seed ^ (number * 0x9E3779B97F4A7C15ULL));
  static constexpr std::uint64_t edges[] = {0, 1, 55, 56, 63, 64, 65, 119, 120};
  std::uint64_t length = 0;
  switch (random() % 4) {
    case 0: length = edges[random() % std::size(edges)]; break;
    case 1: length = 64 * (random() % (maxlength / 64 + 1)); break;
    default: length = random() % (maxlength + 1); break;
  }
  std::string message(static_cast<std::size_t>(std::min(length, maxlength)), '\0');
  for (char& byte : message) {
    const std::uint64_t drawn = random();
    byte = static_cast<char>(bytes == RandomBytes::any ? drawn : bytes == RandomBytes::nonzero ? 1 + drawn % 255 : ' ' + drawn % 95);
  }
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
      for (std::uint64_t n = from; n < to; ++n) held.push_back(randommessage(settings_.seed, n, settings_.maxlength, settings_.bytes));
      for (const std::string& message : held) messages.push_back({message});
      record(from, held, implementation_.digests(messages));
    }
  }

  RandomResult finish() {
    // Passes counted past the failure would depend on the threads' timing.
    if (result_.failure) {
      result_.passed = result_.failure->number;
      result_.failure->message = Shrinker(implementation_, result_.failure->outcome, stop_, settings_.bytes == RandomBytes::any ? '\0' : 'a').shrink(result_.failure->message);
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
