#include "sha1vectors/command.h"

#include <algorithm>
#include <string>

#include "utilities/basicutilities.h"

namespace sha1vectors {
namespace {

bool ishex(char c) { return basicutilities::hexdigitvalue(c) >= 0; }

// The end of the run of hexadecimal digits that starts at from.
std::size_t hexrunend(std::string_view text, std::size_t from) {
  while (from < text.size() && ishex(text[from])) ++from;
  return from;
}

// Five groups of eight from at, each after the first following one blank; "" when they are not.
std::string groupsofeight(std::string_view output, std::size_t at) {
  std::string grouped(output.substr(at, 8));
  at += 8;
  while (grouped.size() < 40 && at + 9 <= output.size() && output[at] == ' ' && hexrunend(output, at + 1) == at + 9) {
    grouped += output.substr(at + 1, 8);
    at += 9;
  }
  return grouped.size() == 40 ? grouped : std::string();
}

}  // namespace

std::optional<basicutilities::Sha1Digest> digestinoutput(std::string_view output) {
  for (std::size_t i = 0; i < output.size();) {
    if (!ishex(output[i])) {
      ++i;
      continue;
    }
    const std::size_t end = hexrunend(output, i);
    if (end - i == 40) return basicutilities::parsedigest(output.substr(i, 40));
    if (end - i == 8) {
      if (const std::string grouped = groupsofeight(output, i); !grouped.empty()) return basicutilities::parsedigest(grouped);
    }
    i = end;
  }
  return std::nullopt;
}

}  // namespace sha1vectors

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

extern char** environ;

#if defined(__linux__)
#include <dirent.h>
#include <sys/prctl.h>

#include <fstream>
#endif

namespace sha1vectors {
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

// Ends and reaps every process this one adopted as a subreaper: what a finished command left
// running outside its process group. Runs are one at a time, so every child left is such a one.
void endadopted() {
#if defined(__linux__)
  const std::string self = std::to_string(::getpid());
  for (bool found = true; found;) {
    found = false;
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr) return;
    while (const dirent* entry = ::readdir(processes)) {
      std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
      std::string line;
      if (!std::getline(stat, line)) continue;
      // pid (name) state ppid ...: the name may hold blanks and parentheses, so read after the last ')'.
      const auto close = line.rfind(')');
      if (close == std::string::npos) continue;
      char state = 0;
      long parent = 0;
      if (std::sscanf(line.c_str() + close + 1, " %c %ld", &state, &parent) != 2 || std::to_string(parent) != self) continue;
      const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      found = true;
    }
    ::closedir(processes);
  }
#endif
}

