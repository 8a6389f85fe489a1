// SPDX-License-Identifier: MIT
#include "sha1vectors/checking/checking.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>

#include "digest/sha1variants.h"
#include "sha1vectors/model/chains.h"

namespace sha1vectors {
namespace {

using basicutilities::Sha1Digest;
using chains::firstmessage;
using chains::walk;

// The hashes of a run's chains held each on its own, at most (about 200 bytes each); a chain past
// what is left of them is checked as a whole, so that no file can make planning take more memory.
constexpr std::uint64_t maxsplithashes = std::uint64_t{1} << 20;
// The message bytes one call of several messages takes at most (a longer message goes alone).
constexpr std::uint64_t maxbatchbytes = std::uint64_t{64} << 20;

// What a failure calls hash number step of vector: nothing for a message of its own.
std::string steplabel(const Vector& vector, std::uint64_t step) {
  switch (vector.kind) {
    case Vector::Kind::message:
      return {};
    case Vector::Kind::montecarlo:
      return "hash " + std::to_string(step + 1) + " of the chain";
    case Vector::Kind::iterated:
      return "iteration " + std::to_string(step + 1);
  }
  return {};
}

// Says in verdict why a hash gave no digest; false when it gave one.
bool nodigest(const Outcome& outcome, const std::string& label, Verdict& verdict) {
  if (outcome.digest) return false;
  verdict.status = outcome.stopped ? Verdict::Status::unchecked : Verdict::Status::failed;
  verdict.reason = label.empty() ? outcome.failure : label + ": " + outcome.failure;
  verdict.misprinted = outcome.misprinted;
  return true;
}

// Names in a failed verdict the classic mistake that gives its wrong digest of message, which
// should have been expected; or says the digest was right, only misprinted.
void diagnose(Verdict& verdict, const Message& message, const Sha1Digest& expected) {
  const auto& wrong = verdict.computed ? verdict.computed : verdict.misprinted;
  if (verdict.status != Verdict::Status::failed || !wrong || message.partialbits != 0) return;
  if (*wrong == expected) {
    verdict.causes = {"none in SHA-1: the digest is right, only printed in a form not read as one (print it as 40 hexadecimal digits)"};
    return;
  }
  const auto mistakes = basicutilities::likelymistakes(*wrong, message.size(), [&](const auto& take) { message.chunks(take); });
  // The digest of a count wrapped at 32 bits is also that of one update whose length reaches the
  // count wrapped: made bits in 32 bits (len << 3), or, past 4 GiB, with its top bits lost (the
  // count's high word given only a carry). Where other ways gave the right digest, SHA-1 is right
  // and no mistake all ways would share is the cause: only those can be. Past 4 GiB, where the
  // message is given in one update only, the lost top bits come first: a count kept in 32 bits
  // would have failed the shorter long message before.
  const bool wrapped = std::any_of(mistakes.begin(), mistakes.end(), [](const auto* mistake) { return mistake->variant.padding.countbits == 32; });
  if (wrapped && message.size() > (std::uint64_t{1} << 32)) {
    verdict.causes.emplace_back("one update's length loses its top 32 bits in the count (only a carry reaches the count's high word): an update of 4 GiB or more");
  }
  if (!verdict.rightsomeway) {
    for (const auto* mistake : mistakes) verdict.causes.emplace_back(mistake->name);
  }
  if (wrapped && message.size() >= (std::uint64_t{1} << 29)) {
    verdict.causes.emplace_back("one update's length is made a bit count in 32 bits (len << 3): an update of 512 MiB or more wraps");
  }
}

// A vector checked hash by hash: each hash's message, the digest it must give, and the answers.
struct Plan {
  bool skipped = false;  // the implementation cannot take it
  bool whole = true;  // checked by check() instead
  std::vector<std::string> held;  // the chain's messages
  std::vector<Message> messages;
  std::vector<Sha1Digest> expected;
  std::vector<Outcome> outcomes;
  std::size_t left = 0;  // hashes not answered yet
  std::size_t firstwrong = SIZE_MAX;  // the hashes after it need not be asked for
};

// budget: the chain hashes that may still be held; what this plan holds is taken from it.
Plan plan(const Vector& vector, const Implementation& implementation, std::uint64_t& budget) {
  Plan p;
  p.skipped = !cantake(implementation, vector);
  if (!implementation.callsarecostly() || p.skipped) return p;
  if (vector.kind != Vector::Kind::message && vector.hashes() > budget) return p;
  p.held.reserve(static_cast<std::size_t>(vector.hashes()));  // the messages view them
  Engine engine;
  const auto last = walk(vector, [&](const Message& message, std::uint64_t) {
    if (message.piece.data() == vector.message.data()) {
      p.messages.push_back(message);
    } else {
      Message held = message;
      held.piece = p.held.emplace_back(message.piece);
      p.messages.push_back(held);
    }
    // A single message needs no engine: its expected digest is the vector's.
    p.expected.push_back(vector.kind == Vector::Kind::message ? vector.expected : *engine.digest(message).digest);
    return std::optional(p.expected.back());
  });
  // Where the engine's chain does not reach the published digest, its hashes prove nothing.
  if (last != vector.expected) return Plan{};
  if (vector.kind != Vector::Kind::message) budget -= vector.hashes();
  p.whole = false;
  p.left = p.messages.size();
  p.outcomes.resize(p.left);
  return p;
}

Verdict conclude(const Vector& vector, const Plan& plan) {
  Verdict verdict;
  for (std::size_t i = 0; i < plan.outcomes.size(); ++i) {
    const Outcome& outcome = plan.outcomes[i];
    const std::string label = steplabel(vector, i);
    const bool none = nodigest(outcome, label, verdict);
    if (!none && *outcome.digest == plan.expected[i]) continue;
    if (!none) {
      verdict.status = Verdict::Status::failed;
      verdict.computed = outcome.digest;
      verdict.step = label;
      verdict.stepexpected = plan.expected[i];
    }
    diagnose(verdict, plan.messages[i], plan.expected[i]);
    return verdict;
  }
  verdict.status = Verdict::Status::passed;
  verdict.computed = vector.expected;
  return verdict;
}

// Work for one call: a vector checked as a whole, or hashes of one or more vectors together.
struct Unit {
  std::size_t whole = SIZE_MAX;
  std::vector<std::pair<std::size_t, std::size_t>> hashes;  // (vector, hash)
};

std::vector<Unit> units(const std::vector<Plan>& plans, std::size_t batch) {
  std::vector<Unit> result;
  Unit open;
  std::uint64_t bytes = 0;
  const auto close = [&] {
    if (!open.hashes.empty()) result.push_back(std::exchange(open, Unit{}));
    bytes = 0;
  };
  for (std::size_t v = 0; v < plans.size(); ++v) {
    if (plans[v].skipped) continue;
    if (plans[v].whole) result.push_back(Unit{v, {}});
    for (std::size_t h = 0; h < plans[v].messages.size(); ++h) {
      const std::uint64_t size = plans[v].messages[h].size();
      if (open.hashes.size() == batch || bytes + size > maxbatchbytes) close();
      open.hashes.emplace_back(v, h);
      bytes += size;
    }
  }
  close();
  return result;
}

Verdict uncheckable(const std::exception& error) {
  return {Verdict::Status::failed, std::nullopt, std::string("it could not be checked: ") + error.what(), {}, {}, {}, {}};
}

// One checkvectors: the vectors' plans, the work they make, and the answers as they come in.
class Checking {
 public:
  using Done = std::function<void(std::size_t, const Verdict&)>;
  using Note = std::function<void(const std::string&)>;

