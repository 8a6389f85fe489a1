// SPDX-License-Identifier: MIT
// The library worker: loads the library, finds its interface, and hashes each message every way it
// is asked to, with guard bytes around the buffers the library writes. A crash is told before the
// worker dies of it, so that the checker can say which way it came in.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

#include "sha1vectors/implementations/harness.h"
#include "sha1vectors/implementations/interfaces.h"
#include "sha1vectors/implementations/library.h"
#include "sha1vectors/implementations/probe.h"
#include "sha1vectors/implementations/protocol.h"
#include "sha1vectors/model/chains.h"
#include "sha1vectors/process/process.h"

namespace sha1vectors {
namespace {

using namespace protocol;

// Requests come in through a buffer: a request is many small fields.
class Reader {
 public:
  bool read(void* data, std::size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
      if (start_ == end_) {
        const std::ptrdiff_t n = process::readsome(requestfd, buffer_, sizeof buffer_);
        if (n <= 0) return false;
        start_ = 0;
        end_ = static_cast<std::size_t>(n);
      }
      const std::size_t now = std::min(size, end_ - start_);
      std::memcpy(at, buffer_ + start_, now);
      start_ += now;
      at += now;
      size -= now;
    }
    return true;
  }

 private:
  char buffer_[1 << 16];
  std::size_t start_ = 0, end_ = 0;
};

// Answers wait here, so that one write carries many; a crash writes them before it tells itself.
char pending[1 << 16];
volatile std::size_t pendingsize = 0;
// When the checker last heard from the worker.
std::chrono::steady_clock::time_point lastwrite;

bool flush() {
  const bool written = process::writeall(answerfd, pending, pendingsize);
  pendingsize = 0;
  lastwrite = std::chrono::steady_clock::now();
  return written;
}

bool answer(const std::string& bytes) {
  if (pendingsize + bytes.size() > sizeof pending && !flush()) return false;
  std::memcpy(pending + pendingsize, bytes.data(), bytes.size());
  pendingsize = pendingsize + bytes.size();
  return true;
}

// The checker's timeout bounds a silence of the worker, so the worker is never silent long while it
// gets on: what waits is sent, or else word that it is alive, once a twentieth of a second has gone by.
bool keepalive() {
  if (std::chrono::steady_clock::now() - lastwrite < std::chrono::milliseconds(50)) return true;
  if (pendingsize == 0 && !answer(std::string(1, static_cast<char>(alive)))) return false;
  return flush();
}

// Where the worker is, in memory the checker shares (nullptr when it shares none).
protocol::Position* position = nullptr;

void at(Role role, std::uint64_t update = 0) {
  if (position == nullptr) return;
  position->role = static_cast<std::uint32_t>(role);
  position->update = update;
  position->known = 1;
}

// The library's interface: its description, its functions, its context's size.
struct Bound {
  Description description;
  Functions functions{};
  std::size_t contextsize = 0;
  std::uint8_t row = 0;  // in the table, or describedrow or harnessrow
  bool has(Role role) const { return functions[static_cast<std::size_t>(role)] != nullptr; }
};

// Every function of the description that the library has; each call the description names must be
// there, but a oneshot or an endbits only if the library has it. Nothing when one is missing; why
// not, when it has the functions but not a context size that can be given, in problem; the file they
// come from, when a library it depends on has them and it does not, in elsewhere.
std::optional<Bound> attach(void* library, Description description, std::string_view title, const std::string& renames, std::string& problem, std::string& elsewhere) {
  if (description.rename(renames, title)) return std::nullopt;
  Bound bound{std::move(description), {}, 0, 0};
  for (std::size_t role = 0; role < roles; ++role) {
    const auto& call = bound.description.calls[role];
    if (!call) continue;
    bound.functions[role] = process::findsymbol(library, call->function);
    const bool optional = role == static_cast<std::size_t>(Role::oneshot) || role == static_cast<std::size_t>(Role::endbits);
    if (bound.functions[role] == nullptr && !optional) return std::nullopt;
  }
  // Looked up through the library, a function of a library it depends on is found too: that is not
  // the library named, and checking it would pass the named one unchecked.
  for (const void* function : bound.functions) {
    if (function == nullptr) continue;
    if (auto file = process::definedelsewhere(library, function)) {
      if (elsewhere.empty()) {
        elsewhere = "has no SHA-1 of its own: " + std::string(title) + " (" + bound.description.call(Role::begin)->function + ", ...) comes from " + *file +
                    ", a library it depends on; to check that one, name it: --library " + *file;
      }
      return std::nullopt;
    }
  }
  bound.contextsize = bound.description.contextsize;
  if (bound.contextsize == 0) {
    using Size = std::size_t (*)();
    bound.contextsize = reinterpret_cast<Size>(bound.functions[static_cast<std::size_t>(Role::contextsize)])();
    if (bound.contextsize == 0 || bound.contextsize > (std::size_t{1} << 20)) {
      problem = "says its context takes " + std::to_string(bound.contextsize) + " bytes (" + bound.description.call(Role::contextsize)->function +
                "()), not 1 byte to 1 MiB";
      return std::nullopt;
    }
  }
  return bound;
}

// size bytes with guard bytes before and after, aligned as any context needs. Past the guards lies
// slack of the worker's own: a library that writes far past them (a context described too small,
// a digest and a context swapped) writes there and is told so, rather than into the worker's heap.
class Fenced {
 public:
  static constexpr std::size_t slack = std::size_t{64} << 10;
  explicit Fenced(std::size_t size) : size_(size), whole_(new (std::align_val_t{64}) unsigned char[size + 2 * (guardbytes + slack)]), area_(whole_ + slack) {}
  ~Fenced() { ::operator delete[](whole_, std::align_val_t{64}); }
  Fenced(const Fenced&) = delete;
  Fenced& operator=(const Fenced&) = delete;

