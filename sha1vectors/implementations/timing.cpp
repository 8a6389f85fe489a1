// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/timing.h"

#include <algorithm>
#include <cstdio>

namespace sha1vectors {
namespace {

// Usage read on progress no more often than this; what waiting it misses at a start is at most this.
constexpr auto resample = std::chrono::milliseconds(100);
// A gap between looks longer than this is time this program was stopped.
constexpr auto stoppedgap = std::chrono::seconds(1);

}  // namespace

std::string seconds(std::chrono::milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
  return text;
}

Allowance::Allowance(const process::Child& child, std::chrono::milliseconds allowed) : child_(child), allowed_(allowed), sampled_(Clock::now()) {
  restart(allowed);  // a fresh child's usage, just taken as nothing, is not read
}

void Allowance::restart(std::chrono::milliseconds allowed) {
  allowed_ = allowed;
  start_ = looked_ = Clock::now();
  checkat_ = start_ + allowed_;
  stopped_ = {};
  if (start_ - sampled_ > resample) {
    base_ = child_.usage().value_or(base_);
    sampled_ = start_;
  }
}

bool Allowance::spent() {
  const auto now = Clock::now();
  if (now - looked_ > stoppedgap) {
    stopped_ += now - looked_;
    checkat_ += now - looked_;
  }
  looked_ = now;
  if (now < checkat_) return false;
  const auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(now - start_ - stopped_);
  std::chrono::nanoseconds charged = wall;
  if (const auto usage = child_.usage()) {
    const auto running = usage->running - base_.running, waiting = usage->waiting - base_.waiting;
    charged = std::max(running, wall - waiting);
  }
  if (charged >= allowed_) return true;
  // Not yet: again once the rest could be spent, and not before 10 ms.
  checkat_ = now + std::max<Clock::duration>(allowed_ - charged, std::chrono::milliseconds(10));
  return false;
}

std::chrono::milliseconds Allowance::wait() const {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(checkat_ - Clock::now());
  return std::clamp(left, std::chrono::milliseconds(0), std::chrono::milliseconds(10));
}

}  // namespace sha1vectors