  Checking(std::span<const Vector* const> vectors, Implementation& implementation, const std::atomic<bool>& stop, const Done& done,
           const Note& note)
      : vectors_(vectors), implementation_(implementation), stop_(stop), done_(done), note_(note), reported_(vectors.size()) {
    std::uint64_t budget = maxsplithashes;
    for (const Vector* vector : vectors) {
      try {
        plans_.push_back(plan(*vector, implementation, budget));
      } catch (const std::exception&) {  // out of memory: the vector can still be checked as a whole
        plans_.emplace_back().skipped = !cantake(implementation, *vector);
      }
    }
  }

  void run(unsigned jobs) {
    std::uint64_t hashes = 0;
    for (const Plan& p : plans_) hashes += p.messages.size();
    // Calls of several messages: enough of them to keep every job busy to the end.
    work_ = units(plans_, static_cast<std::size_t>(std::clamp<std::uint64_t>(hashes / (jobs * 4ULL), 1, implementation_.batchlimit())));
    for (std::size_t v = 0; v < vectors_.size(); ++v) {
      if (plans_[v].skipped) report(v, check(*vectors_[v], implementation_));
    }
    {
      std::vector<std::jthread> helpers;
      for (unsigned j = 1; j < std::min<std::size_t>(jobs, work_.size()); ++j) helpers.emplace_back([this] { work(); });
      work();
    }
    for (std::size_t v = 0; v < vectors_.size(); ++v) {
      if (!reported_[v]) done_(v, Verdict{});
    }
  }

 private:
  using Hashes = std::vector<std::pair<std::size_t, std::size_t>>;  // (vector, hash)

  // Takes units until there are none or the run is stopped.
  void work() {
    for (std::size_t u; !stop_ && (u = next_++) < work_.size();) {
      if (work_[u].hashes.empty()) {
        checkwhole(work_[u].whole);
      } else {
        ask(work_[u].hashes);
      }
    }
  }

  void checkwhole(std::size_t v) {
    Verdict verdict;
    try {
      verdict = check(*vectors_[v], implementation_, &stop_);
    } catch (const std::exception& error) {
      verdict = uncheckable(error);
    }
    const std::lock_guard lock(mutex_);
    report(v, verdict);
  }

