// SPDX-License-Identifier: MIT
// Telling a run's verdicts: each failure with its file, line and the differing digits marked, a
// progress bar, and the summary line. Verdicts arrive in any order and are told in file order.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/readers/inputs.h"

namespace sha1vectors {

// A bar on a stream (standard error), drawn only when enabled (a terminal) and only once a run
// has taken a while.
class Progress {
 public:
  Progress(std::uint64_t total, std::FILE* stream, bool enabled);
  ~Progress() { clear(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void advance();
  // Takes the bar away so that other output starts on a clean line.
  void clear();

 private:
  using clock = std::chrono::steady_clock;
  std::uint64_t total_, done_ = 0;
  std::FILE* stream_;
  bool enabled_, visible_ = false;
  clock::time_point start_, drawn_{};
};

struct Tally {
  std::uint64_t passed = 0, failed = 0, skipped = 0, unchecked = 0;
};

// What a report shows beside the counts.
struct Telling {
  bool passes = false;    // "ok   file:line: name" for each vector that passed
  bool failures = false;  // each failure, its digits marked
};

class Report {
 public:
  // out takes the verdicts, err the notes on skipped vectors.
  Report(const std::vector<Source>& sources, Telling telling, Progress& progress, std::ostream& out, std::ostream& err);

  const std::vector<const Vector*>& vectors() const { return vectors_; }
  const Tally& tally() const { return tally_; }

  // The verdict of vectors()[index]; told once every vector before it has been.
  void arrived(std::size_t index, const Verdict& verdict);

 private:
  void tell(const Verdict& verdict);
  // The likely cause to print for a failure, and remember.
  std::string cause(const Verdict& verdict);

  const std::vector<Source>& sources_;
  Telling telling_;
  Progress& progress_;
  std::ostream &out_, &err_;
  std::vector<const Vector*> vectors_;
  std::vector<std::size_t> ends_;  // where each source's vectors end
  std::vector<std::optional<Verdict>> verdicts_;
  std::size_t told_ = 0, source_ = 0;
  std::uint64_t skippedhere_ = 0;
  Tally tally_;
  std::vector<std::string> named_;  // the likely causes told so far
};

// "N passed, M failed", and ", K skipped" and ", U not checked" where there are any; false when
// it cannot be written.
bool summarise(const Tally& tally, std::ostream& out);

}  // namespace sha1vectors