  unsigned char* data() { return area_ + guardbytes; }
  void arm() {
    for (std::size_t i = 0; i < guardbytes; ++i) area_[i] = area_[guardbytes + size_ + i] = pattern(i);
    // Not zeros inside: a begin that leaves a field unset, or an end that writes part of the
    // digest, must not pass by luck.
    std::memset(data(), 0xCC, size_);
  }
  // How many bytes before and after the buffer were written (as far as the farthest one changed).
  std::uint32_t before() const {
    for (std::size_t i = 0; i < guardbytes; ++i) {
      if (area_[i] != pattern(i)) return static_cast<std::uint32_t>(guardbytes - i);
    }
    return 0;
  }
  std::uint32_t after() const {
    for (std::size_t i = guardbytes; i-- > 0;) {
      if (area_[guardbytes + size_ + i] != pattern(i)) return static_cast<std::uint32_t>(i + 1);
    }
    return 0;
  }

 private:
  static unsigned char pattern(std::size_t i) { return static_cast<unsigned char>(0xA5 ^ (i * 0x3B)); }
  std::size_t size_;
  unsigned char* whole_;  // the slack before, area_, the slack after
  unsigned char* area_;   // the guard before, the buffer, the guard after
};

// What a hash's calls write into or read from: the fenced context and digest, and the copy of the
// message bytes each call is given, so that a library that changes its input is caught at the call
// that did, rather than by the wrong digests of later ways that read the changed bytes.
struct Buffers {
  explicit Buffers(std::size_t contextsize) : context(contextsize) {}
  Fenced context, digest{20};
  std::vector<unsigned char> copy = std::vector<unsigned char>(1);
};

// What a hash's calls are given, by the kinds of argument a description names.
struct Frame {
  unsigned char* context;
  unsigned char* digest;
  unsigned char partial;
  unsigned bits;
  const unsigned char* data = nullptr;
  std::size_t length = 0;
};

// The value of an argument; a cell's size is kept in cell, whose address is given.
std::uintptr_t value(const Argument& argument, const Frame& frame, std::size_t& cell) {
  using Kind = Argument::Kind;
  switch (argument.kind) {
    case Kind::context: return reinterpret_cast<std::uintptr_t>(frame.context);
    case Kind::handle: {
      std::uintptr_t handle = 0;
      std::memcpy(&handle, frame.context, sizeof handle);
      return handle;
    }
    case Kind::data: return reinterpret_cast<std::uintptr_t>(frame.data);
    case Kind::length: return frame.length;
    case Kind::digest: return reinterpret_cast<std::uintptr_t>(frame.digest);
    case Kind::partial: return frame.partial;
    case Kind::bits: return frame.bits;
    case Kind::number: return static_cast<std::uintptr_t>(argument.number);
    case Kind::text: return reinterpret_cast<std::uintptr_t>(argument.text.c_str());
    case Kind::cell: cell = static_cast<std::size_t>(argument.number); return reinterpret_cast<std::uintptr_t>(&cell);
  }
  return 0;
}

// Calls function as call describes it; false, with what it returned, when its result says it
// failed. Every function is called as one of six word-sized arguments returning a word: C's calling
// conventions on the machines this runs on pass the first arguments in registers (or on a stack
// the caller clears), so a function that takes fewer ignores the rest, and an int result is the
// word's low half.
bool invoke(const Call& call, void* function, Frame& frame, std::int64_t& returned) {
  using Any = std::uintptr_t (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t);
  std::array<std::uintptr_t, mostarguments> given{};
  std::array<std::size_t, mostarguments> cells{};
  for (std::size_t i = 0; i < call.arguments.size(); ++i) given[i] = value(call.arguments[i], frame, cells[i]);
  const std::uintptr_t result = reinterpret_cast<Any>(function)(given[0], given[1], given[2], given[3], given[4], given[5]);
  switch (call.result) {
    case Call::Result::handle:
      if (result != 0) std::memcpy(frame.context, &result, sizeof result);
      return result != 0;
    case Call::Result::digest:
      if (result != 0) std::memcpy(frame.digest, reinterpret_cast<const void*>(result), 20);
      return result != 0;
    case Call::Result::plain: break;
  }
  returned = static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
  if (call.test == Call::Test::equals) return returned == call.success;
  return call.test == Call::Test::none || returned >= call.success;
}

// The calls of one way's hash, each given its own copy of the message bytes it takes; the first
// that fails, or changes those bytes, is recorded in told.
class Calls {
 public:
  Calls(const Bound& b, Buffers& buffers, const Body& body) : b_(b), buffers_(buffers), frame_{buffers.context.data(), buffers.digest.data(), body.partial, body.partialbits} {}

