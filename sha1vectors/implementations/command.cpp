// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/command.h"

#include <algorithm>
#include <string>
#include <vector>

#include "input/digestforms.h"

namespace sha1vectors {

std::optional<basicutilities::Sha1Digest> digestinoutput(std::string_view output) {
  for (std::size_t at = 0; at < output.size();) {
    const std::size_t end = std::min(output.find('\n', at), output.size());
    if (auto digest = input::digestinline(output.substr(at, end - at))) return digest;
    at = end + 1;
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
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "sha1vectors/implementations/pipes.h"


namespace sha1vectors {
namespace {

// What of a command's output is read: a message's worth of chatter and its digest line, and a
// call's at most; past that the output is drained and passed over.
constexpr std::size_t keptoutput = std::size_t{1} << 20;
constexpr std::size_t keptcalloutput = std::size_t{64} << 20;
constexpr std::size_t maxbatch = 4096;          // messages in one call
constexpr std::uint64_t maxfilemessage = std::uint64_t{64} << 20;  // longer ones stream in

std::string firstline(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (line.size() > 200) line = line.substr(0, 200) + "...";
  return line;
}

// The digest in a command's output, or why there is none.
Outcome outputdigest(const std::string& output) {
  if (auto digest = digestinoutput(output)) return {digest, {}};
  if (output.empty()) return {std::nullopt, "the command printed nothing"};
  // A digest people would read ("a9:99:3e:...", base64) is still no answer, but says whether
  // only the printing is wrong.
  const std::string line = output.substr(0, output.find('\n'));
  Outcome outcome{std::nullopt, "the command printed no digest: \"" + firstline(output) + "\""};
  outcome.misprinted = input::readdigest(std::u16string(line.begin(), line.end())).digest;
  return outcome;
}

// One call of the command: its pipes, its process, what it wrote.
class Run {
 public:
  enum class Finish { exited, late, stopped };

  Run(const std::atomic<bool>* stop, std::size_t keep, CallObserver* observer) : stop_(stop), keep_(keep), observer_(observer) {}
  ~Run() {
    if (child_ > 0) end(Finish::stopped, {});
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

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
    int flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#if defined(POSIX_SPAWN_CLOEXEC_DEFAULT)
    // Only the three ends above reach the command, whatever another thread opens meanwhile.
    flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
    ::posix_spawnattr_setflags(&attributes, static_cast<short>(flags));
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    if (observer_ != nullptr) observer_->callbegins();
    const int error = ::posix_spawnp(&child_, argv[0], &actions, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
      child_ = -1;
      if (observer_ != nullptr) observer_->callends();
      return "cannot start " + words[0] + ": " + std::strerror(error);
    }
    in_.closeread();
    out_.closewrite();
    err_.closewrite();
    ::fcntl(in_.write, F_SETFL, O_NONBLOCK);
    return std::nullopt;
  }

  // Feeds the message to the command and collects its output until the command has exited, the
  // deadline has come, or stop is set. The exited command is left unreaped, so that its process
  // group stays reserved until end ends it.
  Finish pump(const Message& message, std::chrono::steady_clock::time_point deadline) {
    deadline_ = deadline;
    looked_ = std::chrono::steady_clock::now();
    total_ = message.size();
    // A repeated piece is written from a buffer of whole pieces, which repeats with the piece.
    period_ = std::max<std::size_t>(1, message.piece.size());
    for (std::uint64_t i = 0; i < message.repeat && (i == 0 || periodic_.size() < 64 * 1024); ++i) periodic_ += message.piece;
    if (total_ == 0) in_.closewrite();
    while (out_.read >= 0 || err_.read >= 0) {
      if (auto cut = cutshort()) return *cut;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
      pollfd watched[3] = {{out_.read, POLLIN, 0}, {err_.read, POLLIN, 0}, {in_.write, POLLOUT, 0}};
      const int ready = ::poll(watched, 3, static_cast<int>(std::min<std::int64_t>(left.count(), 10)));
      if (ready < 0 && errno != EINTR) break;
      // Quiet pipes and an exited command: something it started holds them open.
      if (ready == 0 && exited()) return Finish::exited;
      if (watched[2].revents != 0) feed();
      if (watched[0].revents != 0) collect(out_, output_);
      if (watched[1].revents != 0) collect(err_, errors_);
    }
    // Both pipes closed: the command is exiting, or has closed them and goes on.
    for (auto pause = std::chrono::microseconds(50); !exited(); pause = std::min(pause * 2, std::chrono::microseconds(10'000))) {
      if (auto cut = cutshort()) return *cut;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline_ - std::chrono::steady_clock::now()));
    }
    return Finish::exited;
  }

  // Ends whatever of the command's process group is left (background jobs included) and reaps the
  // command. Returns the failure, when it did not exit with status 0 in time.
  std::optional<Outcome> end(Finish finish, std::chrono::milliseconds timeout) {
    ::kill(-child_, SIGKILL);
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    if (observer_ != nullptr) observer_->callends();
    if (finish == Finish::stopped) return Outcome::halted();
    if (finish == Finish::late) return Outcome{std::nullopt, "the command did not finish within " + seconds(timeout)};
    if (WIFSIGNALED(status)) return Outcome{std::nullopt, "the command was ended by signal " + std::to_string(WTERMSIG(status))};
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
      std::string reason = "the command exited with status " + std::to_string(WEXITSTATUS(status));
      if (!errors_.empty()) reason += ": " + firstline(errors_);
      return Outcome{std::nullopt, reason};
    }
    return std::nullopt;
  }

  const std::string& output() const { return output_; }

 private:
  // Why the call cannot go on, if it cannot: stopped from outside, or out of time. Looks come every
  // 10 ms at most; a far longer gap is time this process was stopped (Ctrl+Z, a suspended machine),
  // in which the command was not watched and may have had no input: not the command's time.
  std::optional<Finish> cutshort() {
    if (stop_ != nullptr && *stop_) return Finish::stopped;
    const auto now = std::chrono::steady_clock::now();
    if (now - looked_ > std::chrono::seconds(1)) deadline_ += now - looked_;
    looked_ = now;
    if (now >= deadline_) return Finish::late;
    return std::nullopt;
  }

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

  void collect(Pipe& pipe, std::string& text) const {
    if (pipe.read < 0) return;
    char buffer[64 * 1024];  // a pipe's worth: a call of many messages prints much
    const ssize_t n = ::read(pipe.read, buffer, sizeof buffer);
    if (n > 0) {
      if (text.size() < keep_) text.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      pipe.closeread();
    }
  }

  const std::atomic<bool>* stop_;
  std::size_t keep_;
  CallObserver* observer_;
  Pipe in_, out_, err_;
  pid_t child_ = -1;
  std::chrono::steady_clock::time_point deadline_, looked_;
  std::string periodic_;
  std::uint64_t period_ = 1, total_ = 0, written_ = 0;
  std::string output_, errors_;
};

// Writes message to the file name in the private folder; the reason when it cannot. A file left
// by an earlier call is rewritten: making and removing files by the thousand costs ext4 dearly
// (its inode allocator steps around inodes just freed).
std::optional<std::string> writemessage(const std::string& name, const Message& message) {
  // Written over and then cut to size, not emptied first: ext4 flushes a file emptied and written
  // again when it is closed.
  const int file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (file < 0) return "cannot make the temporary file " + name + ": " + std::strerror(errno);
  int error = 0;
  message.chunks([&](std::string_view bytes) {
    while (!bytes.empty() && error == 0) {
      const ssize_t n = ::write(file, bytes.data(), bytes.size());
      if (n >= 0) bytes.remove_prefix(static_cast<std::size_t>(n));
      if (n < 0 && errno != EINTR) error = errno;
    }
    return error == 0;
  });
  if (error == 0 && ::ftruncate(file, static_cast<off_t>(message.size())) != 0) error = errno;
  if (::close(file) != 0 && error == 0) error = errno;
  if (error != 0) return "cannot write the temporary file " + name + ": " + std::strerror(error);
  return std::nullopt;
}

// The digests in output, one a line, in order.
std::vector<basicutilities::Sha1Digest> digestlines(std::string_view output) {
  std::vector<basicutilities::Sha1Digest> digests;
  for (std::size_t at = 0; at < output.size();) {
    const std::size_t end = std::min(output.find('\n', at), output.size());
    if (auto digest = input::digestinline(output.substr(at, end - at))) digests.push_back(*digest);
    at = end + 1;
  }
  return digests;
}

// How many file names of length up to namebytes fit on a command line beside words and the
// environment, with the headroom POSIX asks for.
std::size_t namesthatfit(const std::vector<std::string>& words, std::size_t namebytes) {
  const long argmax = ::sysconf(_SC_ARG_MAX);
  std::size_t used = 2048;
  for (char** variable = environ; *variable != nullptr; ++variable) used += std::strlen(*variable) + 1 + sizeof(char*);
  for (const std::string& word : words) used += word.size() + 1 + sizeof(char*);
  const std::size_t room = argmax > 0 && static_cast<std::size_t>(argmax) > used ? static_cast<std::size_t>(argmax) - used : 0;
  return std::clamp<std::size_t>(room / (namebytes + 1 + sizeof(char*)), 1, maxbatch);
}

// Where the command has {} as a word of its own: after a blank or at the start, before a blank,
// the end or a shell operator.
std::vector<std::size_t> fileslots(std::string_view command) {
  std::vector<std::size_t> slots;
  for (std::size_t at = command.find("{}"); at != std::string_view::npos; at = command.find("{}", at + 2)) {
    const bool before = at == 0 || command[at - 1] == ' ';
    const bool after = at + 2 == command.size() || std::string_view(" ;|&)").find(command[at + 2]) != std::string_view::npos;
    if (before && after) slots.push_back(at);
  }
  return slots;
}

}  // namespace

Command::Command(std::string command, std::chrono::milliseconds timeout, const std::atomic<bool>* stop, CallObserver* observer)
    : command_(std::move(command)), timeout_(timeout), stop_(stop), observer_(observer) {
  // Words of letters, digits and _-./+:,@% need no shell, unless the first is one of the shell's
  // own: started directly, a call costs half.
  for (std::size_t at = command_.find_first_not_of(' '); at != std::string::npos; at = command_.find_first_not_of(' ', at)) {
    const std::size_t end = command_.find(' ', at);
    words_.push_back(command_.substr(at, end - at));
    at = end;
  }
  static const std::set<std::string, std::less<>> shellwords = {".", "alias", "builtin", "case", "cd", "command", "eval", "exec", "export",
                                                               "for", "if", "read", "readonly", "set", "source", "time", "trap",
                                                               "ulimit", "umask", "unset", "until", "wait", "while"};
  const std::vector<std::size_t> slots = fileslots(command_);
  takesfiles_ = !slots.empty();
  throughshell_ = words_.empty() || shellwords.count(words_.front()) > 0 ||
                  std::any_of(words_.begin(), words_.end(), [](const std::string& word) {
                    return word != "{}" && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./+:,@%") != std::string::npos;
                  });
  if (throughshell_) {
    // The names reach the shell as its positional parameters, each "{}" word standing for them all.
    std::string script = command_;
    for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) script.replace(*slot, 2, "\"$@\"");
    words_ = {"/bin/sh", "-c", script, "sh"};
  }
  if (takesfiles_) {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string pattern = std::string(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp") + "/sha1vectors-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) {
      folder_ = pattern;
      batchlimit_ = namesthatfit(words_, folder_.size() + 21);
    } else {
      folderproblem_ = "cannot make a temporary folder " + pattern + ": " + std::strerror(errno);
    }
  }
}

std::optional<std::string> Command::cannotrun() const {
  if (!folderproblem_.empty()) return folderproblem_;
  if (throughshell_) return std::nullopt;  // the shell finds the program, or says it cannot
  const std::string& program = words_.front();
  const auto runnable = [](const std::string& path) { return ::access(path.c_str(), X_OK) == 0 && !std::filesystem::is_directory(path); };
  if (program.find('/') != std::string::npos) {
    if (runnable(program)) return std::nullopt;
  } else {
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= folders.size();) {
      const std::size_t end = std::min(folders.find(':', at), folders.size());
      const std::string folder(folders.substr(at, end - at));
      if (runnable((folder.empty() ? "." : folder) + "/" + program)) return std::nullopt;
      at = end + 1;
    }
  }
  return "cannot start " + program + ": no such program" + (program.find('/') != std::string::npos ? "" : " in $PATH");
}

std::optional<std::string> Command::runproblem() const {
  const std::lock_guard lock(problemmutex_);
  if (runproblem_.empty()) return std::nullopt;
  return runproblem_;
}

Outcome Command::notmade(const std::string& problem) {
  const std::lock_guard lock(problemmutex_);
  if (runproblem_.empty()) runproblem_ = problem;
  return {std::nullopt, problem};
}

Command::~Command() {
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

Outcome Command::digest(const Message& message) {
  if (takesfiles_) return batch(std::span(&message, 1)).front();
  return piped(message, words_);
}

Outcome Command::piped(const Message& message, const std::vector<std::string>& words) {
  if (stopping()) return Outcome::halted();
  Run run(stop_, keptoutput, observer_);
  if (auto problem = run.spawn(words)) return notmade(*problem);
  const auto timeout = timeout_ + readingtime(message.size());
  const auto finish = run.pump(message, std::chrono::steady_clock::now() + timeout);
  if (auto failure = run.end(finish, timeout)) return *failure;
  return outputdigest(run.output());
}

std::vector<Outcome> Command::digests(std::span<const Message> messages) {
  return takesfiles_ ? batch(messages) : Implementation::digests(messages);
}

std::vector<std::string> Command::wordsfor(const std::vector<std::string>& names) const {
  std::vector<std::string> words;
  for (const std::string& word : words_) {
    if (word == "{}") {
      words.insert(words.end(), names.begin(), names.end());
    } else {
      words.push_back(word);
    }
  }
  if (throughshell_) words.insert(words.end(), names.begin(), names.end());
  return words;
}

std::vector<Outcome> Command::batch(std::span<const Message> messages) {
  const std::size_t count = messages.size();
  const auto all = [count](const Outcome& outcome) { return std::vector<Outcome>(count, outcome); };
  if (!folderproblem_.empty()) return all({std::nullopt, folderproblem_});
  if (stopping()) return all(Outcome::halted());

  // A long message is not copied to a file: it streams in, {} naming standard input.
  if (count == 1 && messages.front().size() > maxfilemessage) return {piped(messages.front(), wordsfor({"/dev/stdin"}))};

  // Names no other call is using; they go back for later calls whatever happens here.
  std::vector<std::string> names;
  {
    const std::lock_guard lock(namesmutex_);
    for (; names.size() < count && !freenames_.empty(); freenames_.pop_back()) names.push_back(std::move(freenames_.back()));
  }
  while (names.size() < count) names.push_back(folder_ + "/" + std::to_string(++files_));
  const std::unique_ptr<std::vector<std::string>, std::function<void(std::vector<std::string>*)>> giveback(&names, [this](auto* used) {
    const std::lock_guard lock(namesmutex_);
    freenames_.insert(freenames_.end(), used->begin(), used->end());
  });
  for (std::size_t i = 0; i < count; ++i) {
    if (auto problem = writemessage(names[i], messages[i])) return all(notmade(*problem));
  }
  Run run(stop_, std::min(count * keptoutput, keptcalloutput), observer_);
  if (auto problem = run.spawn(wordsfor(names))) return all(notmade(*problem));
  std::uint64_t bytes = 0;
  for (const Message& message : messages) bytes += message.size();
  const auto timeout = timeout_ + readingtime(bytes);
  const auto finish = run.pump(Message{}, std::chrono::steady_clock::now() + timeout);
  const std::optional<Outcome> failure = run.end(finish, timeout);
  if (count == 1) return {failure ? *failure : outputdigest(run.output())};
  std::vector<basicutilities::Sha1Digest> digests;
  if (!failure) digests = digestlines(run.output());
  if (digests.size() == count) {
    std::vector<Outcome> outcomes;
    for (const auto& digest : digests) outcomes.push_back({digest, {}});
    return outcomes;
  }
  // Failed or out of time as a whole: smaller calls are to find the message it went wrong for.
  if (finish == Run::Finish::stopped) return all(Outcome::halted());
  return {};
}

}  // namespace sha1vectors

#else

namespace sha1vectors {

Command::Command(std::string command, std::chrono::milliseconds timeout, const std::atomic<bool>* stop, CallObserver* observer)
    : command_(std::move(command)), timeout_(timeout), stop_(stop), observer_(observer) {}

Command::~Command() = default;

Outcome Command::digest(const Message&) {
  return {std::nullopt, "running a command is not supported on this platform yet"};
}

std::vector<Outcome> Command::digests(std::span<const Message> messages) { return Implementation::digests(messages); }

std::optional<std::string> Command::cannotrun() const { return "running a command is not supported on this platform yet"; }

std::optional<std::string> Command::runproblem() const { return std::nullopt; }

}  // namespace sha1vectors

#endif
