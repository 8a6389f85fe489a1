// SPDX-License-Identifier: MIT
// A window's runs that yield to the event pump (a display, a request): a newer selection, mode
// switch or edit begins a newer run or supersedes them all, and an older run stops at its next
// yield and writes nothing more. Nesting stays; inconsistent end states do not.
#pragma once

#include <QElapsedTimer>
#include <cstdint>

namespace forms {

class Runs {
 public:
  using Run = std::uint64_t;

  // A new current run; every older one is stale.
  Run begin();
  // Every run stale; nothing is running afterwards.
  void supersede() { ++latest_; }
  bool current(Run run) const { return run == latest_; }
  // Handles pending events; true while run is still current.
  bool yield(Run run);
  // For a long run's loop: a turn for the pump once every few milliseconds since the last
  // (sinceyield), with before called first; false once run is superseded.
  template <class Before>
  bool pace(Run run, QElapsedTimer& sinceyield, Before&& before) {
    if (sinceyield.isValid() && sinceyield.elapsed() < yieldintervalms) return true;
    sinceyield.start();
    before();
    return yield(run);
  }
  // Milliseconds since the current run began.
  qint64 elapsed() const { return clock_.elapsed(); }

  // A yielding run hands the pump a turn at least this often.
  static constexpr qint64 yieldintervalms = 15;

 private:
  Run latest_ = 0;
  QElapsedTimer clock_;
};

}  // namespace forms