  // Makes role's call, given a copy of given; or given itself when it is read-only memory too big to
  // copy (a write into it crashes).
  void make(Role role, std::uint64_t update = 0, std::string_view given = {}, bool readonly = false) {
    const auto r = static_cast<std::size_t>(role);
    if (!b_.has(role)) return;
    at(role, update);
    std::vector<unsigned char>& copy = buffers_.copy;
    if (!readonly && copy.size() < given.size()) copy.resize(given.size());
    if (!readonly && !given.empty()) std::memcpy(copy.data(), given.data(), given.size());
    frame_.data = readonly ? reinterpret_cast<const unsigned char*>(given.data()) : copy.data();
    frame_.length = given.size();
    std::int64_t returned = 0;
    const bool succeeded = invoke(*b_.description.calls[r], b_.functions[r], frame_, returned);
    const bool changed = !readonly && !given.empty() && std::memcmp(copy.data(), given.data(), given.size()) != 0;
    if ((!succeeded || changed) && told.failed == 0) {
      told.failed = static_cast<std::uint32_t>(r + 1);
      told.failedupdate = update;
      told.returned = returned;
      told.changed = changed;
    }
  }
  bool going() const { return told.failed == 0; }

  Answer told{};

 private:
  const Bound& b_;
  Buffers& buffers_;
  Frame frame_;
};

// One way's hash, with the guards armed before and read after; the way stops at a call that fails
// (but for the free). An update longer than message's span takes its bytes from whole.
Answer hash(const Bound& b, const Body& body, const Tiled& message, const Way& way, Buffers& buffers, std::string_view whole = {}) {
  buffers.context.arm();
  buffers.digest.arm();
  Calls calls(b, buffers, body);
  const std::uint64_t length = message.size();
  if (way.oneshot) {
    calls.make(Role::oneshot, 0, message.from(0, length));
  } else {
    calls.make(Role::setup);
    if (calls.going()) calls.make(Role::begin);
    const bool begun = calls.going();  // else there is nothing to free
    std::uint64_t sincelook = 0, updates = 0;  // the clock is read once a mebibyte
    way.each(length, [&](std::uint64_t offset, std::uint64_t size) {
      ++updates;
      const bool huge = size > longestupdate && !whole.empty();
      if (calls.going()) calls.make(Role::update, updates, huge ? whole.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)) : message.from(offset, size), huge);
      if ((sincelook += size) >= (std::uint64_t{1} << 20)) {
        sincelook = 0;
        keepalive();
      }
    });
    if (calls.going()) calls.make(body.partialbits != 0 ? Role::endbits : Role::end);
    if (begun) calls.make(Role::free);
  }
  Answer& told = calls.told;
  std::memcpy(told.digest, buffers.digest.data(), 20);
  told.digestbefore = buffers.digest.before();
  told.digestafter = buffers.digest.after();
  told.contextbefore = buffers.context.before();
  told.contextafter = buffers.context.after();
  return told;
}

