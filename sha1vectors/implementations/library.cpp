// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/library.h"

#include <algorithm>
#include <array>
#include <random>

#include "sha1vectors/implementations/libraryprotocol.h"
#include "sha1vectors/readers/chains.h"

namespace sha1vectors {
namespace {

constexpr std::uint64_t longmessage = std::uint64_t{1} << 20;      // past this, few ways
constexpr std::uint64_t oneshotlimit = std::uint64_t{64} << 20;    // a one-shot call needs it whole
constexpr std::uint64_t bytebybyte = 256;                          // given a byte at a time up to this
constexpr std::size_t describedsizes = 16;                         // sizes listed in a way's name

std::string quoted(std::string_view text) { return std::string(1, '"').append(text).append(1, '"'); }

}  // namespace

std::optional<Abi> abinamed(std::string_view name) {
  for (const Abi abi : {Abi::openssl, Abi::nettle, Abi::own}) {
    if (name == abiname(abi)) return abi;
  }
  return std::nullopt;
}

std::string abiname(Abi abi) {
  switch (abi) {
    case Abi::openssl: return "openssl";
    case Abi::nettle: return "nettle";
    case Abi::own: return "sha1abi";
  }
  return {};
}

Symbols abisymbols(Abi abi) {
  switch (abi) {
    case Abi::openssl:
      return {{Role::oneshot, "SHA1"}, {Role::begin, "SHA1_Init"}, {Role::update, "SHA1_Update"}, {Role::end, "SHA1_Final"}};
    case Abi::nettle:
      return {{Role::begin, "nettle_sha1_init"}, {Role::update, "nettle_sha1_update"}, {Role::end, "nettle_sha1_digest"}};
    case Abi::own:
      return {{Role::oneshot, "sha1abi_oneshot"}, {Role::begin, "sha1abi_begin"},       {Role::update, "sha1abi_update"},
              {Role::end, "sha1abi_end"},         {Role::endbits, "sha1abi_end_bits"}, {Role::contextsize, "sha1abi_context_size"}};
  }
  return {};
}

std::optional<std::string> renamesymbols(std::string_view renames, Symbols& symbols) {
  while (!renames.empty()) {
    const std::string_view pair = renames.substr(0, renames.find(','));
    renames.remove_prefix(std::min(renames.size(), pair.size() + 1));
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == pair.size()) return quoted(pair) + " is not NAME=OTHER";
    const auto role = std::find_if(symbols.begin(), symbols.end(), [&](const auto& entry) { return entry.second == pair.substr(0, equals); });
    if (role == symbols.end()) return quoted(pair.substr(0, equals)) + " is no function of the interface";
    role->second = std::string(pair.substr(equals + 1));
  }
  return std::nullopt;
}

std::vector<std::uint64_t> Way::updates(std::uint64_t length) const {
  std::vector<std::uint64_t> given;
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < sizes.size() || sum < length; ++i) {
    given.push_back(std::min(sizes[i % sizes.size()], length - sum));
    sum += given.back();
  }
  return given;
}

std::string Way::describe(std::uint64_t length, const Symbols& symbols) const {
  if (oneshot) return "one call of " + symbols.at(Role::oneshot) + "()";
  const std::vector<std::uint64_t> all = updates(length);
  if (all.size() == 1) return "one update";
  std::string text = "updates of ";
  for (std::size_t i = 0; i < std::min(all.size(), describedsizes); ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(all[i]);
  }
  if (all.size() > describedsizes) text += ", ... (" + std::to_string(all.size()) + " updates)";
  return text + " bytes";
}

