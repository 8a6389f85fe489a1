// SPDX-License-Identifier: MIT
// The scheduler's rules, in-process against an implementation whose faults each test sets:
// batching, retries, chains hash by hash, stopping, and telling verdicts in file order.
#include <gtest/gtest.h>

#include <functional>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/checking/random.h"
#include "sha1vectors/checking/report.h"

namespace {

using sha1vectors::Message;
using sha1vectors::Outcome;
using sha1vectors::Vector;
using sha1vectors::Verdict;

std::string bytesof(const Message& message) {
  std::string bytes;
  message.chunks([&](std::string_view piece) {
    bytes += piece;
    return true;
  });
  return bytes;
}

// The engine's answers, but for the faults a test sets.
class FakeImplementation : public sha1vectors::Implementation {
 public:
  std::size_t limit = 1;             // messages a call
  std::set<std::string> wrong;       // messages answered with a wrong digest
  std::set<std::string> failing;     // messages a call fails for: alone with a reason, with others as a whole
  std::chrono::milliseconds late{};  // each call answers this late
  std::function<void()> answered;    // after each call

  bool takesbits() const override { return false; }
  std::size_t batchlimit() const override { return limit; }
  bool callsarecostly() const override { return true; }

  Outcome digest(const Message& message) override { return digests(std::span(&message, 1)).front(); }
  std::vector<Outcome> digests(std::span<const Message> messages) override {
    EXPECT_LE(messages.size(), limit) << "a call of more messages than the implementation takes";
    std::this_thread::sleep_for(late);
    std::vector<Outcome> outcomes;
    for (const Message& message : messages) {
      const std::string bytes = bytesof(message);
      {
        const std::lock_guard lock(mutex);
        ++asked[bytes];
      }
      Outcome outcome = failing.count(bytes) > 0 ? Outcome{std::nullopt, "it failed"} : engine.digest(message);
      if (wrong.count(bytes) > 0) outcome.digest->front() ^= 1;
      outcomes.push_back(outcome);
    }
    const bool failed = std::any_of(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return !o.digest; });
    if (answered) answered();
    if (failed && messages.size() > 1) return {};
    return outcomes;
  }

  std::mutex mutex;
  std::map<std::string, int> asked;  // how often each message was asked for

 private:
  sha1vectors::Engine engine;
};

Vector messagevector(const std::string& message) {
  Vector v;
  v.name = message;
  v.message = message;
  v.expected = *sha1vectors::Engine().digest(Message{v.message}).digest;
  return v;
}

// h = SHA-1("abc"), then h = SHA-1(h), iterations times in all; its expected digest the engine's.
Vector iterated(std::uint64_t iterations) {
  Vector v;
  v.kind = Vector::Kind::iterated;
  v.message = "abc";
  v.iterations = iterations;
  sha1vectors::Engine engine;
  v.expected = *sha1vectors::check(v, engine).computed;
  return v;
}

std::vector<Verdict> checkall(const std::vector<Vector>& vectors, sha1vectors::Implementation& implementation, unsigned jobs,
                              const std::atomic<bool>& stop = std::atomic<bool>{false}) {
  std::vector<const Vector*> pointers;
  for (const Vector& v : vectors) pointers.push_back(&v);
  std::vector<Verdict> verdicts(vectors.size());
  std::vector<int> told(vectors.size(), 0);
  sha1vectors::checkvectors(pointers, implementation, jobs, stop, [&](std::size_t i, const Verdict& verdict) {
    verdicts[i] = verdict;
    ++told[i];
  });
  for (std::size_t i = 0; i < told.size(); ++i) EXPECT_EQ(told[i], 1) << "vector " << i << " told " << told[i] << " times";
  return verdicts;
}

// 68 messages, 17 a call: a wrong digest is its own message's failure, wherever it stands in its
// call; a call that fails as a whole is asked again in halves, so that only the message it failed
// for fails and the others pass.
TEST(Checking, EachAnswerOfACallOfManyGoesToItsOwnMessage) {
  std::vector<Vector> vectors;
  for (int i = 0; i < 68; ++i) vectors.push_back(messagevector("message " + std::to_string(i)));
  FakeImplementation fake;
  fake.limit = 17;
  fake.wrong = {"message 3"};
  fake.failing = {"message 40"};
  for (const unsigned jobs : {1U, 2U}) {
    const auto verdicts = checkall(vectors, fake, jobs);
    for (std::size_t i = 0; i < vectors.size(); ++i) {
      const auto expected = i == 3 || i == 40 ? Verdict::Status::failed : Verdict::Status::passed;
      EXPECT_EQ(verdicts[i].status, expected) << vectors[i].name << ", jobs " << jobs;
    }
    EXPECT_EQ(verdicts[40].reason, "it failed");
    EXPECT_NE(verdicts[3].computed, vectors[3].expected);
  }
  EXPECT_GT(fake.asked["message 41"], 2) << "asked again in each run: its call failed as a whole";
  EXPECT_EQ(fake.asked["message 3"], 2) << "once a run: its call did not fail";
}

