// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/library.h"

#include <algorithm>
#include <cstring>

#include "sha1vectors/implementations/harness.h"
#include "sha1vectors/implementations/protocol.h"
#include "sha1vectors/implementations/timing.h"
#include "sha1vectors/implementations/ways.h"
#include "sha1vectors/model/chains.h"
#include "sha1vectors/process/process.h"

namespace sha1vectors {

std::optional<std::string> checkrenames(const LibrarySettings& settings) {
  if (settings.renames.empty()) return std::nullopt;
  std::optional<std::string> problem;
  if (settings.abi == "described") {
    Description description;
    describe(settings.description, description);
    problem = description.rename(settings.renames, describedtitle);
    return problem ? std::optional("--symbols: " + *problem) : std::nullopt;
  }
  for (const Interface& row : interfaces()) {
    if (!settings.abi.empty() && settings.abi != row.name) continue;
    problem = row.described().rename(settings.renames, row.title);
    if (!problem) return std::nullopt;
  }
  if (settings.abi.empty()) return "--symbols: " + settings.renames + " renames no interface's functions (" + interfacechoices() + "; see --abi)";
  return "--symbols: " + *problem;
}

// A process that has loaded the library, and its pipes.
class Library::Worker {
 public:
  enum class Read { done, ended, late, stopped };
  static constexpr std::size_t requests = 0, answers = 1;  // the child's slots

  // Starts a worker for settings and learns what it found in the library; nothing, with the reason
  // in problem, when it cannot start or load the library.
  static std::unique_ptr<Worker> start(const LibrarySettings& settings, std::string& problem, protocol::Found& found) {
    using Flow = process::Slot::Flow;
    auto worker = std::make_unique<Worker>();
    const std::string abi = settings.abi.empty() ? "auto" : settings.abi;
    // A group of its own: whatever the library starts ends with the worker.
    std::vector<std::string> arguments{settings.worker, "--library-worker", settings.path, abi, settings.renames};
    if (abi == "described") arguments.push_back(settings.description);
    const process::Launch launch{std::move(arguments),
                                 false,
                                 true,
                                 {{protocol::requestfd, Flow::tochild},
                                  {protocol::answerfd, Flow::fromchild},
                                  {0, Flow::null},
                                  {1, Flow::null},
                                  {protocol::positionfd, Flow::handed, worker->shared_.descriptor()}}};
    if (auto why = worker->child_.start(launch)) {
      problem = "cannot start the worker: " + *why;
      return nullptr;
    }
    if (auto why = worker->hello(settings, found)) {
      problem = *why;
      return nullptr;
    }
    return worker;
  }

  // Sends a request, the worker's last position forgotten first.
  bool send(const std::string& request) {
    if (auto* position = static_cast<protocol::Position*>(shared_.data())) position->known = 0;
    return child_.writeall(requests, request);
  }

  // Where the worker was last, if it said.
  std::optional<protocol::Position> where() const {
    const auto* position = static_cast<const protocol::Position*>(shared_.data());
    if (position == nullptr || position->known == 0) return std::nullopt;
    return protocol::Position{position->message, position->way, position->role, position->update, position->step, position->known, {}};
  }

  // From now, the worker has allowed of its own time (timing.h) until it next says something.
  void expect(std::chrono::milliseconds allowed) { allowance_.restart(allowed); }

  // Reads size bytes within the allowance, looking at stop every 10 ms. Answers come many to a
  // write, so what arrives is read in bulk and kept.
  Read receive(void* data, std::size_t size, const std::atomic<bool>* stop) {
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
      if (allowance_.spent()) return Read::late;
      if (!child_.wait(allowance_.wait(), {answers})[answers]) continue;
      const std::ptrdiff_t n = child_.read(answers, buffer_.data(), buffer_.size());
      if (n < 0) return Read::ended;
      start_ = 0;
      end_ = static_cast<std::size_t>(n);
    }
    return Read::done;
  }

  // How the worker ended, once it has: why it gave up, if it said; else by a signal, or an exit.
  std::string ending() {
    const process::Ending ending = child_.end();
    if (const auto* position = static_cast<const protocol::Position*>(shared_.data()); position != nullptr && position->why[0] != '\0') {
      std::string why;
      for (std::size_t i = 0; i < sizeof position->why && position->why[i] != '\0'; ++i) why += position->why[i];
      return why;
    }
    if (ending.kind == process::Ending::Kind::signalled) return "the library crashed: " + process::signalname(ending.code);
    if (ending.kind == process::Ending::Kind::exited) return "the worker ended with status " + std::to_string(ending.code);
    return "the worker vanished";
  }

