// Running another SHA-1 implementation as a command, one process per message.
#include <string>

#include "validator/checking.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace vectorsets {
namespace {

constexpr std::size_t keptoutput = 64 * 1024;  // more than any digest line needs

struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int ends[2];
    if (::pipe(ends) == 0) {
      read = ends[0];
      write = ends[1];
      ::fcntl(read, F_SETFD, FD_CLOEXEC);
      ::fcntl(write, F_SETFD, FD_CLOEXEC);
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

std::string seconds(std::chrono::milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(duration.count()) / 1000.0);
  return text;
}

std::string firstline(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (line.size() > 200) line = line.substr(0, 200) + "...";
  return line;
}

}  // namespace

Command::Command(std::string command, std::chrono::milliseconds timeout) : command_(std::move(command)), timeout_(timeout) {
  // A command that exits without reading its input must not end this program.
  ::signal(SIGPIPE, SIG_IGN);
}

Outcome Command::digest(std::string_view bytes, std::uint8_t, unsigned) {
  Pipe in, out, err;
  if (!in.ok() || !out.ok() || !err.ok()) return {std::nullopt, std::string("cannot make a pipe: ") + std::strerror(errno)};

  const pid_t child = ::fork();
  if (child < 0) return {std::nullopt, std::string("cannot start the command: ") + std::strerror(errno)};
  if (child == 0) {
    ::setpgid(0, 0);  // its own process group, so that a timeout ends the whole pipeline
    ::dup2(in.read, STDIN_FILENO);
    ::dup2(out.write, STDOUT_FILENO);
    ::dup2(err.write, STDERR_FILENO);
    ::execl("/bin/sh", "sh", "-c", command_.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::setpgid(child, child);
  in.closeread();
  out.closewrite();
  err.closewrite();
  ::fcntl(in.write, F_SETFL, O_NONBLOCK);

  std::string output, errors;
  std::size_t written = 0;
  if (bytes.empty()) in.closewrite();
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  bool timedout = false;
  while (out.read >= 0 || err.read >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedout = true;
      break;
    }
    pollfd watched[3] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}, {in.write, POLLOUT, 0}};
    if (::poll(watched, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    if (watched[2].revents != 0 && in.write >= 0) {
      const ssize_t n = ::write(in.write, bytes.data() + written, bytes.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      // Everything sent, or the command stopped reading (EPIPE): either way its input ends here.
      if (written == bytes.size() || (n < 0 && errno != EAGAIN && errno != EINTR)) in.closewrite();
    }
    for (auto [pipe, text, revents] : {std::tuple{&out, &output, watched[0].revents}, std::tuple{&err, &errors, watched[1].revents}}) {
      if (revents == 0 || pipe->read < 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(pipe->read, buffer, sizeof buffer);
      if (n > 0) {
        if (text->size() < keptoutput) text->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        pipe->closeread();
      }
    }
  }
  if (timedout) ::kill(-child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }

  if (timedout) return {std::nullopt, "the command did not finish within " + seconds(timeout_)};
  if (WIFSIGNALED(status)) return {std::nullopt, "the command was ended by signal " + std::to_string(WTERMSIG(status))};
  if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    std::string reason = "the command exited with status " + std::to_string(WEXITSTATUS(status));
    if (!errors.empty()) reason += ": " + firstline(errors);
    return {std::nullopt, reason};
  }
  if (auto digest = digestinoutput(output)) return {digest, {}};
  return {std::nullopt, output.empty() ? "the command printed nothing" : "the command printed no digest: \"" + firstline(output) + "\""};
}

}  // namespace vectorsets

#else

namespace vectorsets {

Command::Command(std::string command, std::chrono::milliseconds timeout) : command_(std::move(command)), timeout_(timeout) {}

Outcome Command::digest(std::string_view, std::uint8_t, unsigned) {
  return {std::nullopt, "running a command is not supported on this platform yet"};
}

}  // namespace vectorsets

#endif
