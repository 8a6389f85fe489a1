// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/orphans.h"

namespace sha1vectors {

void OrphanSweeper::callbegins() {
  const std::lock_guard lock(mutex_);
  ++running_;
}

void OrphanSweeper::callends() {
  const std::lock_guard lock(mutex_);
  if (--running_ == 0) adopter_.endstrays();
}

}  // namespace sha1vectors