 private:
  // Reads the worker's first words: what it found, or why it found nothing.
  std::optional<std::string> hello(const LibrarySettings& settings, protocol::Found& found) {
    struct In {
      Worker& worker;
      const std::atomic<bool>* stop;
      Read result = Read::done;
      bool read(void* data, std::size_t size) { return (result = worker.receive(data, size, stop)) == Read::done; }
    };
    In in{*this, settings.stop};
    // Loading a library or starting a harness's interpreter reads files, which on a busy machine
    // with cold caches alone can take seconds: a call's --timeout is not about that.
    const auto allowed = std::max(settings.timeout, std::chrono::milliseconds(30000));
    expect(allowed);
    protocol::Hello said;
    const bool heard = protocol::decode(in, said);
    if (in.result == Read::late) return "loading it did not finish within " + seconds(allowed);
    if (in.result == Read::stopped) return "stopped while loading it";
    if (in.result == Read::ended) return ending() + " while loading it";
    if (!heard) return "the worker did not say what it found";
    if (!said.found) return said.problem;
    found = *said.found;
    return std::nullopt;
  }

  process::SharedMemory shared_{sizeof(protocol::Position)};
  process::Child child_;
  Allowance allowance_{child_, std::chrono::milliseconds(0)};
  std::array<char, 1 << 16> buffer_{};
  std::size_t start_ = 0, end_ = 0;
};

Library::Library(LibrarySettings settings) : settings_(std::move(settings)) {}
Library::~Library() = default;

std::optional<std::string> Library::cannotrun() {
  const std::string option = harness() ? "--harness " : "--library ";
  if (described()) {
    if (auto problem = describe(settings_.description, description_)) return "--interface: " + *problem;
  }
  if (auto problem = checkrenames(settings_)) return problem;
  std::string problem;
  protocol::Found found{};
  auto worker = Worker::start(settings_, problem, found);
  if (!worker) return option + settings_.path + ": " + problem;
  if (found.interface == protocol::harnessrow && harness()) {
    title_ = harness::row.title;
    description_ = harness::row.described();
  } else if (found.interface == protocol::describedrow && described()) {
    title_ = describedtitle;
  } else if (found.interface < interfaces().size() && !harness() && !described()) {
    title_ = interfaces()[found.interface].title;
    description_ = interfaces()[found.interface].described();
  } else {
    return option + settings_.path + ": the worker named no interface";
  }
  oneshot_ = (found.flags & protocol::hasoneshot) != 0;
  takesbits_ = (found.flags & protocol::hasbits) != 0;
  contextsize_ = found.contextsize;
  description_.rename(settings_.renames, title_);
  names_ = description_.names();
  idle_.push_back(std::move(worker));
  return std::nullopt;
}

