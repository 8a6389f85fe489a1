// SPDX-License-Identifier: MIT
// Child processes and the little else of the operating system that running an implementation
// needs: start a program with chosen pipes, wait on them with a deadline, end it (and its group),
// reap it and say how it ended; private folders and files for messages; strays adopted and ended.
// One source a platform: process_posix.cpp and process_windows.cpp.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <condition_variable>
#include <memory>
#include <mutex>
#endif

namespace sha1vectors::process {

// "signal 11 (SIGSEGV, Segmentation fault)"; on Windows, where a crash is an exception code,
// "exception 0xC0000005 (EXCEPTION_ACCESS_VIOLATION, ...)".
std::string signalname(int signal);
// Whether code can be what a crash is told by: a signal's number, or an exception code.
bool crashcode(std::uint32_t code);

// How a child ended.
struct Ending {
  enum class Kind { exited, signalled, unknown } kind = Kind::unknown;
  int code = 0;  // the exit status, or the signal's number
};

// One of the child's descriptors: a pipe it reads from (we write), one it writes to (we read), the
// null device, or a descriptor of ours handed over (given).
struct Slot {
  enum class Flow { tochild, fromchild, null, handed };
  int fd;
  Flow flow;
  int given = -1;
};

// Memory this process shares with a child it starts, handed over as a descriptor (a Slot of flow
// handed); nothing is shared when it cannot be made.
class SharedMemory {
 public:
  explicit SharedMemory(std::size_t size);
  ~SharedMemory();
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;
  void* data() const { return data_; }
  int descriptor() const { return fd_; }

 private:
  std::size_t size_;
  int fd_ = -1;
  void* data_ = nullptr;
};
// The child's side: the memory behind descriptor fd, or nullptr.
void* mapshared(int fd, std::size_t size);

// A piece repeated to size bytes in one read-only stretch of memory, which costs only the piece's
// pages however long it is: the same pages mapped again and again. Empty when the system cannot
// (no room for so many mappings, or a piece whose repeats do not meet page edges every mebibyte).
class Repeated {
 public:
  Repeated(std::string_view piece, std::uint64_t size);
  ~Repeated();
  Repeated(const Repeated&) = delete;
  Repeated& operator=(const Repeated&) = delete;
  std::string_view bytes() const { return {static_cast<const char*>(area_), area_ == nullptr ? 0 : static_cast<std::size_t>(size_)}; }

 private:
  std::uint64_t size_, reserved_ = 0;
#if defined(_WIN32)
  std::size_t unit_ = 0;  // the views' size, each unmapped on its own
#endif
  void* area_ = nullptr;
};
// Whether a piece of this size can be so repeated.
bool repeatable(std::size_t piecesize);

// What to start, and how.
struct Launch {
  std::vector<std::string> words;  // the program and its arguments
  bool searchpath = false;         // the program is looked up in PATH (else it is a path)
  // A process group of its own with default signal handling (an ignored SIGPIPE would be
  // inherited through exec): ending it ends the whole group, background jobs included.
  bool owngroup = false;
  std::vector<Slot> slots;  // only these reach the child, whatever other threads open meanwhile
};

class Child {
 public:
  Child();
  // A child still running is killed and reaped.
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // Starts launch; the reason when it cannot. Our ends of the pipes do not block.
  std::optional<std::string> start(const Launch& launch);
  bool running() const;

  // What our end of slot i transferred: some bytes, none for now, or the end (closed, or an error).
  // Reading or writing the end closes our end.
  std::ptrdiff_t read(std::size_t slot, char* data, std::size_t size);
  std::ptrdiff_t write(std::size_t slot, const char* data, std::size_t size);
  // Writes all of data, waiting as long as it takes; false when the child stopped reading.
  bool writeall(std::size_t slot, std::string_view data);
  void close(std::size_t slot);
  bool open(std::size_t slot) const;
  // Waits up to timeout for any of slots still open to be ready (readable, writable or closed at
  // the other side); which are, by slot (none when the time passed or a signal came).
  std::vector<bool> wait(std::chrono::milliseconds timeout, std::initializer_list<std::size_t> slots);

  // Whether it has exited (or died), left unreaped so that its group stays reserved.
  bool exited() const;
  // Its time so far, summed over the threads of its process group (or of itself, without a group
  // of its own): running on a processor, and waiting, runnable, for one that others held. Nothing
  // where the system does not tell.
  struct Usage {
    std::chrono::nanoseconds running{}, waiting{};
  };
  std::optional<Usage> usage() const;
  // Ends it (its group, when it has one) and reaps it.
  Ending end();

#if defined(_WIN32)
  struct End;  // our end of a pipe, which a thread of its own makes waitable

