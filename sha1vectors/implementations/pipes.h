// SPDX-License-Identifier: MIT
// What the implementations that run in processes of their own share: pipes closed on exec, and
// how a time is said. POSIX only.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

extern char** environ;

namespace sha1vectors {

// What a call is given beside its timeout to read bytes: a second per 50 MiB, a slow rate, so that
// a long message is never cut short by its length alone.
inline constexpr std::uint64_t bytespersecond = std::uint64_t{50} << 20;
inline std::chrono::milliseconds readingtime(std::uint64_t bytes) { return std::chrono::milliseconds(bytes / (bytespersecond / 1000)); }

struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int ends[2];
    // Closed on exec from the start: another thread may start a command at any moment.
#if defined(__linux__)
    const bool made = ::pipe2(ends, O_CLOEXEC) == 0;
#else
    static std::mutex creating;
    const std::lock_guard lock(creating);
    const bool made = ::pipe(ends) == 0 && ::fcntl(ends[0], F_SETFD, FD_CLOEXEC) == 0 && ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0;
#endif
    if (made) {
      read = ends[0];
      write = ends[1];
    }
  }
  ~Pipe() {
    closeread();
    closewrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool ok() const { return read >= 0 && write >= 0; }
  void closeread() {
    if (read >= 0) ::close(read);
    read = -1;
  }
  void closewrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
};

inline std::string seconds(std::chrono::milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
  return text;
}

}  // namespace sha1vectors
