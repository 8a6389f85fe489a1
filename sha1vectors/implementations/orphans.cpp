// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/orphans.h"

#if defined(__linux__)
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#endif

namespace sha1vectors {

OrphanSweeper::OrphanSweeper() {
#if defined(__linux__)
  int before = 0;
  ::prctl(PR_GET_CHILD_SUBREAPER, &before);
  wassubreaper_ = before != 0;
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
}

OrphanSweeper::~OrphanSweeper() {
#if defined(__linux__)
  if (!wassubreaper_) ::prctl(PR_SET_CHILD_SUBREAPER, 0);
#endif
}

void OrphanSweeper::callbegins() {
  const std::lock_guard lock(mutex_);
  ++running_;
}

void OrphanSweeper::callends() {
  const std::lock_guard lock(mutex_);
  if (--running_ == 0) sweep();
}

void OrphanSweeper::sweep() {
#if defined(__linux__)
  // Ending an orphan can hand its own children to this process: sweep until none is found.
  const pid_t ours = ::getpgid(0);
  for (bool found = true; found;) {
    found = false;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
      std::ifstream children(task.path() / "children");
      for (pid_t pid; children >> pid;) {
        if (::getpgid(pid) == ours) continue;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        found = true;
      }
    }
  }
#endif
}

}  // namespace sha1vectors