// One run of the command: its pipes, its process, what it wrote.
class Run {
 public:
  // Starts words[0] (looked up in PATH) with the other words as its arguments, in a process group
  // of its own and with default signal handling: an ignored SIGPIPE would be inherited through exec,
  // and a writer in the command whose reader has gone would never end. Returns the reason when it
  // cannot be started.
  std::optional<std::string> spawn(const std::vector<std::string>& words) {
    if (!in_.ok() || !out_.ok() || !err_.ok()) return std::string("cannot make a pipe: ") + std::strerror(errno);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, in_.read, STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, out_.write, STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, err_.write, STDERR_FILENO);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t none, pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &pipe);
    ::posix_spawnattr_setpgroup(&attributes, 0);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const int error = ::posix_spawnp(&child_, argv[0], &actions, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return "cannot start " + words[0] + ": " + std::strerror(error);
    in_.closeread();
    out_.closewrite();
    err_.closewrite();
    ::fcntl(in_.write, F_SETFL, O_NONBLOCK);
    return std::nullopt;
  }

  // Feeds bytes to the command and collects its output until the command has exited, or until
  // the deadline; false when the deadline came first. The exited command is left unreaped, so that
  // its process group stays reserved until outcome ends it.
  bool pump(const Message& message, std::chrono::steady_clock::time_point deadline) {
    total_ = message.size();
    // A repeated piece is written from a buffer of whole pieces, which repeats with the piece.
    period_ = std::max<std::size_t>(1, message.piece.size());
    for (std::uint64_t i = 0; i < message.repeat && (i == 0 || periodic_.size() < 64 * 1024); ++i) periodic_ += message.piece;
    if (total_ == 0) in_.closewrite();
    while (out_.read >= 0 || err_.read >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd watched[3] = {{out_.read, POLLIN, 0}, {err_.read, POLLIN, 0}, {in_.write, POLLOUT, 0}};
      const int ready = ::poll(watched, 3, static_cast<int>(std::min<std::int64_t>(left.count(), 10)));
      if (ready < 0 && errno != EINTR) break;
      // Quiet pipes and an exited command: something it started holds them open.
      if (ready == 0 && exited()) return true;
      if (watched[2].revents != 0) feed();
      if (watched[0].revents != 0) collect(out_, output_);
      if (watched[1].revents != 0) collect(err_, errors_);
    }
    // Both pipes closed: the command is exiting, or has closed them and goes on.
    for (auto pause = std::chrono::microseconds(50); !exited(); pause = std::min(pause * 2, std::chrono::microseconds(10'000))) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return false;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    }
    return true;
  }

  // Ends whatever of the command's process group is left (background jobs included), reaps the
  // command, and says what came of it.
  Outcome outcome(bool intime, std::chrono::milliseconds timeout) {
    ::kill(-child_, SIGKILL);
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    endadopted();
    if (!intime) return {std::nullopt, "the command did not finish within " + seconds(timeout)};
    if (WIFSIGNALED(status)) return {std::nullopt, "the command was ended by signal " + std::to_string(WTERMSIG(status))};
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
      std::string reason = "the command exited with status " + std::to_string(WEXITSTATUS(status));
      if (!errors_.empty()) reason += ": " + firstline(errors_);
      return {std::nullopt, reason};
    }
    if (auto digest = digestinoutput(output_)) return {digest, {}};
    return {std::nullopt, output_.empty() ? "the command printed nothing" : "the command printed no digest: \"" + firstline(output_) + "\""};
  }

 private:
  bool exited() const {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(child_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child_;
  }

  void feed() {
    if (in_.write < 0) return;
    const std::size_t offset = static_cast<std::size_t>(written_ % period_);
    const std::size_t now = static_cast<std::size_t>(std::min<std::uint64_t>(periodic_.size() - offset, total_ - written_));
    const ssize_t n = ::write(in_.write, periodic_.data() + offset, now);
    if (n > 0) written_ += static_cast<std::uint64_t>(n);
    // Everything sent, or the command stopped reading (EPIPE): either way its input ends here.
    if (written_ == total_ || (n < 0 && errno != EAGAIN && errno != EINTR)) in_.closewrite();
  }

  static void collect(Pipe& pipe, std::string& text) {
    if (pipe.read < 0) return;
    char buffer[4096];
    const ssize_t n = ::read(pipe.read, buffer, sizeof buffer);
    if (n > 0) {
      if (text.size() < keptoutput) text.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      pipe.closeread();
    }
  }

  Pipe in_, out_, err_;
  pid_t child_ = -1;
  std::string periodic_;
  std::uint64_t period_ = 1, total_ = 0, written_ = 0;
  std::string output_, errors_;
};

}  // namespace

Command::Command(std::string command, std::chrono::milliseconds timeout) : command_(std::move(command)), timeout_(timeout) {
  // Words of letters, digits and _-./+:,@% need no shell, unless the first is one of the shell's
  // own: started directly, a run costs half.
  for (std::size_t at = command_.find_first_not_of(' '); at != std::string::npos; at = command_.find_first_not_of(' ', at)) {
    const std::size_t end = command_.find(' ', at);
    words_.push_back(command_.substr(at, end - at));
    at = end;
  }
  static const std::set<std::string, std::less<>> shellwords = {".", "alias", "builtin", "case", "cd", "command", "eval", "exec", "export",
                                                               "for", "if", "read", "readonly", "set", "source", "time", "trap",
                                                               "ulimit", "umask", "unset", "until", "wait", "while"};
  throughshell_ = command_.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./+:,@% ") !=
                      std::string::npos ||
                  words_.empty() || shellwords.count(words_.front()) > 0;
  if (throughshell_) words_ = {"/bin/sh", "-c", command_};
#if defined(__linux__)
  // What a command starts in a session of its own (setsid) leaves its process group; as a
  // subreaper this process adopts it when its parent exits, and endadopted ends it.
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
}

Outcome Command::digest(const Message& message) {
  Run run;
  if (auto problem = run.spawn(words_)) return {std::nullopt, *problem};
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  const bool intime = run.pump(message, deadline);
  return run.outcome(intime, timeout_);
}

}  // namespace sha1vectors

#else

namespace sha1vectors {

Command::Command(std::string command, std::chrono::milliseconds timeout) : command_(std::move(command)), timeout_(timeout) {}

Outcome Command::digest(const Message&) {
  return {std::nullopt, "running a command is not supported on this platform yet"};
}

}  // namespace sha1vectors

#endif