// Whether a way gives asked's message in one update longer than the updates a long message is
// given in: from memory that repeats its piece.
bool huge(const Asked& asked, const Way& way) {
  return !way.oneshot && asked.body.size() > longestpiece && way.sizes.size() == 1 && way.sizes.front() == asked.body.size();
}

// Whether the worker can give body every way asked: a long message only in bounded updates that
// move on, or in one update from repeated memory; never in one call.
bool cangive(const Bound& b, const Asked& asked) {
  const bool whole = asked.body.size() <= longestpiece;
  if (asked.body.partialbits != 0 && !b.has(Role::endbits)) return false;
  return std::all_of(asked.ways.begin(), asked.ways.end(), [&](const Way& way) {
    if (way.oneshot) return whole && asked.body.partialbits == 0 && b.has(Role::oneshot);
    if (huge(asked, way)) return b.row != harnessrow && process::repeatable(asked.body.piece.size());
    const bool bounded = whole || std::all_of(way.sizes.begin(), way.sizes.end(), [](std::uint64_t size) { return size <= longestupdate; });
    const bool moves = asked.body.size() == 0 || std::any_of(way.sizes.begin(), way.sizes.end(), [](std::uint64_t size) { return size > 0; });
    return bounded && moves;
  });
}

// The harness could not go on: the answers waiting are sent, why is left where the checker looks,
// and the worker ends (the harness's connection ends it).
void giveup(const std::string& why) {
  process::writeall(answerfd, pending, pendingsize);
  if (position == nullptr) return;
  const std::size_t length = std::min(why.size(), sizeof position->why - 1);
  for (std::size_t i = 0; i < length; ++i) position->why[i] = why[i];
  position->why[length] = '\0';
}

// A way a batch through a harness awaits the answer to.
struct Awaited {
  std::uint32_t message, way;
};

// The harness failed with the way at awaited first: that is where (the call in it cannot be told).
[[noreturn]] void harnessfailed(Awaited at) {
  if (position != nullptr) {
    position->message = at.message;
    position->way = at.way;
    position->role = static_cast<std::uint32_t>(Role::oneshot);  // no call of the harness's named
    position->known = 1;
  }
  giveup(harness::pipeline().why());
  std::_Exit(3);
}

// Passes on the answers that have come (all: every one awaited).
bool deliver(std::deque<Awaited>& awaited, bool all) {
  harness::Pipeline& harness = harness::pipeline();
  while (!awaited.empty() && (all || harness.ready())) {
    const auto digest = harness.next();
    if (!digest) harnessfailed(awaited.front());
    Answer told{};
    std::copy(digest->begin(), digest->end(), told.digest);
    if (!answer(encode(told))) return false;
    awaited.pop_front();
  }
  return keepalive();
}

// A batch through a harness: every way's requests written while the answers are read, so that a
// batch takes a round trip or two, not one a way.
bool pipelined(const std::vector<Asked>& request) {
  harness::Pipeline& harness = harness::pipeline();
  std::deque<Awaited> awaited;
  for (std::uint32_t m = 0; m < request.size(); ++m) {
    const Body& body = request[m].body;
    const Tiled message(body.piece, body.repeat, body.size() <= longestpiece ? body.size() : longestupdate);
    for (std::uint32_t w = 0; w < request[m].ways.size(); ++w) {
      bool going = true;
      request[m].ways[w].each(message.size(), [&](std::uint64_t offset, std::uint64_t size) {
        going = going && harness.update(message.from(offset, size)) && deliver(awaited, false);
      });
      if (!going || !harness.end()) harnessfailed(awaited.empty() ? Awaited{m, w} : awaited.front());
      awaited.push_back({m, w});
      if (!deliver(awaited, false)) return false;
    }
  }
  return deliver(awaited, true) && flush();
}

// Message number m of a batch, given every way it is asked to be.
bool serveways(const Bound& b, const Asked& asked, std::uint32_t m, Buffers& buffers) {
  const Body& body = asked.body;
  const Tiled message(body.piece, body.repeat, body.size() <= longestpiece ? body.size() : longestupdate);
  const bool mapped = std::any_of(asked.ways.begin(), asked.ways.end(), [&](const Way& way) { return huge(asked, way); });
  const std::optional<process::Repeated> whole = mapped ? std::optional<process::Repeated>(std::in_place, body.piece, body.size()) : std::nullopt;
  if (mapped && whole->bytes().empty()) return false;
  for (std::uint32_t w = 0; w < asked.ways.size(); ++w) {
    if (position != nullptr) {
      position->message = m;
      position->way = w;
    }
    // One update of gibibytes is one long call: the answers waiting must not wait for it.
    if (huge(asked, asked.ways[w]) && !flush()) return false;
    if (!answer(encode(hash(b, body, message, asked.ways[w], buffers, mapped ? whole->bytes() : std::string_view()))) || !keepalive()) return false;
  }
  return true;
}

