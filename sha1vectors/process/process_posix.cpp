// SPDX-License-Identifier: MIT
#include "sha1vectors/process/process.h"

#include <dlfcn.h>
#include <link.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <numeric>
#include <sstream>
#include <mutex>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

extern char** environ;

namespace sha1vectors::process {
namespace {

// A pipe closed on exec from the start: another thread may start a program at any moment.
bool makepipe(int ends[2]) {
#if defined(__linux__)
  return ::pipe2(ends, O_CLOEXEC) == 0;
#else
  static std::mutex creating;
  const std::lock_guard lock(creating);
  return ::pipe(ends) == 0 && ::fcntl(ends[0], F_SETFD, FD_CLOEXEC) == 0 && ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) == 0;
#endif
}

void closeall(std::vector<int>& fds) {
  for (int& fd : fds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

// The spawn attributes of a child in a group of its own with default signal handling.
void owngroup(posix_spawnattr_t& attributes) {
  sigset_t none, pipe;
  sigemptyset(&none);
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setsigdefault(&attributes, &pipe);
  ::posix_spawnattr_setpgroup(&attributes, 0);
  ::posix_spawnattr_setflags(&attributes, static_cast<short>(POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
}

// Sets slot up for a child: the descriptor it gets (theirs, moved to floor or above) and our end of
// a pipe (ours, not blocking). False when a pipe cannot be made.
bool setup(const Slot& slot, int floor, posix_spawn_file_actions_t& actions, int& theirs, int& ours) {
  const auto above = [floor](int fd) { return fd < 0 ? fd : ::fcntl(fd, F_DUPFD_CLOEXEC, floor); };
  if (slot.flow == Slot::Flow::null) {
    ::posix_spawn_file_actions_addopen(&actions, slot.fd, "/dev/null", O_RDWR, 0);
    return true;
  }
  if (slot.flow == Slot::Flow::handed) {
    theirs = above(slot.given);
  } else if (int ends[2]; makepipe(ends)) {
    const bool tochild = slot.flow == Slot::Flow::tochild;
    theirs = above(tochild ? ends[0] : ends[1]);
    ::close(tochild ? ends[0] : ends[1]);
    ours = tochild ? ends[1] : ends[0];
    ::fcntl(ours, F_SETFL, O_NONBLOCK);
  }
  if (theirs >= 0) ::posix_spawn_file_actions_adddup2(&actions, theirs, slot.fd);
  return theirs >= 0 || (slot.flow == Slot::Flow::handed && slot.given < 0);
}

}  // namespace

SharedMemory::SharedMemory(std::size_t size) : size_(size) {
#if defined(__linux__)
  fd_ = ::memfd_create("sha1vectors", MFD_CLOEXEC);
#endif
  if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0) return;
  void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (mapped != MAP_FAILED) data_ = mapped;
}

SharedMemory::~SharedMemory() {
  if (data_ != nullptr) ::munmap(data_, size_);
  if (fd_ >= 0) ::close(fd_);
}

void* mapshared(int fd, std::size_t size) {
  void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return mapped == MAP_FAILED ? nullptr : mapped;
}

namespace {

// The unit mapped again and again: whole pages and whole pieces, about a mebibyte.
std::size_t repeatunit(std::size_t piecesize) {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t both = std::lcm(piecesize, page);
  return both > (std::size_t{1} << 20) ? 0 : both * ((std::size_t{1} << 20) / both);
}

}  // namespace

bool repeatable(std::size_t piecesize) { return piecesize > 0 && repeatunit(piecesize) > 0; }

Repeated::Repeated(std::string_view piece, std::uint64_t size) : size_(size) {
  const std::size_t unit = repeatable(piece.size()) ? repeatunit(piece.size()) : 0;
  if (unit == 0 || size > std::numeric_limits<std::size_t>::max() - unit) return;
  int fd = -1;
#if defined(__linux__)
  fd = ::memfd_create("sha1vectors-repeated", MFD_CLOEXEC);
#endif
  if (fd < 0) return;
  std::string tile;
  while (tile.size() < unit) tile += piece;
  const bool filled = ::ftruncate(fd, static_cast<off_t>(unit)) == 0 && ::pwrite(fd, tile.data(), unit, 0) == static_cast<ssize_t>(unit);
  reserved_ = (size + unit - 1) / unit * unit;
  void* area = filled ? ::mmap(nullptr, static_cast<std::size_t>(reserved_), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0) : MAP_FAILED;
  bool mapped = area != MAP_FAILED;
  for (std::uint64_t at = 0; mapped && at < reserved_; at += unit) {
    mapped = ::mmap(static_cast<char*>(area) + at, unit, PROT_READ, MAP_SHARED | MAP_FIXED, fd, 0) != MAP_FAILED;
  }
  ::close(fd);
  if (mapped) {
    area_ = area;
  } else if (area != MAP_FAILED) {
    ::munmap(area, static_cast<std::size_t>(reserved_));
  }
}

Repeated::~Repeated() {
  if (area_ != nullptr) ::munmap(area_, static_cast<std::size_t>(reserved_));
}

std::string signalname(int signal) {
  const char* abbreviation = ::sigabbrev_np(signal);
  const char* description = ::sigdescr_np(signal);
  return "signal " + std::to_string(signal) + (abbreviation != nullptr ? std::string(" (SIG") + abbreviation + ", " + description + ")" : "");
}

bool crashcode(std::uint32_t code) { return code > 0 && code <= 64; }

Child::Child() = default;

bool Child::running() const { return pid_ > 0; }

Child::~Child() {
  if (running()) end();
  closeall(ends_);
}

std::optional<std::string> Child::start(const Launch& launch) {
  std::vector<int> theirs(launch.slots.size(), -1);
  ends_.assign(launch.slots.size(), -1);
  flows_.clear();
  for (const Slot& slot : launch.slots) flows_.push_back(slot.flow);
  const auto fail = [&](const std::string& problem) {
    closeall(theirs);
    closeall(ends_);
    return problem;
  };
  // What the child is given is first moved above every descriptor it is given as, so that setting
  // one up never overwrites another not yet set up (and none is its own target, which would keep
  // its close-on-exec).
  int floor = 0;
  for (const Slot& slot : launch.slots) floor = std::max(floor, slot.fd + 1);
  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  for (std::size_t i = 0; i < launch.slots.size(); ++i) {
    if (!setup(launch.slots[i], floor, actions, theirs[i], ends_[i])) {
      ::posix_spawn_file_actions_destroy(&actions);
      return fail(std::string("cannot make a pipe: ") + std::strerror(errno));
    }
  }
  // Nothing else of ours reaches the child, not even what was handed to us without close-on-exec
  // (a worker's own pipes, which a program it starts must not hold open). Standard error stays.
  ::posix_spawn_file_actions_addclosefrom_np(&actions, std::max(floor, 3));
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  if (launch.owngroup) owngroup(attributes);
  std::vector<char*> argv;
  for (const std::string& word : launch.words) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error = launch.searchpath ? ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ)
                                    : ::posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return fail("cannot start " + launch.words[0] + ": " + std::strerror(error));
  closeall(theirs);
  pid_ = pid;
  group_ = launch.owngroup;
  return std::nullopt;
}

std::ptrdiff_t Child::read(std::size_t slot, char* data, std::size_t size) {
  const ssize_t n = ::read(ends_[slot], data, size);
  if (n > 0) return n;
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  close(slot);
  return -1;
}

std::ptrdiff_t Child::write(std::size_t slot, const char* data, std::size_t size) {
  const ssize_t n = ::write(ends_[slot], data, size);
  if (n >= 0) return n;
  if (errno == EAGAIN || errno == EINTR) return 0;
  close(slot);  // the child stopped reading (EPIPE)
  return -1;
}

bool Child::writeall(std::size_t slot, std::string_view data) {
  while (!data.empty()) {
    const std::ptrdiff_t n = write(slot, data.data(), data.size());
    if (n < 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
    if (n == 0) {
      pollfd watched{ends_[slot], POLLOUT, 0};
      ::poll(&watched, 1, -1);
    }
  }
  return true;
}

void Child::close(std::size_t slot) {
  if (ends_[slot] >= 0) ::close(ends_[slot]);
  ends_[slot] = -1;
}

bool Child::open(std::size_t slot) const { return ends_[slot] >= 0; }

std::vector<bool> Child::wait(std::chrono::milliseconds timeout, std::initializer_list<std::size_t> slots) {
  std::vector<pollfd> watched;
  for (const std::size_t slot : slots) {
    // A closed end is passed over by poll (a negative descriptor).
    watched.push_back({ends_[slot], static_cast<short>(flows_[slot] == Slot::Flow::tochild ? POLLOUT : POLLIN), 0});
  }
  std::vector<bool> ready(ends_.size(), false);
  const int count = ::poll(watched.data(), static_cast<nfds_t>(watched.size()), static_cast<int>(std::max<std::int64_t>(0, timeout.count())));
  std::size_t i = 0;
  for (const std::size_t slot : slots) ready[slot] = count > 0 && watched[i++].revents != 0;
  return ready;
}

bool Child::exited() const {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid_;
}

namespace {

#if defined(__linux__)
// Adds the threads of process pid to usage: each thread's schedstat gives its time on a processor
// and its time waiting on a run queue, in nanoseconds.
void addthreads(const std::string& pid, Child::Usage& usage) {
  std::error_code error;
  for (const auto& thread : std::filesystem::directory_iterator("/proc/" + pid + "/task", error)) {
    std::ifstream stat(thread.path() / "schedstat");
    long long running = 0, waiting = 0;
    if (stat >> running >> waiting) {
      usage.running += std::chrono::nanoseconds(running);
      usage.waiting += std::chrono::nanoseconds(waiting);
    }
  }
}

// The process group of pid, from /proc/pid/stat (after the command's name, which may hold blanks
// and brackets: its fifth field).
long processgroup(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/stat");
  const std::string stat((std::istreambuf_iterator<char>(in)), {});
  const std::size_t named = stat.rfind(')');
  if (named == std::string::npos) return -1;
  std::istringstream fields(stat.substr(named + 1));
  std::string state;
  long parent = 0, group = -1;
  fields >> state >> parent >> group;
  return group;
}
#endif

}  // namespace

std::optional<Child::Usage> Child::usage() const {
#if defined(__linux__)
  if (!running()) return std::nullopt;
  Usage usage;
  if (!group_) {
    addthreads(std::to_string(pid_), usage);
    return usage;
  }
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") == std::string::npos && processgroup(name) == pid_) addthreads(name, usage);
  }
  return usage;
#else
  return std::nullopt;
#endif
}

Ending Child::end() {
  if (!running()) return {};
  ::kill(group_ ? -pid_ : pid_, SIGKILL);
  int status = 0;
  pid_t reaped = 0;
  while ((reaped = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
  }
  const bool ours = reaped == pid_;
  pid_ = -1;
  if (!ours) return {};
  if (WIFSIGNALED(status)) return {Ending::Kind::signalled, WTERMSIG(status)};
  return {Ending::Kind::exited, WEXITSTATUS(status)};
}

std::optional<std::string> privatefolder(std::string_view prefix, std::string& problem) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string pattern = std::string(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp") + "/" + std::string(prefix) + "-XXXXXX";
  if (::mkdtemp(pattern.data()) != nullptr) return pattern;
  problem = "cannot make a temporary folder " + pattern + ": " + std::strerror(errno);
  return std::nullopt;
}

std::optional<std::string> writefile(const std::string& name, std::uint64_t size,
                                     const std::function<bool(const std::function<bool(std::string_view)>&)>& chunks) {
  // Written over and then cut to size, not emptied first: ext4 flushes a file emptied and written
  // again when it is closed.
  const int file = ::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (file < 0) return "cannot make the temporary file " + name + ": " + std::strerror(errno);
  int error = 0;
  chunks([&](std::string_view bytes) {
    while (!bytes.empty() && error == 0) {
      const ssize_t n = ::write(file, bytes.data(), bytes.size());
      if (n >= 0) bytes.remove_prefix(static_cast<std::size_t>(n));
      if (n < 0 && errno != EINTR) error = errno;
    }
    return error == 0;
  });
  if (error == 0 && ::ftruncate(file, static_cast<off_t>(size)) != 0) error = errno;
  if (::close(file) != 0 && error == 0) error = errno;
  if (error != 0) return "cannot write the temporary file " + name + ": " + std::strerror(error);
  return std::nullopt;
}

bool findprogram(const std::string& program) {
  const auto runnable = [](const std::string& path) { return ::access(path.c_str(), X_OK) == 0 && !std::filesystem::is_directory(path); };
  if (program.find('/') != std::string::npos) return runnable(program);
  const char* path = std::getenv("PATH");
  const std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
  for (std::size_t at = 0; at <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', at), folders.size());
    const std::string folder(folders.substr(at, end - at));
    if (runnable((folder.empty() ? "." : folder) + "/" + program)) return true;
    at = end + 1;
  }
  return false;
}

std::size_t argumentsthatfit(const std::vector<std::string>& words, std::size_t argumentbytes) {
  // With the headroom POSIX asks for.
  const long argmax = ::sysconf(_SC_ARG_MAX);
  std::size_t used = 2048;
  for (char** variable = environ; *variable != nullptr; ++variable) used += std::strlen(*variable) + 1 + sizeof(char*);
  for (const std::string& word : words) used += word.size() + 1 + sizeof(char*);
  const std::size_t room = argmax > 0 && static_cast<std::size_t>(argmax) > used ? static_cast<std::size_t>(argmax) - used : 0;
  return room / (argumentbytes + 1 + sizeof(char*));
}

std::vector<std::string> arguments(int argc, char** argv) { return {argv, argv + argc}; }

long selfid() { return static_cast<long>(::getpid()); }

std::string selfpath(const std::string& fallback) {
  std::error_code error;
  const std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
  return error ? fallback : path;
}

std::ptrdiff_t readsome(int fd, void* data, std::size_t size) {
  ssize_t n = 0;
  while ((n = ::read(fd, data, size)) < 0 && errno == EINTR) {
  }
  return n;
}

bool writeall(int fd, const void* data, std::size_t size) {
  const auto* at = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, at, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void* loadlibrary(std::string path, std::string& problem) {
  // A bare name is the loader's to look up, unless it is here; here, it must be a file.
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (path.find('/') == std::string::npos && std::filesystem::exists(status)) {
    path = "./" + path;
    if (std::filesystem::is_directory(status)) problem = path + " is a folder, not a library";
    if (!std::filesystem::is_directory(status) && !std::filesystem::is_regular_file(status)) problem = path + " is not a regular file";
    if (!problem.empty()) return nullptr;
  }
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) problem = ::dlerror();
  return library;
}

void* findsymbol(void* library, const std::string& name) { return ::dlsym(library, name.c_str()); }

std::optional<std::string> definedelsewhere(void* library, const void* symbol) {
  Dl_info info{};
  link_map* map = nullptr;
  if (::dladdr(symbol, &info) == 0 || info.dli_fname == nullptr || ::dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return std::nullopt;
  // Compared as files: the loader may name one file by several paths.
  struct stat defining {}, named {};
  if (::stat(info.dli_fname, &defining) != 0 || ::stat(map->l_name, &named) != 0) return std::nullopt;
  if (defining.st_dev == named.st_dev && defining.st_ino == named.st_ino) return std::nullopt;
  return std::string(info.dli_fname);
}

std::string libraryfile(void* library) {
  link_map* map = nullptr;
  if (::dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) return {};
  return map->l_name;
}

namespace {

void (*crashhandler)(int) = nullptr;

extern "C" void crashed(int signal) {
  if (crashhandler != nullptr) crashhandler(signal);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void oncrash(void (*tell)(int)) {
  crashhandler = tell;
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

void ignorebrokenpipes() { ::signal(SIGPIPE, SIG_IGN); }

void onstopsignals(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ}) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) ::sigaction(signal, &action, nullptr);
  }
}

bool terminal(std::FILE* file) { return ::isatty(::fileno(file)) != 0; }

bool isstandardoutput(const std::string& path) {
  struct stat named {}, output {};
  return ::stat(path.c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &output) == 0 && named.st_dev == output.st_dev && named.st_ino == output.st_ino;
}

Adopter::Adopter() {
#if defined(__linux__)
  int before = 0;
  ::prctl(PR_GET_CHILD_SUBREAPER, &before);
  was_ = before != 0;
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
}

Adopter::~Adopter() {
#if defined(__linux__)
  if (!was_) ::prctl(PR_SET_CHILD_SUBREAPER, 0);
#endif
}

void Adopter::endstrays() {
#if defined(__linux__)
  // Ending a stray can hand its own children to this process: again until none is found.
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

}  // namespace sha1vectors::process