// A chain whose hashes the engine reproduces is asked for hash by hash, many a call, and the first
// wrong hash is named; a chain the engine does not reproduce is checked whole.
TEST(Checking, ChainsAreCheckedHashByHashAndTheFirstWrongOneNamed) {
  std::vector<Vector> vectors{iterated(50), iterated(50), iterated(5)};
  vectors[1].expected.front() ^= 1;  // a wrong published digest
  // A Monte Carlo chain whose first hash, of the seed three times over, comes out wrong.
  vectors[2].kind = Vector::Kind::montecarlo;
  vectors[2].message = std::string(20, 's');
  sha1vectors::Engine engine;
  vectors[2].expected = *sha1vectors::check(vectors[2], engine).computed;
  FakeImplementation fake;
  fake.limit = 8;
  const auto tenth = iterated(10).expected;  // the message of iteration 11
  fake.wrong = {std::string(tenth.begin(), tenth.end()), std::string(60, 's')};

  const auto verdicts = checkall(vectors, fake, 2);
  EXPECT_EQ(verdicts[0].status, Verdict::Status::failed);
  EXPECT_EQ(verdicts[0].step, "iteration 11");
  EXPECT_EQ(verdicts[0].stepexpected, iterated(11).expected);
  EXPECT_EQ(verdicts[1].status, Verdict::Status::failed);
  EXPECT_EQ(verdicts[1].step, "") << "a chain the engine does not reproduce fails as a whole";
  EXPECT_NE(verdicts[1].computed, vectors[0].expected) << "the whole chain's last digest, the wrong hash in it";
  EXPECT_EQ(verdicts[2].step, "hash 1 of the chain");
}

// Stopped from outside: what was not checked is told as unchecked, never as passed.
TEST(Checking, AStoppedRunLeavesTheRestUnchecked) {
  std::vector<Vector> vectors;
  for (int i = 0; i < 6; ++i) vectors.push_back(messagevector(std::to_string(i)));
  FakeImplementation fake;
  std::atomic<bool> stop{false};
  // Stopped once the first call has answered, however slow the machine.
  fake.answered = [&] { stop = true; };
  const auto verdicts = checkall(vectors, fake, 1, stop);
  EXPECT_EQ(verdicts.front().status, Verdict::Status::passed);
  EXPECT_EQ(verdicts.back().status, Verdict::Status::unchecked);
  // The engine's own hash of a long message stops as well, within 64 MiB.
  stop = true;
  const std::string piece(64, 'a');
  EXPECT_TRUE(sha1vectors::Engine(&stop).digest(Message{piece, std::uint64_t{1} << 24}).stopped);
}

// Verdicts arrive in any order and are told in file order: failures with their digits marked,
// each file's skipped vectors said after it, the summary counting each kind.
// With several jobs, the failure kept is the lowest-numbered, whichever is found first: message 0's
// call answers only after message 1's has answered and been taken in.
TEST(RandomChecking, KeepsTheLowestFailureWhateverTheOrderTheyArriveIn) {
  class LateFirst : public sha1vectors::Implementation {
   public:
    bool takesbits() const override { return false; }
    Outcome digest(const Message& message) override { return digests(std::span(&message, 1)).front(); }
    std::vector<Outcome> digests(std::span<const Message> messages) override {
      const bool first = messages.front().piece == sha1vectors::randommessage(7, 0, 100);
      if (first) {
        while (answered == 0) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // for the other's to be taken in
      }
      ++answered;
      return std::vector<Outcome>(messages.size(), Outcome{basicutilities::Sha1Digest{}});  // every digest wrong
    }
    std::atomic<int> answered{0};
  } late;
  sha1vectors::RandomSettings settings{2, 7, 100, 2, 1};
  const std::atomic<bool> stop{false};
  const sha1vectors::RandomResult result = sha1vectors::checkrandom(late, settings, stop);
  ASSERT_TRUE(result.failure);
  EXPECT_EQ(result.failure->number, 0U);
  EXPECT_EQ(result.passed, 0U);
}

TEST(Report, TellsVerdictsInFileOrder) {
  std::vector<sha1vectors::Source> sources{{"a.rsp", {messagevector("x"), messagevector("y")}}, {"b.rsp", {messagevector("z")}}};
  for (int i : {0, 1}) {
    sources[0].vectors[static_cast<std::size_t>(i)].file = "a.rsp";
    sources[0].vectors[static_cast<std::size_t>(i)].line = 3 + i;
  }
  std::ostringstream out, err;
  sha1vectors::Progress progress(3, stderr, false);
  sha1vectors::Report report(sources, {true, true}, progress, out, err);
  Verdict failed;
  failed.status = Verdict::Status::failed;
  failed.computed = sources[0].vectors[0].expected;
  failed.computed->back() ^= 0x10;
  Verdict passed, skipped;
  passed.status = Verdict::Status::passed;
  skipped.status = Verdict::Status::skipped;
  report.arrived(2, skipped);
  report.arrived(1, passed);
  EXPECT_EQ(out.str(), "") << "nothing is told before the vectors ahead of it";
  report.arrived(0, failed);
  const std::string expected = basicutilities::digesthex(sources[0].vectors[0].expected);
  EXPECT_EQ(out.str(), "FAIL a.rsp:3: x\n  expected " + expected + "\n  computed " + basicutilities::digesthex(*failed.computed) + "\n           " +
                           std::string(38, ' ') + "^ \nok   a.rsp:4: y\n");
  EXPECT_EQ(err.str(), "sha1vectors: b.rsp: skipped 1 bit-oriented vectors: the implementation takes whole bytes only\n");
  std::ostringstream summary;
  sha1vectors::summarise(report.tally(), summary);
  EXPECT_EQ(summary.str(), "1 passed, 1 failed, 1 skipped\n");
}

}  // namespace