// A batch of messages, each given every way it is asked to be. The request is read whole before
// any of it is hashed, so that the checker, writing it, never waits on answers it is not reading.
bool servemessages(const Bound& b, Reader& in, Buffers& buffers) {
  std::uint32_t count = 0;
  if (!take(in, count)) return false;
  std::vector<Asked> request(count);
  for (Asked& asked : request) {
    if (!decode(in, asked) || !cangive(b, asked)) return false;
  }
  if (b.row == harnessrow) return pipelined(request);
  for (std::uint32_t m = 0; m < count; ++m) {
    if (!serveways(b, request[m], m, buffers)) return false;
  }
  return flush();
}

// The hash of a chain being worked on, for a crash's record.
volatile std::uint64_t chainstep = 0;

bool breached(const Answer& told) { return told.digestbefore + told.digestafter + told.contextbefore + told.contextafter > 0; }

// A chain, each hash given one way: the last digest, or the first whose guards were breached,
// with the number of its hash.
bool servechain(const Bound& b, Reader& in, Buffers& buffers) {
  ChainAsked asked;
  if (!decode(in, asked) || asked.kind > static_cast<std::uint8_t>(Vector::Kind::iterated)) return false;
  Vector vector;
  vector.kind = static_cast<Vector::Kind>(asked.kind);
  vector.message = asked.seed.piece;
  vector.partial = asked.seed.partial;
  vector.partialbits = asked.seed.partialbits;
  vector.iterations = asked.iterations;
  vector.chainbits = asked.chainbits;
  Answer told{};
  std::uint64_t reached = 0;
  chains::walk(vector, [&](const Message& message, std::uint64_t step) -> std::optional<basicutilities::Sha1Digest> {
    chainstep = reached = step;
    if (position != nullptr) position->step = step;
    if (!keepalive()) return std::nullopt;
    const Body body{std::string(message.piece), 1, message.partial, message.partialbits};
    const Way way{asked.oneshot && body.partialbits == 0, {std::numeric_limits<std::uint64_t>::max()}};
    told = hash(b, body, Tiled(body.piece, 1, body.size()), way, buffers);
    if (breached(told)) return std::nullopt;
    basicutilities::Sha1Digest made;
    std::memcpy(made.data(), told.digest, 20);
    return made;
  });
  std::string out = encode(told);
  put(out, reached);
  return answer(out) && flush();
}

// Answers requests until the checker closes the pipe.
int serve(const Bound& b) {
  Buffers buffers(b.contextsize);
  auto in = std::make_unique<Reader>();
  for (std::uint8_t kind = 0; take(*in, kind);) {
    const bool served = kind == protocol::chain ? servechain(b, *in, buffers) : servemessages(b, *in, buffers);
    if (!served) return 0;
  }
  return 0;
}

// A crash in the library is told on the answer pipe; the worker then dies of it as it would have.
void crashed(int signal) {
  std::uint8_t record[1 + sizeof(Crash)] = {protocol::crashed};
  const Crash crash{static_cast<std::uint32_t>(signal), chainstep};
  std::memcpy(record + 1, &crash, sizeof crash);
  process::writeall(answerfd, pending, pendingsize);
  process::writeall(answerfd, record, sizeof record);
}

void tellcrashes() { process::oncrash(crashed); }

bool hello(const Hello& said) {
  const std::string bytes = encode(said);
  return process::writeall(answerfd, bytes.data(), bytes.size());
}

// The interface the worker was asked for ("auto": the first the library has; "described": the one
// described), and its row.
std::optional<Bound> findinterface(void* library, const std::string& wanted, const std::string& renames, const char* described, std::string& problem) {
  std::string elsewhere;
  if (wanted == "described") {
    Description description;
    if (described == nullptr || describe(described, description)) return std::nullopt;
    auto bound = attach(library, std::move(description), describedtitle, renames, problem, elsewhere);
    if (bound) bound->row = describedrow;
    if (problem.empty()) problem = elsewhere;
    return bound;
  }
  for (const Interface& row : interfaces()) {
    if (wanted != "auto" && wanted != row.name) continue;
    if (auto bound = attach(library, row.described(), row.title, renames, problem, elsewhere)) {
      bound->row = static_cast<std::uint8_t>(&row - interfaces().data());
      return bound;
    }
  }
  if (problem.empty()) problem = elsewhere;
  return std::nullopt;
}

