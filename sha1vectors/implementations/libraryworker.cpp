// SPDX-License-Identifier: MIT
// The library worker: loads the library, finds its interface, and hashes each message every way it
// is asked to, with guard bytes around the buffers the library writes. A crash is told before the
// worker dies of it, so that the checker can say which way it came in.
#include <openssl/sha.h>
#include <nettle/sha1.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>

#include <dlfcn.h>
#include <unistd.h>

#include "sha1vectors/implementations/library.h"
#include "sha1vectors/implementations/libraryprotocol.h"
#include "sha1vectors/readers/chains.h"

namespace sha1vectors {
namespace {

using namespace protocol;

bool readexact(int fd, void* data, std::size_t size) {
  auto* at = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::read(fd, at, size);
    if (n <= 0) return false;
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool writeall(int fd, const void* data, std::size_t size) {
  const auto* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, at, size);
    if (n <= 0) return false;
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Requests come in through a buffer: a request is many small fields.
class Reader {
 public:
  bool read(void* data, std::size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
      if (start_ == end_) {
        // A large field goes straight to its place.
        if (size >= sizeof buffer_) return readexact(requestfd, at, size);
        const ssize_t n = ::read(requestfd, buffer_, sizeof buffer_);
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
  template <class T>
  bool value(T& value) { return read(&value, sizeof value); }

 private:
  char buffer_[1 << 16];
  std::size_t start_ = 0, end_ = 0;
};

// Answers wait here until the request's last, so that one write carries them all; a crash writes
// them before it tells itself.
char pending[1 << 16];
volatile std::size_t pendingsize = 0;

bool flush() {
  const bool written = writeall(answerfd, pending, pendingsize);
  pendingsize = 0;
  return written;
}

bool answer(const std::string& bytes) {
  if (pendingsize + bytes.size() > sizeof pending && !flush()) return false;
  std::memcpy(pending + pendingsize, bytes.data(), bytes.size());
  pendingsize = pendingsize + bytes.size();
  return true;
}

// The library's functions, by role; any may be missing but begin, update and end.
struct Functions {
  Abi abi = Abi::openssl;
  void *oneshot = nullptr, *begin = nullptr, *update = nullptr, *end = nullptr, *endbits = nullptr;
  std::size_t contextsize = 0;
};

// The interface abi, its names renamed, if the library has it.
std::optional<Functions> resolve(void* library, Abi abi, const std::string& renames) {
  Symbols names = abisymbols(abi);
  if (renamesymbols(renames, names)) return std::nullopt;
  const auto find = [&](Role role) -> void* {
    const auto name = names.find(role);
    return name == names.end() ? nullptr : ::dlsym(library, name->second.c_str());
  };
  Functions f{abi, find(Role::oneshot), find(Role::begin), find(Role::update), find(Role::end), find(Role::endbits), 0};
  if (f.begin == nullptr || f.update == nullptr || f.end == nullptr) return std::nullopt;
  switch (abi) {
    case Abi::openssl:
      f.contextsize = sizeof(SHA_CTX);
      break;
    case Abi::nettle:
      f.contextsize = sizeof(struct sha1_ctx);
      break;
    case Abi::own: {
      void* size = find(Role::contextsize);
      if (size == nullptr) return std::nullopt;
      f.contextsize = reinterpret_cast<std::size_t (*)()>(size)();
      if (f.contextsize == 0 || f.contextsize > (std::size_t{1} << 20)) return std::nullopt;
      break;
    }
  }
  return f;
}

// size bytes with guard bytes before and after, aligned as any context needs.
class Fenced {
 public:
  explicit Fenced(std::size_t size) : size_(size), area_(new (std::align_val_t{64}) unsigned char[size + 2 * guardbytes]) {}
  ~Fenced() { ::operator delete[](area_, std::align_val_t{64}); }
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
  unsigned char* area_;
};

// The message of a request: whole when it fits in memory; a long repeated one as enough pieces
// that any update it is given in is a contiguous run of them.
struct Body {
  std::string bytes;
  std::uint64_t length = 0;
  std::size_t period = 1;
  bool whole = true;
  std::uint8_t partial = 0;
  unsigned partialbits = 0;

  const unsigned char* at(std::uint64_t offset) const {
    const std::size_t place = whole ? static_cast<std::size_t>(offset) : static_cast<std::size_t>(offset % period);
    return reinterpret_cast<const unsigned char*>(bytes.data()) + place;
  }
};

constexpr std::uint64_t wholelimit = std::uint64_t{64} << 20;
constexpr std::size_t longestupdate = std::size_t{4} << 20;

bool readbody(Reader& in, Body& body) {
  std::uint64_t piecesize = 0, repeat = 0;
  std::uint8_t bits = 0;
  if (!in.value(piecesize) || piecesize > wholelimit) return false;
  std::string piece(static_cast<std::size_t>(piecesize), '\0');
  if (!in.read(piece.data(), piece.size()) || !in.value(repeat) || !in.value(body.partial) || !in.value(bits)) return false;
  body.partialbits = bits;
  body.length = piecesize * repeat;
  body.whole = body.length <= wholelimit;
  body.period = std::max<std::size_t>(1, piece.size());
  body.bytes.clear();
  const std::uint64_t held = body.whole ? body.length : body.period + longestupdate;
  while (body.bytes.size() < held && !piece.empty()) body.bytes += piece;
  return true;
}

void hash(const Functions& f, const Body& body, const Way& way, Fenced& context, Fenced& digest) {
  unsigned char* out = digest.data();
  void* ctx = context.data();
  if (way.oneshot) {
    if (f.abi == Abi::openssl) {
      reinterpret_cast<unsigned char* (*)(const unsigned char*, std::size_t, unsigned char*)>(f.oneshot)(body.at(0), body.length, out);
    } else {
      reinterpret_cast<void (*)(const unsigned char*, std::size_t, unsigned char*)>(f.oneshot)(body.at(0), body.length, out);
    }
    return;
  }
  const auto update = [&](std::uint64_t offset, std::uint64_t count) {
    const auto size = static_cast<std::size_t>(count);
    switch (f.abi) {
      case Abi::openssl: reinterpret_cast<int (*)(void*, const void*, std::size_t)>(f.update)(ctx, body.at(offset), size); break;
      case Abi::nettle: reinterpret_cast<void (*)(void*, std::size_t, const std::uint8_t*)>(f.update)(ctx, size, body.at(offset)); break;
      case Abi::own: reinterpret_cast<void (*)(void*, const unsigned char*, std::size_t)>(f.update)(ctx, body.at(offset), size); break;
    }
  };
  if (f.abi == Abi::openssl) {
    reinterpret_cast<int (*)(void*)>(f.begin)(ctx);
  } else {
    reinterpret_cast<void (*)(void*)>(f.begin)(ctx);
  }
  // The sizes once over (zero-length updates included), then again until the message is given.
  std::uint64_t given = 0;
  const std::size_t count = way.sizes.size();
  for (std::size_t i = 0; i < count || given < body.length; ++i) {
    const std::uint64_t now = std::min(way.sizes[i % count], body.length - given);
    update(given, now);
    given += now;
  }
  switch (f.abi) {
    case Abi::openssl: reinterpret_cast<int (*)(unsigned char*, void*)>(f.end)(out, ctx); break;
    case Abi::nettle: reinterpret_cast<void (*)(void*, std::size_t, std::uint8_t*)>(f.end)(ctx, 20, out); break;
    case Abi::own:
      if (body.partialbits != 0) {
        reinterpret_cast<void (*)(void*, unsigned char, unsigned, unsigned char*)>(f.endbits)(ctx, body.partial, body.partialbits, out);
      } else {
        reinterpret_cast<void (*)(void*, unsigned char*)>(f.end)(ctx, out);
      }
      break;
  }
}

// A crash in the library is told on the answer pipe, then the worker dies of it as it would have.
// The hash of a chain being worked on, for a crash's record.
volatile std::uint64_t chainstep = 0;

extern "C" void crashed(int signal) {
  std::uint8_t record[1 + sizeof(Crash)] = {protocol::crashed};
  const Crash crash{static_cast<std::uint32_t>(signal), chainstep};
  std::memcpy(record + 1, &crash, sizeof crash);
  writeall(answerfd, pending, pendingsize);
  writeall(answerfd, record, sizeof record);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void tellcrashes() {
  // Its own stack, so that a library that overflows the stack is told too.
  static std::unique_ptr<char[]> stack(new char[1 << 16]);
  stack_t alternate{};
  alternate.ss_sp = stack.get();
  alternate.ss_size = 1 << 16;
  ::sigaltstack(&alternate, nullptr);
  struct sigaction action {};
  action.sa_handler = crashed;
  action.sa_flags = static_cast<int>(SA_ONSTACK | SA_RESETHAND);
  for (const int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGSYS, SIGTRAP}) ::sigaction(signal, &action, nullptr);
}

bool hello(std::uint8_t status, const std::string& text) {
  std::string out;
  put(out, status);
  put(out, static_cast<std::uint32_t>(text.size()));
  out += text;
  return writeall(answerfd, out.data(), out.size());
}

// A message of a request and the ways it is to be given.
struct Asked {
  Body body;
  std::vector<Way> ways;
};

bool readasked(Reader& in, Asked& asked) {
  std::uint32_t count = 0;
  if (!readbody(in, asked.body) || !in.value(count)) return false;
  asked.ways.resize(count);
  for (Way& way : asked.ways) {
    std::uint8_t oneshot = 0;
    std::uint32_t sizes = 0;
    if (!in.value(oneshot) || !in.value(sizes) || sizes > (1U << 24)) return false;
    way.oneshot = oneshot != 0;
    way.sizes.resize(sizes);
    if (!in.read(way.sizes.data(), sizes * sizeof(std::uint64_t))) return false;
    // Whole messages only in one call or one update; a repeated one in bounded updates that
    // move on.
    const Body& body = asked.body;
    const bool bounded = std::all_of(way.sizes.begin(), way.sizes.end(), [&](std::uint64_t size) { return body.whole || size <= longestupdate; });
    const bool moves = std::any_of(way.sizes.begin(), way.sizes.end(), [](std::uint64_t size) { return size > 0; });
    if ((way.oneshot && !body.whole) || (!way.oneshot && (!bounded || (!moves && body.length > 0)))) return false;
  }
  return true;
}

// One way's hash, with the guards armed before and read after.
Answer hashfenced(const Functions& f, const Body& body, const Way& way, Fenced& context, Fenced& digest) {
  context.arm();
  digest.arm();
  hash(f, body, way, context, digest);
  Answer told{};
  std::memcpy(told.digest, digest.data(), 20);
  told.digestbefore = digest.before();
  told.digestafter = digest.after();
  told.contextbefore = context.before();
  told.contextafter = context.after();
  return told;
}

bool breached(const Answer& told) { return told.digestbefore + told.digestafter + told.contextbefore + told.contextafter > 0; }

// A batch of messages, each given every way it is asked to be. The request is read whole before
// any of it is hashed, so that the checker, writing it, never waits on answers it is not reading.
bool servemessages(const Functions& f, Reader& in, Fenced& context, Fenced& digest) {
  std::uint32_t messages = 0;
  if (!in.value(messages)) return false;
  std::vector<Asked> request(messages);
  for (Asked& asked : request) {
    if (!readasked(in, asked)) return false;
  }
  for (const Asked& asked : request) {
    for (const Way& way : asked.ways) {
      std::string out;
      put(out, answered);
      put(out, hashfenced(f, asked.body, way, context, digest));
      if (!answer(out)) return false;
    }
  }
  return flush();
}

// A chain, each hash given one way: the last digest, or the first whose guards were breached,
// with the number of its hash.
bool servechain(const Functions& f, Reader& in, Fenced& context, Fenced& digest) {
  Vector vector;
  Body seed;
  std::uint8_t kind = 0, oneshot = 0, fitted = 0;
  std::uint64_t chainbits = 0;
  if (!in.value(kind) || !readbody(in, seed) || !seed.whole || !in.value(vector.iterations) || !in.value(fitted) || !in.value(chainbits) ||
      !in.value(oneshot) || kind > static_cast<std::uint8_t>(Vector::Kind::iterated)) {
    return false;
  }
  vector.kind = static_cast<Vector::Kind>(kind);
  vector.message = seed.bytes;
  vector.partial = seed.partial;
  vector.partialbits = seed.partialbits;
  if (fitted != 0) vector.chainbits = chainbits;
  const Way way{oneshot != 0, {std::numeric_limits<std::uint64_t>::max()}};
  Answer told{};
  std::uint64_t at = 0;
  chains::walk(vector, [&](const Message& message, std::uint64_t step) -> std::optional<basicutilities::Sha1Digest> {
    chainstep = at = step;
    if (step % hashesperalive == hashesperalive - 1 && (!answer(std::string(1, static_cast<char>(alive))) || !flush())) return std::nullopt;
    Body body;
    body.bytes = std::string(message.piece);
    body.length = body.bytes.size();
    body.partial = message.partial;
    body.partialbits = message.partialbits;
    told = hashfenced(f, body, way.oneshot && body.partialbits == 0 ? way : Way{false, way.sizes}, context, digest);
    if (breached(told)) return std::nullopt;
    basicutilities::Sha1Digest made;
    std::memcpy(made.data(), told.digest, 20);
    return made;
  });
  std::string out;
  put(out, answered);
  put(out, told);
  put(out, at);
  return answer(out) && flush();
}

// Answers requests until the checker closes the pipe.
int serve(const Functions& f) {
  Fenced context(f.contextsize), digest(20);
  auto in = std::make_unique<Reader>();
  for (std::uint8_t kind = 0; in->value(kind);) {
    const bool served = kind == protocol::chain ? servechain(f, *in, context, digest) : servemessages(f, *in, context, digest);
    if (!served) return 0;
  }
  return 0;
}

}  // namespace

int libraryworker(int argc, char** argv) {
  if (argc < 5) return 2;
  std::string path = argv[2];
  // A bare name is looked up where the loader looks; one in this folder is meant as it is.
  if (path.find('/') == std::string::npos && std::filesystem::is_regular_file(path)) path = "./" + path;
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return hello(notloaded, std::string("cannot be loaded: ") + ::dlerror()) ? 0 : 1;
  const std::string wanted = argv[3], renames = argv[4];
  std::optional<Functions> functions;
  for (const Abi abi : {Abi::own, Abi::openssl, Abi::nettle}) {
    if (!functions && (wanted == "auto" || wanted == abiname(abi))) functions = resolve(library, abi, renames);
  }
  if (!functions) {
    return hello(notloaded, wanted == "auto" ? "has none of the interfaces sha1vectors knows (openssl, nettle, sha1abi.h); name its functions with --abi and --symbols"
                                             : "does not have the " + wanted + " interface (each of its functions, by name, or as --symbols renames them)")
               ? 0
               : 1;
  }
  std::uint8_t flags = 0;
  if (functions->oneshot != nullptr) flags |= hasoneshot;
  if (functions->abi == Abi::own && functions->endbits != nullptr) flags |= hasbits;
  const Found found{static_cast<std::uint8_t>(functions->abi), flags, functions->contextsize};
  if (!hello(loaded, std::string(reinterpret_cast<const char*>(&found), sizeof found))) return 1;
  tellcrashes();
  return serve(*functions);
}

}  // namespace sha1vectors