  // Asks for the hashes still wanted in one call; when that call fails as a whole (or runs out of
  // time), asks for its halves apart, down to the message it failed for: a message that hangs costs
  // one timeout per halving, not the run.
  void ask(const Hashes& unit) {
    const Hashes hashes = wanted(unit);
    if (hashes.empty()) return;
    if (std::vector<Outcome> outcomes = digests(hashes); !outcomes.empty()) {
      const std::lock_guard lock(mutex_);
      for (std::size_t i = 0; i < hashes.size(); ++i) record(hashes[i].first, hashes[i].second, std::move(outcomes[i]));
      return;
    }
    if (hashes.size() == 1) {  // an implementation must answer a call of one; this one did not
      const std::lock_guard lock(mutex_);
      return record(hashes[0].first, hashes[0].second, Outcome{std::nullopt, "the implementation gave no answer"});
    }
    const auto half = hashes.begin() + static_cast<std::ptrdiff_t>(hashes.size() / 2);
    if (note_) {
      const std::lock_guard lock(mutex_);  // as done_ is called, so that the two can share a stream
      note_("a call of " + std::to_string(hashes.size()) + " messages failed or ran out of time as a whole; asking again in calls of " +
            std::to_string(hashes.size() / 2) + " and " + std::to_string(hashes.size() - hashes.size() / 2));
    }
    ask(Hashes(hashes.begin(), half));
    ask(Hashes(half, hashes.end()));
  }

  std::vector<Outcome> digests(const Hashes& hashes) {
    std::vector<Message> messages;
    for (const auto& [v, h] : hashes) messages.push_back(plans_[v].messages[h]);
    try {
      return implementation_.digests(messages);
    } catch (const std::exception& error) {
      return std::vector<Outcome>(messages.size(), Outcome{std::nullopt, uncheckable(error).reason});
    }
  }

  // The hashes still worth asking for; a chain's hashes after a wrong one are not.
  Hashes wanted(const Hashes& hashes) {
    const std::lock_guard lock(mutex_);
    Hashes result;
    for (const auto& [v, h] : hashes) {
      if (h > plans_[v].firstwrong) {
        record(v, h, {});
      } else {
        result.emplace_back(v, h);
      }
    }
    return result;
  }

  // With mutex_ held, as report.
  void record(std::size_t v, std::size_t h, Outcome outcome) {
    Plan& p = plans_[v];
    if (!outcome.stopped && outcome.digest != p.expected[h]) p.firstwrong = std::min(p.firstwrong, h);
    p.outcomes[h] = std::move(outcome);
    if (--p.left == 0) report(v, conclude(*vectors_[v], p));
  }

  void report(std::size_t v, const Verdict& verdict) {
    reported_[v] = true;
    done_(v, verdict);
  }

  std::span<const Vector* const> vectors_;
  Implementation& implementation_;
  const std::atomic<bool>& stop_;
  const Done& done_;
  const Note& note_;
  std::vector<Plan> plans_;
  std::vector<Unit> work_;
  std::atomic<std::size_t> next_{0};
  std::mutex mutex_;  // guards the plans' answers, reported_, and calls of done_ and note_
  std::vector<bool> reported_;
};

}  // namespace

Verdict check(const Vector& vector, Implementation& implementation, const std::atomic<bool>* stop) {
  Verdict verdict;
  if (!cantake(implementation, vector)) {
    verdict.status = Verdict::Status::skipped;
    verdict.reason = "its message is not a whole number of bytes, which the implementation cannot be given";
    return verdict;
  }
  // What the implementation made of one hash, or of a whole chain.
  const auto heard = [&](const Outcome& outcome, std::uint64_t step) {
    const std::string label = steplabel(vector, step);
    nodigest(outcome, label, verdict);
    // The first way of giving a message that went wrong is where the failure comes from.
    if (!outcome.how.empty() && verdict.step.empty()) verdict.step = label.empty() ? outcome.how : label + ", " + outcome.how;
    verdict.waysdisagree = verdict.waysdisagree || !outcome.how.empty();
    verdict.rightsomeway = verdict.rightsomeway || outcome.rightsomeway;
    return outcome.digest;
  };
  std::optional<ChainOutcome> chained;
  if (vector.kind != Vector::Kind::message && !(stop != nullptr && *stop)) chained = implementation.chain(vector);
  const auto last = chained ? heard(chained->outcome, chained->step) : walk(vector, [&](const Message& message, std::uint64_t step) {
    return heard(stop != nullptr && *stop ? Outcome::halted() : implementation.digest(message), step);
  });
  if (last) {
    verdict.computed = last;
    verdict.status = last == vector.expected ? Verdict::Status::passed : Verdict::Status::failed;
  }
  // A chain checked as a whole has no one message to blame.
  if (vector.kind == Vector::Kind::message) diagnose(verdict, firstmessage(vector), vector.expected);
  return verdict;
}

void checkvectors(std::span<const Vector* const> vectors, Implementation& implementation, unsigned jobs,
                  const std::atomic<bool>& stop, const std::function<void(std::size_t, const Verdict&)>& done,
                  const std::function<void(const std::string&)>& note) {
  Checking checking(vectors, implementation, stop, done, note);
  checking.run(std::max(jobs, 1U));
}

}  // namespace sha1vectors