std::optional<std::vector<std::string>> Library::functions(const LibrarySettings& settings, std::string& problem) {
  LibrarySettings listing = settings;
  listing.abi = "functions";
  protocol::Found found{};
  // The worker says no interface, and in its place the names.
  if (Worker::start(listing, problem, found) || problem.rfind(protocol::functionlist, 0) != 0) {
    problem = "--library " + settings.path + ": " + problem;
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (std::size_t at = protocol::functionlist.size(); at < problem.size();) {
    const std::size_t end = std::min(problem.find(' ', at), problem.size());
    if (end > at) names.push_back(problem.substr(at, end - at));
    at = end + 1;
  }
  problem.clear();
  return names;
}

std::string Library::interface() const {
  std::string text = title_ + ":";
  for (const Role role : {Role::load, Role::setup, Role::oneshot, Role::begin, Role::update, Role::end, Role::endbits, Role::free}) {
    const std::string& name = names_[static_cast<std::size_t>(role)];
    if (name.empty() || (role == Role::oneshot && !oneshot_) || (role == Role::endbits && !takesbits_)) continue;
    text += text.back() == ':' ? " " : ", ";
    text += name;
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
  protocol::encodebody(request, piece, held ? 1 : message.repeat, message.partial, message.partialbits);
  protocol::encodeways(request, ways);
}

// The digest the ways give: theirs when they agree, right or wrong; else the first wrong one,
// with the way named.
Outcome agreed(const std::vector<basicutilities::Sha1Digest>& digests, const std::vector<Way>& ways, const Message& message,
               const std::atomic<bool>* stop, const std::string& oneshotname) {
  if (std::all_of(digests.begin(), digests.end(), [&](const auto& digest) { return digest == digests.front(); })) return {digests.front()};
  // Only now is SHA-1's own digest needed, to tell which of them is wrong.
  const Outcome right = Engine(stop).digest(message);
  if (!right.digest) return right;
  const auto wrong = std::find_if(digests.begin(), digests.end(), [&](const auto& digest) { return digest != *right.digest; });
  Outcome outcome{*wrong};
  outcome.how = ways[static_cast<std::size_t>(wrong - digests.begin())].describe(message.size(), oneshotname);
  outcome.rightsomeway = std::find(digests.begin(), digests.end(), *right.digest) != digests.end();
  return outcome;
}

// Why a way's answer is no digest: the library wrote outside its buffers, a call said it failed,
// or the digest was never written. Where the interface is the user's description, the same fault
// on every message is more likely the description's than the library's: the hint says where.
std::optional<std::string> unusable(const protocol::Answer& answer, std::uint64_t contextsize, const Description& description, bool described) {
  const auto outside = [&](std::uint32_t count, const char* where, const std::string& buffer, const char* hint) {
    const std::string text = "the library wrote " + std::to_string(count) + (count == 1 ? " byte " : " bytes ") + where + " the " + buffer;
    return described ? text + "; if it does on every message, " + hint : text;
  };
  const char* digesthint = "the description probably gives digest where the function takes something else";
  const std::string context = "context (" + std::to_string(contextsize) + (described ? " bytes, as described)" : " bytes, as the interface has it)");
  const char* contexthint = "the description's context size is probably too small, or ctx stands where the function takes something else";
  if (answer.digestafter > 0) return outside(answer.digestafter, "past", "20-byte digest", digesthint);
  if (answer.digestbefore > 0) return outside(answer.digestbefore, "before", "20-byte digest", digesthint);
  if (answer.contextafter > 0) return outside(answer.contextafter, "past", context, contexthint);
  if (answer.contextbefore > 0) return outside(answer.contextbefore, "before", context, contexthint);
  if (answer.failed != 0) {
    // A role the interface has no call for: no answer the worker gave.
    if (!description.calls[answer.failed - 1]) return "the library wrote into the worker's answer pipe, garbling its answer";
    const Call& call = *description.calls[answer.failed - 1];
    const std::string update = answer.failedupdate > 0 ? " in update " + std::to_string(answer.failedupdate) : "";
    if (answer.changed != 0) return "the library changed the message bytes it was given: " + call.function + "()" + update + " wrote into its input";
    return "a call failed: " + call.refused(answer.returned) + update;
  }
  if (std::all_of(std::begin(answer.digest), std::end(answer.digest), [](std::uint8_t byte) { return byte == 0xCC; })) {
    const std::string text = "the digest was never written: its 20 bytes are still the fill pattern CC";
    return described ? text + "; is digest the argument where the end writes it?" : text;
  }
  return std::nullopt;
}

// Whether an answer is none the worker could have given: the library wrote into its pipe.
bool garbled(std::uint8_t kind, const protocol::Answer& answer, const protocol::Crash& crash) {
  if (kind == protocol::crashed) return !process::crashcode(crash.signal);
  const std::uint32_t counts[] = {answer.digestbefore, answer.digestafter, answer.contextbefore, answer.contextafter};
  return kind != protocol::answered || answer.failed > roles ||
         std::any_of(std::begin(counts), std::end(counts), [](std::uint32_t count) { return count > protocol::guardbytes; });
}

}  // namespace

std::string Library::callname(const protocol::Position& position, const Way& way) const {
  const std::string& name = names_[static_cast<std::size_t>(position.role % roles)];
  if (way.oneshot || name.empty()) return {};  // the way names its one call; or the call is not known
  const auto role = static_cast<Role>(position.role);
  const std::string function = name + "()";
  if (role == Role::update) return "; in update " + std::to_string(position.update) + ", " + function;
  return "; in " + function;
}

std::optional<Outcome> Library::hear(Worker& worker, std::uint64_t length, basicutilities::Sha1Digest& digest, std::uint64_t* step, bool& incall) {
  // Beside the timeout, the time to read the longest call's bytes.
  const auto allowed = settings_.timeout + readingtime(length);
  std::uint8_t kind = 0;
  protocol::Crash crash{};
  protocol::Answer answer{};
  Worker::Read read = Worker::Read::done;
  // The worker says now and then that it is alive (a long message, a chain): a hang is a pause in that.
  for (worker.expect(allowed); read == Worker::Read::done; worker.expect(allowed)) {
    read = worker.receive(&kind, 1, settings_.stop);
    if (read != Worker::Read::done || kind == protocol::alive) continue;
    read = kind == protocol::crashed ? worker.receive(&crash, sizeof crash, settings_.stop) : worker.receive(&answer, sizeof answer, settings_.stop);
    if (read == Worker::Read::done && step != nullptr) read = kind == protocol::crashed ? (*step = crash.step, read) : worker.receive(step, sizeof *step, settings_.stop);
    break;
  }
  incall = read == Worker::Read::late || read == Worker::Read::ended || (read == Worker::Read::done && kind == protocol::crashed);
  if (read == Worker::Read::stopped) return Outcome::halted();
  if (read == Worker::Read::late) return Outcome{std::nullopt, (harness() ? "the harness" : "the library") + std::string(" did not finish within ") + seconds(allowed)};
  if (read == Worker::Read::ended) return Outcome{std::nullopt, worker.ending()};
  if (garbled(kind, answer, crash)) return Outcome{std::nullopt, "the library wrote into the worker's answer pipe, garbling its answer"};
  if (kind == protocol::crashed) return Outcome{std::nullopt, "the library crashed: " + process::signalname(static_cast<int>(crash.signal))};
  if (auto problem = unusable(answer, contextsize_, description_, described())) return Outcome{std::nullopt, *problem};
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
    // A long message in one update too, from memory the worker maps that repeats its piece: a bit
    // count made from one update's length in 32 bits, or a length parameter of 32 bits, is wrong
    // only there. Past 4 GiB, that is the way the message is there for.
    if (!harness() && message.size() > oneshotlimit && message.partialbits == 0 && process::repeatable(message.piece.size())) {
      if (message.size() > (std::uint64_t{1} << 32)) ways.back().clear();
      ways.back().push_back({false, {message.size()}});
    }
    // A chain's later hashes are like its first, which is given every way: one call will do.
    if (message.chained) ways.back().resize(1);
    ask(request, message, ways.back());
  }
  if (!worker->send(request)) return std::vector<Outcome>(messages.size(), Outcome{std::nullopt, worker->ending()});
  for (std::size_t m = 0; m < messages.size(); ++m) {
    std::vector<basicutilities::Sha1Digest> given(ways[m].size());
    for (std::size_t w = 0; w < ways[m].size(); ++w) {
      bool incall = false;
      if (auto failure = hear(*worker, ways[m][w].longestcall(messages[m].size()), given[w], nullptr, incall)) {
        const auto position = incall ? worker->where() : std::nullopt;
        worker.reset();
        return failed(messages, ways, m, w, position, std::move(*failure), std::move(outcomes));
      }
    }
    outcomes.push_back(agreed(given, ways[m], messages[m], settings_.stop, oneshotname()));
  }
  giveback(std::move(worker));
  return outcomes;
}

