// SPDX-License-Identifier: MIT
// How the implementations that run in processes of their own count and tell time.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "sha1vectors/process/process.h"

namespace sha1vectors {

// What a call is given beside its timeout to read bytes: a second per 50 MiB, a slow rate, so that
// a long message is never cut short by its length alone.
inline constexpr std::uint64_t bytespersecond = std::uint64_t{50} << 20;
inline std::chrono::milliseconds readingtime(std::uint64_t bytes) { return std::chrono::milliseconds(bytes / (bytespersecond / 1000)); }

std::string seconds(std::chrono::milliseconds duration);

// The time an implementation's process is charged with against what it is allowed, since it began
// or last showed progress: the wall time, less what it spent waiting, runnable, for a processor that
// others held, and less what this program spent stopped (Ctrl+Z, a suspended machine); never less
// than its own time on a processor. So a busy machine does not fail a correct implementation, and one
// that sleeps, blocks or spins is still ended within about its allowance. The child's usage is read
// only when the wall clock says the allowance could be spent, and when progress is shown at most
// every tenth of a second.
class Allowance {
 public:
  using Clock = std::chrono::steady_clock;

  // For a child just started, which has used nothing yet.
  Allowance(const process::Child& child, std::chrono::milliseconds allowed);
  // Begins again, from now, with allowed: the implementation showed progress.
  void restart(std::chrono::milliseconds allowed);
  // Whether the allowance is spent. Call it at least every few milliseconds while waiting: a far
  // longer gap between calls is time this program was stopped.
  bool spent();
  // How long to wait before asking again, at most.
  std::chrono::milliseconds wait() const;

 private:
  const process::Child& child_;
  std::chrono::milliseconds allowed_;
  Clock::time_point start_, checkat_, looked_;
  Clock::duration stopped_{};  // this program stopped, since start_
  // The child's usage when it was last read, and then; the start's is the one read last before it.
  process::Child::Usage base_;
  Clock::time_point sampled_;
};

}  // namespace sha1vectors