std::vector<Way> waysfor(std::uint64_t length, bool oneshot, std::uint64_t seed) {
  std::vector<Way> ways;
  if (oneshot && length <= oneshotlimit) ways.push_back({true, {}});
  if (length > longmessage) {
    // Updates that end a block short of full, so that each one meets a half-full buffer.
    ways.push_back({false, {longmessage + 63}});
    return ways;
  }
  ways.push_back({false, {length}});
  if (length > 1 && length <= bytebybyte) ways.push_back({false, {1}});
  if (length > 1) ways.push_back({false, {1, length}});  // one byte, then the rest: a full block from a half-full buffer
  for (const std::uint64_t size : std::array<std::uint64_t, 5>{55, 56, 63, 64, 65}) {
    if (length > size) ways.push_back({false, {size}});
  }
  // Empty updates first, between updates of 64 and last, written out.
  if (length > 0) {
    Way empty{false, {0}};
    for (std::uint64_t given = 0; given < length; given += 64) empty.sizes.insert(empty.sizes.end(), {std::min<std::uint64_t>(64, length - given), 0});
    ways.push_back(std::move(empty));
  }
  // Random splits: sizes around the block's edges, and empty updates among them.
  std::mt19937_64 random(seed ^ (length * 0x9E3779B97F4A7C15ULL));
  for (int n = 0; n < 2 && length > 1; ++n) {
    std::vector<std::uint64_t> sizes;
    for (std::uint64_t given = 0; given < length;) {
      const std::uint64_t pick = random() % 8;
      const std::uint64_t size = pick == 0 ? 0 : pick < 4 ? 55 + random() % 11 : 1 + random() % 130;
      sizes.push_back(std::min(size, length - given));
      given += sizes.back();
    }
    ways.push_back({false, std::move(sizes)});
  }
  return ways;
}

}  // namespace sha1vectors

#if defined(__unix__)
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>

#include "sha1vectors/implementations/pipes.h"

namespace sha1vectors {

// A process that has loaded the library, and its two pipes.
class Library::Worker {
 public:
  enum class Read { done, ended, late, stopped };

