// SPDX-License-Identifier: MIT
// What commands leave running outside their process groups (a job started with setsid, say) is
// adopted by this process and ended once no call is running. A program's policy, not a library's:
// the program that runs commands makes one for the length of its run.
#pragma once

#include <mutex>

#include "sha1vectors/implementations/command.h"
#include "sha1vectors/process/process.h"

namespace sha1vectors {

// On Linux this process becomes a child subreaper while the object lives, so that a command's
// orphans become its children. When the last running call ends, every child outside this
// process's own process group is ended and reaped: a command always runs in a group of its own and
// has been reaped by then, so those are what commands left; children this process started in its
// own group are left alone. Elsewhere it does nothing.
class OrphanSweeper : public CallObserver {
 public:
  OrphanSweeper() = default;
  // Ends what is left (what a library's worker left, which makes no calls).
  ~OrphanSweeper() override { adopter_.endstrays(); }
  OrphanSweeper(const OrphanSweeper&) = delete;
  OrphanSweeper& operator=(const OrphanSweeper&) = delete;

  void callbegins() override;
  void callends() override;

 private:
  std::mutex mutex_;  // guards running_; a call that starts waits for a sweep to end
  int running_ = 0;
  process::Adopter adopter_;
};

}  // namespace sha1vectors