std::vector<Outcome> Library::failed(std::span<const Message> messages, const std::vector<std::vector<Way>>& ways, std::size_t m, std::size_t w,
                                     const std::optional<protocol::Position>& position, Outcome failure, std::vector<Outcome> outcomes) {
  // Where it went wrong: the way awaited, or, for a hang, a crash or an exit, where the worker was
  // (the answers it had not yet sent are lost: those messages are asked again).
  std::size_t at = m, way = w;
  std::string call;
  if (position && position->message >= m && position->message < messages.size() && position->way < ways[position->message].size()) {
    at = position->message;
    way = position->way;
    call = callname(*position, ways[at][way]);
  }
  if (!failure.stopped) failure.failure += " (" + ways[at][way].describe(messages[at].size(), oneshotname()) + call + ")";
  for (Outcome& lost : digests(messages.subspan(m, at - m))) outcomes.push_back(std::move(lost));
  outcomes.push_back(std::move(failure));
  for (Outcome& rest : digests(messages.subspan(at + 1))) outcomes.push_back(std::move(rest));
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
  protocol::encodechain(request, static_cast<std::uint8_t>(vector.kind), whole, vector.partial, vector.partialbits, vector.iterations,
                        vector.chainbits, oneshot_);
  if (!worker->send(request)) return ChainOutcome{{std::nullopt, worker->ending()}, 0};
  ChainOutcome outcome;
  basicutilities::Sha1Digest last{};
  const Way way{oneshot_ && vector.partialbits == 0, {first.size()}};
  bool incall = false;
  if (auto failure = hear(*worker, first.size(), last, &outcome.step, incall)) {
    const auto position = incall ? worker->where() : std::nullopt;
    if (position) outcome.step = position->step;
    if (!failure->stopped) failure->failure += " (" + way.describe(first.size(), oneshotname()) + (position ? callname(*position, way) : "") + ")";
    outcome.outcome = *failure;
    return outcome;
  }
  giveback(std::move(worker));
  outcome.outcome = Outcome{last};
  return outcome;
}

}  // namespace sha1vectors