  ~Worker() {
    if (pid_ <= 0) return;  // never started, or reaped
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts a worker for settings and learns what it found in the library; nothing, with the reason
  // in problem, when it cannot start or load the library.
  static std::unique_ptr<Worker> start(const LibrarySettings& settings, std::string& problem, protocol::Found& found) {
    auto worker = std::unique_ptr<Worker>(new Worker);
    if (!worker->requests_.ok() || !worker->answers_.ok()) {
      problem = std::string("cannot make a pipe: ") + std::strerror(errno);
      return nullptr;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, worker->requests_.read, protocol::requestfd);
    ::posix_spawn_file_actions_adddup2(&actions, worker->answers_.write, protocol::answerfd);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string abi = settings.abi ? abiname(*settings.abi) : "auto";
    std::vector<std::string> words{settings.worker, "--library-worker", settings.path, abi, settings.renames};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const int error = ::posix_spawn(&worker->pid_, settings.worker.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
      worker->pid_ = -1;
      problem = "cannot start the worker " + settings.worker + ": " + std::strerror(error);
      return nullptr;
    }
    worker->requests_.closeread();
    worker->answers_.closewrite();
    if (auto why = worker->hello(settings, found)) {
      problem = *why;
      return nullptr;
    }
    return worker;
  }

  bool send(const std::string& request) {
    for (std::size_t at = 0; at < request.size();) {
      const ssize_t n = ::write(requests_.write, request.data() + at, request.size() - at);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      at += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Reads size bytes by the deadline, looking at stop every 10 ms. Answers come many to a write,
  // so what arrives is read in bulk and kept.
  Read receive(void* data, std::size_t size, std::chrono::steady_clock::time_point deadline, const std::atomic<bool>* stop) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
      if (start_ < end_) {
        const std::size_t now = std::min(size, end_ - start_);
        std::memcpy(at, buffer_.data() + start_, now);
        start_ += now;
        at += now;
        size -= now;
        continue;
      }
      if (stop != nullptr && *stop) return Read::stopped;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return Read::late;
      pollfd watched{answers_.read, POLLIN, 0};
      if (::poll(&watched, 1, static_cast<int>(std::min<std::int64_t>(left, 10))) <= 0) continue;
      const ssize_t n = ::read(answers_.read, buffer_.data(), buffer_.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Read::ended;
      start_ = 0;
      end_ = static_cast<std::size_t>(n);
    }
    return Read::done;
  }

  // How the worker ended, once it has: by a signal, or an exit.
  std::string ending() {
    int status = 0;
    pid_t reaped = 0;
    while ((reaped = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    if (reaped != pid_) return "the worker vanished";
    pid_ = -1;
    if (WIFSIGNALED(status)) return "the library crashed: " + signalname(WTERMSIG(status));
    return "the worker ended with status " + std::to_string(WEXITSTATUS(status));
  }

  // Reads the worker's first words: what it found, or why it found nothing.
  std::optional<std::string> hello(const LibrarySettings& settings, protocol::Found& found) {
    std::uint8_t status = 0;
    std::uint32_t length = 0;
    const auto deadline = std::chrono::steady_clock::now() + settings.timeout;
    Read read = receive(&status, 1, deadline, settings.stop);
    if (read == Read::done) read = receive(&length, sizeof length, deadline, settings.stop);
    if (read == Read::late) return "loading it did not finish within " + seconds(settings.timeout);
    if (read == Read::stopped) return "stopped while loading it";
    if (read == Read::ended) return ending() + " while loading it";
    if (status == protocol::loaded && length == sizeof found && receive(&found, sizeof found, deadline, settings.stop) == Read::done) return std::nullopt;
    std::string text(std::min<std::size_t>(length, 4096), '\0');
    if (status == protocol::loaded || receive(text.data(), text.size(), deadline, settings.stop) != Read::done) return "the worker did not say what it found";
    return text;
  }

  static std::string signalname(int signal) {
    const char* abbreviation = ::sigabbrev_np(signal);
    const char* description = ::sigdescr_np(signal);
    return "signal " + std::to_string(signal) + (abbreviation != nullptr ? std::string(" (SIG") + abbreviation + ", " + description + ")" : "");
  }

 private:
  Worker() = default;
  Pipe requests_, answers_;
  pid_t pid_ = -1;
  std::array<char, 1 << 16> buffer_{};
  std::size_t start_ = 0, end_ = 0;
};

Library::Library(LibrarySettings settings) : settings_(std::move(settings)) {}
Library::~Library() = default;

std::optional<std::string> Library::cannotrun() {
  std::string problem;
  protocol::Found found{};
  auto worker = Worker::start(settings_, problem, found);
  if (!worker) return settings_.path + ": " + problem;
  abi_ = static_cast<Abi>(found.abi);
  oneshot_ = (found.flags & protocol::hasoneshot) != 0;
  takesbits_ = (found.flags & protocol::hasbits) != 0;
  contextsize_ = found.contextsize;
  symbols_ = abisymbols(abi_);
  renamesymbols(settings_.renames, symbols_);
  idle_.push_back(std::move(worker));
  return std::nullopt;
}

std::string Library::interface() const {
  std::string text = (abi_ == Abi::openssl ? "OpenSSL's" : abi_ == Abi::nettle ? "Nettle's" : "sha1abi.h's") + std::string(" interface:");
  for (const Role role : {Role::oneshot, Role::begin, Role::update, Role::end, Role::endbits}) {
    const auto name = symbols_.find(role);
    if (name == symbols_.end() || (role == Role::oneshot && !oneshot_) || (role == Role::endbits && !takesbits_)) continue;
    text += text.back() == ':' ? " " : ", ";
    text += name->second;
  }
  return text;
}

namespace {

// Puts message and the ways it is to be given into a request. A repeated message goes as its
// piece, which the worker repeats, unless it is short enough to be given in one call.
void ask(std::string& request, const Message& message, const std::vector<Way>& ways) {
  const bool held = message.repeat == 1 || message.size() <= oneshotlimit;
  std::string whole;
  if (held && message.repeat > 1) message.chunks([&](std::string_view bytes) { return whole.append(bytes), true; });
  const std::string_view piece = held && message.repeat > 1 ? std::string_view(whole) : message.piece;
  protocol::put(request, static_cast<std::uint64_t>(piece.size()));
  request += piece;
  protocol::put(request, static_cast<std::uint64_t>(held ? 1 : message.repeat));
  protocol::put(request, message.partial);
  protocol::put(request, static_cast<std::uint8_t>(message.partialbits));
  protocol::put(request, static_cast<std::uint32_t>(ways.size()));
  for (const Way& way : ways) {
    protocol::put(request, static_cast<std::uint8_t>(way.oneshot));
    protocol::put(request, static_cast<std::uint32_t>(way.sizes.size()));
    request.append(reinterpret_cast<const char*>(way.sizes.data()), way.sizes.size() * sizeof(std::uint64_t));
  }
}

// The digest the ways give: theirs when they agree, right or wrong; else the first wrong one,
// with the way named.
Outcome agreed(const std::vector<basicutilities::Sha1Digest>& digests, const std::vector<Way>& ways, const Message& message,
               const std::atomic<bool>* stop, const Symbols& symbols) {
  if (std::all_of(digests.begin(), digests.end(), [&](const auto& digest) { return digest == digests.front(); })) return {digests.front()};
  // Only now is SHA-1's own digest needed, to tell which of them is wrong.
  const Outcome right = Engine(stop).digest(message);
  if (!right.digest) return right;
  const auto wrong = std::find_if(digests.begin(), digests.end(), [&](const auto& digest) { return digest != *right.digest; });
  Outcome outcome{*wrong};
  outcome.how = ways[static_cast<std::size_t>(wrong - digests.begin())].describe(message.size(), symbols);
  return outcome;
}

}  // namespace

std::optional<Outcome> Library::hear(Worker& worker, std::uint64_t length, const std::string& how, basicutilities::Sha1Digest& digest,
                                     std::uint64_t* step) {
  const auto allowed = settings_.timeout + readingtime(length);
  std::uint8_t kind = 0;
  protocol::Crash crash{};
  protocol::Answer answer{};
  Worker::Read read = Worker::Read::done;
  // A chain's worker says now and then that it is alive: a hang is a pause in that.
  for (auto deadline = std::chrono::steady_clock::now() + allowed; read == Worker::Read::done; deadline = std::chrono::steady_clock::now() + allowed) {
    read = worker.receive(&kind, 1, deadline, settings_.stop);
    if (read != Worker::Read::done || kind == protocol::alive) continue;
    read = kind == protocol::crashed ? worker.receive(&crash, sizeof crash, deadline, settings_.stop) : worker.receive(&answer, sizeof answer, deadline, settings_.stop);
    if (read == Worker::Read::done && step != nullptr) read = kind == protocol::crashed ? (*step = crash.step, read) : worker.receive(step, sizeof *step, deadline, settings_.stop);
    break;
  }
  if (read == Worker::Read::stopped) return Outcome::halted();
  if (read == Worker::Read::late) return Outcome{std::nullopt, "the library did not finish within " + seconds(allowed) + how};
  if (read == Worker::Read::ended) return Outcome{std::nullopt, worker.ending() + how};
  if (kind == protocol::crashed) return Outcome{std::nullopt, "the library crashed: " + Worker::signalname(static_cast<int>(crash.signal)) + how};
  const auto outside = [&](std::uint32_t count, const char* where, const std::string& buffer) {
    return Outcome{std::nullopt, "the library wrote " + std::to_string(count) + (count == 1 ? " byte " : " bytes ") + where + " the " + buffer + how};
  };
  const std::string context = "context (" + std::to_string(contextsize_) + " bytes, as the interface has it)";
  if (answer.digestafter > 0) return outside(answer.digestafter, "past", "20-byte digest");
  if (answer.digestbefore > 0) return outside(answer.digestbefore, "before", "20-byte digest");
  if (answer.contextafter > 0) return outside(answer.contextafter, "past", context);
  if (answer.contextbefore > 0) return outside(answer.contextbefore, "before", context);
  std::memcpy(digest.data(), answer.digest, 20);
  return std::nullopt;
}

Outcome Library::digest(const Message& message) { return digests({&message, 1}).front(); }

std::vector<Outcome> Library::digests(std::span<const Message> messages) {
  std::vector<Outcome> outcomes;
  std::string problem;
  std::unique_ptr<Worker> worker = takeworker(problem);
  if (!worker) return std::vector<Outcome>(messages.size(), Outcome{std::nullopt, problem});
  std::vector<std::vector<Way>> ways;
  std::string request;
  protocol::put(request, protocol::messages);
  protocol::put(request, static_cast<std::uint32_t>(messages.size()));
  for (const Message& message : messages) {
    ways.push_back(waysfor(message.size(), oneshot_ && message.partialbits == 0, settings_.seed));
    // A chain's later hashes are like its first, which is given every way: one call will do.
    if (message.chained) ways.back().resize(1);
    ask(request, message, ways.back());
  }
  if (!worker->send(request)) return std::vector<Outcome>(messages.size(), Outcome{std::nullopt, worker->ending()});
  for (std::size_t m = 0; m < messages.size(); ++m) {
    std::vector<basicutilities::Sha1Digest> given(ways[m].size());
    for (std::size_t w = 0; w < ways[m].size(); ++w) {
      if (auto failure = hear(*worker, messages[m].size(), " (" + ways[m][w].describe(messages[m].size(), symbols_) + ")", given[w])) {
        // The worker is done for; the messages after this one go to a fresh one.
        outcomes.push_back(*failure);
        worker.reset();
        for (Outcome& rest : digests(messages.subspan(m + 1))) outcomes.push_back(std::move(rest));
        return outcomes;
      }
    }
    outcomes.push_back(agreed(given, ways[m], messages[m], settings_.stop, symbols_));
  }
  giveback(std::move(worker));
  return outcomes;
}

std::unique_ptr<Library::Worker> Library::takeworker(std::string& problem) {
  {
    const std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      auto worker = std::move(idle_.back());
      idle_.pop_back();
      return worker;
    }
  }
  protocol::Found found{};
  auto worker = Worker::start(settings_, problem, found);
  if (!worker) problem = "a fresh worker could not load the library: " + problem;
  return worker;
}

void Library::giveback(std::unique_ptr<Worker> worker) {
  const std::lock_guard lock(mutex_);
  idle_.push_back(std::move(worker));
}

std::optional<ChainOutcome> Library::chain(const Vector& vector) {
  // A seed too long to send whole is asked for hash by hash.
  const Message seed = chains::firstmessage(vector);
  if (seed.size() > oneshotlimit) return std::nullopt;
  std::string whole;
  seed.chunks([&](std::string_view bytes) { return whole.append(bytes), true; });
  // The first hash is given every way, as any message; the rest one way, in the worker.
  std::string first;
  std::uint8_t partial = 0;
  unsigned partialbits = 0;
  chains::walk(vector, [&](const Message& message, std::uint64_t) {
    first = std::string(message.piece);
    partial = message.partial;
    partialbits = message.partialbits;
    return std::optional<basicutilities::Sha1Digest>();
  });
  const Outcome opening = digest({first, 1, partial, partialbits});
  if (!opening.digest || !opening.how.empty()) return ChainOutcome{opening, 0};

  std::string problem;
  std::unique_ptr<Worker> worker = takeworker(problem);
  if (!worker) return ChainOutcome{{std::nullopt, problem}, 0};
  std::string request;
  protocol::put(request, protocol::chain);
  protocol::put(request, static_cast<std::uint8_t>(vector.kind));
  protocol::put(request, static_cast<std::uint64_t>(whole.size()));
  request += whole;
  protocol::put(request, std::uint64_t{1});
  protocol::put(request, vector.partial);
  protocol::put(request, static_cast<std::uint8_t>(vector.partialbits));
  protocol::put(request, vector.iterations);
  protocol::put(request, static_cast<std::uint8_t>(vector.chainbits.has_value()));
  protocol::put(request, vector.chainbits.value_or(0));
  protocol::put(request, static_cast<std::uint8_t>(oneshot_));
  if (!worker->send(request)) return ChainOutcome{{std::nullopt, worker->ending()}, 0};
  ChainOutcome outcome;
  basicutilities::Sha1Digest last{};
  const std::string how = oneshot_ ? " (one call of " + symbols_.at(Role::oneshot) + "())" : " (one update)";
  if (auto failure = hear(*worker, first.size(), how, last, &outcome.step)) {
    outcome.outcome = *failure;
    return outcome;
  }
  giveback(std::move(worker));
  outcome.outcome = Outcome{last};
  return outcome;
}

}  // namespace sha1vectors

#else

namespace sha1vectors {

class Library::Worker {};
Library::Library(LibrarySettings settings) : settings_(std::move(settings)) {}
Library::~Library() = default;
std::optional<std::string> Library::cannotrun() { return "--library needs a POSIX system"; }
std::string Library::interface() const { return {}; }
Outcome Library::digest(const Message&) { return {std::nullopt, "--library needs a POSIX system"}; }
std::vector<Outcome> Library::digests(std::span<const Message> messages) { return std::vector<Outcome>(messages.size(), digest({})); }
std::optional<ChainOutcome> Library::chain(const Vector&) { return std::nullopt; }

}  // namespace sha1vectors

#endif