// Readies the library (its load call) and, where a call can say it failed, hashes one message: a
// library that fails a call on it (a kernel interface the system refuses, say) cannot be checked,
// and is told so once rather than on every message. Why not, if it cannot.
std::optional<std::string> ready(const Bound& b) {
  if (b.has(Role::load)) {
    Frame none{nullptr, nullptr, 0, 0};
    std::int64_t returned = 0;
    const Call& load = *b.description.call(Role::load);
    if (!invoke(load, b.functions[static_cast<std::size_t>(Role::load)], none, returned)) return "its load call failed: " + load.refused(returned);
  }
  const auto canfail = [](const std::optional<Call>& call) { return call && (call->test != Call::Test::none || call->result != Call::Result::plain); };
  if (std::none_of(b.description.calls.begin(), b.description.calls.end(), canfail)) return std::nullopt;
  Buffers buffers(b.contextsize);
  const Body abc{"abc", 1, 0, 0};
  const Answer told = hash(b, abc, Tiled(abc.piece, 1, abc.size()), Way{false, {3}}, buffers);
  if (told.failed == 0 || told.changed != 0) return std::nullopt;
  return "cannot hash here: given \"abc\", " + b.description.calls[told.failed - 1]->refused(told.returned);
}

// The library's SHA-1-looking functions, read from its file, as the hello that lists them (which
// has room for 4 KiB of names: more are left out).
std::string listfunctions(void* library) {
  std::string text(functionlist);
  std::ifstream in(process::filepath(process::libraryfile(library)), std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const std::string& name : sha1names(exportedfunctions(file))) {
    if (text.size() + name.size() + 1 > 4096) break;
    text += name + " ";
  }
  return text;
}

// Why the library has no interface wanted.
std::string notfound(const std::string& wanted) {
  if (wanted == "auto") return "has none of the interfaces sha1vectors knows (" + interfacechoices() + "); describe its interface with --interface";
  if (wanted == "described") return "does not have every function the description calls (each by name, or as --symbols renames it)";
  return "does not have the " + wanted + " interface (each of its functions, by name, or as --symbols renames them)";
}

// A harness instead of a library: started, asked for the empty message's digest, then served as a
// library is, through its own description.
int serveharness(const std::string& command) {
  process::ignorebrokenpipes();
  if (auto problem = harness::start(command)) return hello({std::nullopt, *problem}) ? 0 : 1;
  Bound bound{harness::row.described(), harness::functions(), 1, harnessrow};
  if (!hello({Found{harnessrow, 0, bound.contextsize}, {}})) return 1;
  position = static_cast<protocol::Position*>(process::mapshared(positionfd, sizeof(protocol::Position)));
  harness::ongiveup(giveup);
  tellcrashes();
  return serve(bound);
}

}  // namespace

int libraryworker(int argc, char** argv) {
  if (argc < 5) return 2;
  if (std::string_view(argv[3]) == "harness") return serveharness(argv[2]);
  std::string problem;
  void* library = process::loadlibrary(argv[2], problem);
  if (library == nullptr) return hello({std::nullopt, "cannot be loaded: " + problem}) ? 0 : 1;
  const std::string wanted = argv[3];
  if (wanted == "functions") return hello({std::nullopt, listfunctions(library)}) ? 0 : 1;
  const std::optional<Bound> bound = findinterface(library, wanted, argv[4], argc > 5 ? argv[5] : nullptr, problem);
  if (!bound && !problem.empty()) return hello({std::nullopt, problem}) ? 0 : 1;
  if (!bound) return hello({std::nullopt, notfound(wanted)}) ? 0 : 1;
  if (auto why = ready(*bound)) return hello({std::nullopt, *why}) ? 0 : 1;
  std::uint8_t flags = 0;
  if (bound->has(Role::oneshot)) flags |= hasoneshot;
  if (bound->has(Role::endbits)) flags |= hasbits;
  if (!hello({Found{bound->row, flags, bound->contextsize}, {}})) return 1;
  position = static_cast<protocol::Position*>(process::mapshared(positionfd, sizeof(protocol::Position)));
  tellcrashes();
  return serve(*bound);
}

}  // namespace sha1vectors