 private:
  void* process_ = nullptr;
  void* job_ = nullptr;
  std::vector<std::unique_ptr<End>> ends_;  // ours, by slot; none for a slot with no pipe
  mutable std::mutex lock_;                 // over ends_' buffers, which their threads fill and drain
  std::condition_variable changed_;
#else

 private:
  int pid_ = -1;
  bool group_ = false;
  std::vector<int> ends_;  // ours, by slot; -1 closed or none
#endif
  std::vector<Slot::Flow> flows_;
};

// A file's name as this program holds it (UTF-8) and as the file system takes it, both ways: on
// Windows a std::string path would be read in the ANSI code page, which cannot name every file.
inline std::filesystem::path filepath(const std::string& name) {
#if defined(_WIN32)
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
#else
  return name;
#endif
}
inline std::string filename(const std::filesystem::path& path) {
#if defined(_WIN32)
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
#else
  return path.string();
#endif
}
// This program's arguments in UTF-8 (on Windows, from the wide command line, which holds names
// outside the ANSI code page; standard output then takes UTF-8 too).
std::vector<std::string> arguments(int argc, char** argv);

// A folder private to this user in the temporary folder ($TMPDIR), made anew; its path, or the
// reason in problem.
std::optional<std::string> privatefolder(std::string_view prefix, std::string& problem);
// Writes the chunks fn gives to the file name (made private to this user, or an old file of ours
// overwritten and cut to size); the reason when it cannot.
std::optional<std::string> writefile(const std::string& name, std::uint64_t size,
                                     const std::function<bool(const std::function<bool(std::string_view)>&)>& chunks);
// Whether program (a path, or a name looked up in PATH) can be started.
bool findprogram(const std::string& program);
// How many more arguments of up to argumentbytes fit on a command line beside words and the
// environment.
std::size_t argumentsthatfit(const std::vector<std::string>& words, std::size_t argumentbytes);
// This process's number, for names no other process of ours uses.
long selfid();
// The path this program runs from, for starting it again; fallback when it cannot be told.
std::string selfpath(const std::string& fallback);

// The worker's side of its pipes: reads up to size bytes, waiting for some (0 at the end, -1 on an
// error); writes all of size bytes (safe in a signal handler).
std::ptrdiff_t readsome(int fd, void* data, std::size_t size);
bool writeall(int fd, const void* data, std::size_t size);

// A shared library loaded into this process, nothing (with the loader's reason in problem) when it
// cannot be; a bare name in the current folder is that file, another is looked up as the loader
// does. Never unloaded.
void* loadlibrary(std::string path, std::string& problem);
void* findsymbol(void* library, const std::string& name);
// The file that defines symbol (found through library) when it is not library's own file but one
// of the libraries it depends on; nothing when it is its own, or when the system cannot tell.
std::optional<std::string> definedelsewhere(void* library, const void* symbol);
// The file the loader loaded for library; empty when it cannot tell.
std::string libraryfile(void* library);

// For the library worker: a crash (a fault, an illegal instruction, an abort) calls tell with the
// signal or exception code, on a stack of its own, then ends this process as the crash would have.
void oncrash(void (*tell)(int));

// Process-wide policy, for a program's main(): a write to a pipe whose reader has gone fails
// instead of ending the program; every signal whose default ends the program (but one ignored
// already, as nohup ignores SIGHUP) calls handler instead, also when it comes twice (to the process
// and to its group), so that the program can tidy up.
void ignorebrokenpipes();
void onstopsignals(void (*handler)(int));
// Whether file is a terminal.
bool terminal(std::FILE* file);
// Whether path names what this program's standard output goes to (/dev/stdout, or the file that
// output was sent to).
bool isstandardoutput(const std::string& path);

// While it lives, children that started programs leave behind (outside their groups) become ours
// (Linux's child subreaper); endstrays ends and reaps those.
class Adopter {
 public:
  Adopter();
  ~Adopter();
  Adopter(const Adopter&) = delete;
  Adopter& operator=(const Adopter&) = delete;
  // Ends every child of ours outside our own process group; children we started in our group are
  // left alone.
  void endstrays();

 private:
  bool was_ = false;
};

}  // namespace sha1vectors::process
