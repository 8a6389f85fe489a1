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

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "sha1vectors/implementations/timing.h"
#include "sha1vectors/process/process.h"

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

// One call of the command: its process, what it wrote.
class Run {
 public:
  enum class Finish { exited, late, stopped };
  static constexpr std::size_t in = 0, out = 1, err = 2;  // the child's slots

  Run(const std::atomic<bool>* stop, std::size_t keep, CallObserver* observer) : stop_(stop), keep_(keep), observer_(observer) {}
  ~Run() {
    if (child_.running()) end(Finish::stopped, {});
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // Starts words[0] (looked up in PATH) with the other words as its arguments, in a process group
  // of its own. Returns the reason when it cannot be started.
  std::optional<std::string> spawn(const std::vector<std::string>& words) {
    using Flow = process::Slot::Flow;
    if (observer_ != nullptr) observer_->callbegins();
    auto problem = child_.start({words, true, true, {{0, Flow::tochild}, {1, Flow::fromchild}, {2, Flow::fromchild}}});
    if (problem && observer_ != nullptr) observer_->callends();
    return problem;
  }

  // Feeds the message to the command and collects its output until the command has exited, has
  // spent its allowance (timing.h), or stop is set. The exited command is left unreaped, so that its process
  // group stays reserved until end ends it.
  Finish pump(const Message& message, std::chrono::milliseconds allowed) {
    Allowance allowance(child_, allowed);
    const Tiled input(message.piece, message.repeat, std::uint64_t{64} << 10);
    if (input.size() == 0) child_.close(in);
    while (child_.open(out) || child_.open(err)) {
      if (auto cut = cutshort(allowance)) return *cut;
      const std::vector<bool> ready = child_.wait(allowance.wait(), {in, out, err});
      // Quiet pipes and an exited command: something it started holds them open. What it wrote
      // before it exited is read all the same.
      if (std::find(ready.begin(), ready.end(), true) == ready.end() && child_.exited()) {
        while (collect(out, output_) + collect(err, errors_) > 0) {
        }
        return Finish::exited;
      }
      if (ready[in]) feed(input);
      if (ready[out]) collect(out, output_);
      if (ready[err]) collect(err, errors_);
    }
    // Both pipes closed: the command is exiting, or has closed them and goes on.
    for (auto pause = std::chrono::microseconds(50); !child_.exited(); pause = std::min(pause * 2, std::chrono::microseconds(10'000))) {
      if (auto cut = cutshort(allowance)) return *cut;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, allowance.wait()));
    }
    return Finish::exited;
  }

  // Ends whatever of the command's process group is left (background jobs included) and reaps the
  // command. Returns the failure, when it did not exit with status 0 in time.
  std::optional<Outcome> end(Finish finish, std::chrono::milliseconds timeout) {
    const process::Ending ending = child_.end();
    if (observer_ != nullptr) observer_->callends();
    if (finish == Finish::stopped) return Outcome::halted();
    if (finish == Finish::late) return Outcome{std::nullopt, "the command did not finish within " + seconds(timeout)};
    if (ending.kind == process::Ending::Kind::signalled) return Outcome{std::nullopt, "the command was ended by " + process::signalname(ending.code)};
    if (ending.kind == process::Ending::Kind::exited && ending.code != 0) {
      std::string reason = "the command exited with status " + std::to_string(ending.code);
      if (!errors_.empty()) reason += ": " + firstline(errors_);
      return Outcome{std::nullopt, reason};
    }
    return std::nullopt;
  }

  const std::string& output() const { return output_; }

 private:
  // Why the call cannot go on, if it cannot: stopped from outside, or out of its own time.
  std::optional<Finish> cutshort(Allowance& allowance) const {
    if (stop_ != nullptr && *stop_) return Finish::stopped;
    if (allowance.spent()) return Finish::late;
    return std::nullopt;
  }

  void feed(const Tiled& input) {
    if (!child_.open(in)) return;
    const std::string_view bytes = input.from(written_, input.size() - written_);
    const std::ptrdiff_t n = child_.write(in, bytes.data(), bytes.size());
    if (n > 0) written_ += static_cast<std::uint64_t>(n);
    // Everything sent, or the command stopped reading: either way its input ends here.
    if (written_ == input.size()) child_.close(in);
  }

  // Reads what slot has now into text (as far as keep_); how much.
  std::size_t collect(std::size_t slot, std::string& text) {
    if (!child_.open(slot)) return 0;
    char buffer[64 * 1024];  // a pipe's worth: a call of many messages prints much
    const std::ptrdiff_t n = child_.read(slot, buffer, sizeof buffer);
    if (n <= 0) return 0;
    if (text.size() < keep_) text.append(buffer, static_cast<std::size_t>(n));
    return static_cast<std::size_t>(n);
  }

  const std::atomic<bool>* stop_;
  std::size_t keep_;
  CallObserver* observer_;
  process::Child child_;
  std::uint64_t written_ = 0;
  std::string output_, errors_;
};

// Writes message to the file name in the private folder; the reason when it cannot. A file left
// by an earlier call is rewritten: making and removing files by the thousand costs ext4 dearly
// (its inode allocator steps around inodes just freed).
std::optional<std::string> writemessage(const std::string& name, const Message& message) {
  return process::writefile(name, message.size(), [&](const auto& fn) { return message.chunks(fn); });
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
#if defined(_WIN32)
                    constexpr const char* plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./+:,@%\\";  // and C:\paths
#else
                    constexpr const char* plain = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-./+:,@%";
#endif
                    return word != "{}" && word.find_first_not_of(plain) != std::string::npos;
                  });
  if (throughshell_) {
    // The names reach the shell as its positional parameters, each "{}" word standing for them all.
    std::string script = command_;
    for (auto slot = slots.rbegin(); slot != slots.rend(); ++slot) script.replace(*slot, 2, "\"$@\"");
    words_ = {"/bin/sh", "-c", script, "sh"};
  }
  if (takesfiles_) {
    if (auto folder = process::privatefolder("sha1vectors", folderproblem_)) {
      folder_ = *folder;
      batchlimit_ = std::clamp<std::size_t>(process::argumentsthatfit(words_, folder_.size() + 21), 1, maxbatch);
    }
  }
}

std::optional<std::string> Command::cannotrun() const {
  if (!folderproblem_.empty()) return folderproblem_;
#if defined(_WIN32)
  // cmd.exe's quoting is no shell's: rather than guess at it, plain words only.
  if (throughshell_) return "the command has shell syntax, which needs a POSIX shell: on Windows, give the program and its arguments as plain words";
#endif
  if (throughshell_) return std::nullopt;  // the shell finds the program, or says it cannot
  const std::string& program = words_.front();
  if (process::findprogram(program)) return std::nullopt;
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
  if (!folder_.empty()) std::filesystem::remove_all(process::filepath(folder_), ignored);
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
  const auto finish = run.pump(message, timeout);
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
  const auto finish = run.pump(Message{}, timeout);
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

