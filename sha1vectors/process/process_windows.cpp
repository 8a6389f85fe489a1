// SPDX-License-Identifier: MIT
// The process layer on Windows. A child gets only the handles of its slots (a handle list), as the
// C runtime's descriptors (the table it reads at start-up, as _spawn passes it), in a job object
// of its own that ends whatever it started. Anonymous pipes cannot be waited on, so each of our
// ends has a thread that moves bytes between the pipe and a bounded buffer, which wait() watches.
#include "sha1vectors/process/process.h"

#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <numeric>
#include <random>
#include <thread>

namespace sha1vectors::process {
namespace {

std::wstring wide(std::string_view text) {
  if (text.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

std::string narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// The system's words for error, without the line break it ends them with.
std::string errortext(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD size = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string said = size > 0 ? narrow({text, size}) : "error " + std::to_string(error);
  ::LocalFree(text);
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == ' ' || said.back() == '.')) said.pop_back();
  return said;
}

HANDLE handleof(int fd) { return reinterpret_cast<HANDLE>(::_get_osfhandle(fd)); }

// The file a module (this program: nullptr) was loaded from, however long its path; empty when the
// system cannot tell.
std::wstring modulepath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return path.substr(0, n);
    path.resize(path.size() * 2);
  }
}

// One word of a command line, quoted so that the C runtime's parser (CommandLineToArgvW's rules)
// gives it back unchanged.
std::wstring quoted(const std::wstring& word) {
  if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) return word;
  std::wstring out = L"\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t backslashes = 0;
    for (; i < word.size() && word[i] == L'\\'; ++i) ++backslashes;
    if (i == word.size()) {
      out.append(2 * backslashes, L'\\');
      break;
    }
    out.append(word[i] == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    out += word[i];
  }
  return out + L"\"";
}

std::wstring commandline(const std::vector<std::string>& words) {
  std::wstring line;
  for (const std::string& word : words) line += (line.empty() ? L"" : L" ") + quoted(wide(word));
  return line;
}

bool isfile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// The program a word names: a path as it stands (or with one of PATHEXT's extensions), a bare name
// looked up in this program's folder, the current one and PATH, as the system's own search does,
// each with PATHEXT's extensions tried where it has none.
std::optional<std::filesystem::path> resolve(const std::string& program) {
  const char* pathext = std::getenv("PATHEXT");
  std::vector<std::wstring> extensions{L""};
  const std::wstring exts = wide(pathext != nullptr && *pathext != '\0' ? pathext : ".COM;.EXE;.BAT;.CMD");
  for (std::size_t at = 0; at <= exts.size();) {
    const std::size_t end = std::min(exts.find(L';', at), exts.size());
    if (end > at) extensions.push_back(exts.substr(at, end - at));
    at = end + 1;
  }
  const auto withextension = [&](const std::filesystem::path& path) -> std::optional<std::filesystem::path> {
    for (const std::wstring& extension : extensions) {
      if (extension.empty() && !path.has_extension()) continue;
      std::filesystem::path candidate = path;
      candidate += extension;
      if (isfile(candidate)) return candidate;
    }
    return std::nullopt;
  };
  const std::filesystem::path named(wide(program));
  if (program.find_first_of("/\\:") != std::string::npos) return withextension(named);
  std::vector<std::wstring> folders;
  if (const std::wstring self = modulepath(nullptr); !self.empty()) folders.push_back(std::filesystem::path(self).parent_path().wstring());
  folders.push_back(L".");
  const DWORD size = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
  std::wstring path(size, L'\0');
  path.resize(::GetEnvironmentVariableW(L"PATH", path.data(), size));
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t end = std::min(path.find(L';', at), path.size());
    if (end > at) folders.push_back(path.substr(at, end - at));
    at = end + 1;
  }
  for (const std::wstring& folder : folders) {
    if (auto found = withextension(std::filesystem::path(folder) / named)) return found;
  }
  return std::nullopt;
}

// The unit of a repeated stretch: whole allocation granules and whole pieces, about a mebibyte.
std::size_t repeatunit(std::size_t piecesize) {
  SYSTEM_INFO info;
  ::GetSystemInfo(&info);
  const std::size_t both = std::lcm(piecesize, std::size_t{info.dwAllocationGranularity});
  return both > (std::size_t{1} << 20) ? 0 : both * ((std::size_t{1} << 20) / both);
}

}  // namespace

std::string signalname(int signal) {
  static const struct {
    DWORD code;
    const char* name;
  } known[] = {{EXCEPTION_ACCESS_VIOLATION, "EXCEPTION_ACCESS_VIOLATION, an access violation"},
               {EXCEPTION_STACK_OVERFLOW, "EXCEPTION_STACK_OVERFLOW, a stack overflow"},
               {EXCEPTION_ILLEGAL_INSTRUCTION, "EXCEPTION_ILLEGAL_INSTRUCTION, an illegal instruction"},
               {EXCEPTION_INT_DIVIDE_BY_ZERO, "EXCEPTION_INT_DIVIDE_BY_ZERO, an integer division by zero"},
               {EXCEPTION_IN_PAGE_ERROR, "EXCEPTION_IN_PAGE_ERROR, a page that could not be read in"},
               {EXCEPTION_BREAKPOINT, "EXCEPTION_BREAKPOINT, a breakpoint"},
               {EXCEPTION_PRIV_INSTRUCTION, "EXCEPTION_PRIV_INSTRUCTION, a privileged instruction"},
               {STATUS_HEAP_CORRUPTION, "STATUS_HEAP_CORRUPTION, a corrupted heap"},
               {STATUS_STACK_BUFFER_OVERRUN, "STATUS_STACK_BUFFER_OVERRUN, a fast fail (abort, or a guard that found damage)"},
               {STATUS_CONTROL_C_EXIT, "STATUS_CONTROL_C_EXIT, ended by Ctrl+C"}};
  const auto code = static_cast<DWORD>(signal);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
  for (const auto& entry : known) {
    if (entry.code == code) return std::string("exception ") + hex + " (" + entry.name + ")";
  }
  return std::string("exception ") + hex;
}

// Warnings (0x8...) and errors (0xC...), as the system raises them.
bool crashcode(std::uint32_t code) { return (code >> 30) >= 2; }

SharedMemory::SharedMemory(std::size_t size) : size_(size) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const auto high = static_cast<DWORD>(static_cast<std::uint64_t>(size) >> 32), low = static_cast<DWORD>(size);
  HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, high, low, nullptr);
  if (mapping == nullptr) return;
  fd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(mapping), 0);
  if (fd_ < 0) {
    ::CloseHandle(mapping);
    return;
  }
  data_ = ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
}

SharedMemory::~SharedMemory() {
  if (data_ != nullptr) ::UnmapViewOfFile(data_);
  if (fd_ >= 0) ::_close(fd_);
}

void* mapshared(int fd, std::size_t size) {
  HANDLE mapping = handleof(fd);
  return mapping == INVALID_HANDLE_VALUE ? nullptr : ::MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, size);
}

bool repeatable(std::size_t piecesize) { return piecesize > 0 && repeatunit(piecesize) > 0; }

Repeated::Repeated(std::string_view piece, std::uint64_t size) : size_(size) {
  const std::size_t unit = repeatable(piece.size()) ? repeatunit(piece.size()) : 0;
  if (unit == 0 || size > std::numeric_limits<std::size_t>::max() - unit) return;
  HANDLE mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(unit), nullptr);
  if (mapping == nullptr) return;
  if (void* tile = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, unit)) {
    for (std::size_t at = 0; at < unit; at += piece.size()) std::memcpy(static_cast<char*>(tile) + at, piece.data(), piece.size());
    ::UnmapViewOfFile(tile);
  }
  reserved_ = (size + unit - 1) / unit * unit;
  // A stretch is found free, let go, and filled with views: another thread may take part of it
  // meanwhile, so a few tries.
  for (int attempt = 0; attempt < 4 && area_ == nullptr; ++attempt) {
    void* area = ::VirtualAlloc(nullptr, static_cast<std::size_t>(reserved_), MEM_RESERVE, PAGE_NOACCESS);
    if (area == nullptr) break;
    ::VirtualFree(area, 0, MEM_RELEASE);
    std::uint64_t at = 0;
    for (; at < reserved_; at += unit) {
      if (::MapViewOfFileEx(mapping, FILE_MAP_READ, 0, 0, unit, static_cast<char*>(area) + at) == nullptr) break;
    }
    if (at == reserved_) {
      area_ = area;
      unit_ = unit;
    } else {
      for (std::uint64_t back = 0; back < at; back += unit) ::UnmapViewOfFile(static_cast<char*>(area) + back);
    }
  }
  ::CloseHandle(mapping);  // the views keep it
}

Repeated::~Repeated() {
  if (area_ == nullptr) return;
  for (std::uint64_t at = 0; at < reserved_; at += unit_) ::UnmapViewOfFile(static_cast<char*>(area_) + at);
}

// Our end of one of the child's pipes: a thread moves bytes between it and a bounded buffer.
struct Child::End {
  static constexpr std::size_t capacity = 1 << 20;
  HANDLE pipe = INVALID_HANDLE_VALUE;
  bool tochild = false;
  std::string buffer;  // read and not taken, or given and not written
  bool finished = false;  // the pipe's other side closed (or failed)
  bool closing = false;   // ours: write what is left, then close
  HANDLE thread = nullptr;  // the mover's, for cancelling a read it waits in
  std::thread mover;
};

namespace {

void movebytes(Child::End& end, std::mutex& lock, std::condition_variable& changed) {
  std::vector<char> chunk(1 << 16);
  {
    const std::lock_guard held(lock);
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &end.thread, 0, FALSE, DUPLICATE_SAME_ACCESS);
  }
  for (;;) {
    std::unique_lock held(lock);
    if (end.tochild) {
      changed.wait(held, [&] { return !end.buffer.empty() || end.closing; });
      if (end.buffer.empty()) break;
      const std::size_t size = std::min(end.buffer.size(), chunk.size());
      std::memcpy(chunk.data(), end.buffer.data(), size);
      held.unlock();
      DWORD written = 0;
      const bool ok = ::WriteFile(end.pipe, chunk.data(), static_cast<DWORD>(size), &written, nullptr) != 0;
      held.lock();
      end.buffer.erase(0, written);
      if (!ok) break;
    } else {
      changed.wait(held, [&] { return end.buffer.size() < Child::End::capacity || end.closing; });
      if (end.closing) break;
      held.unlock();
      DWORD got = 0;
      const bool ok = ::ReadFile(end.pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) != 0 && got > 0;
      held.lock();
      if (!ok) break;
      end.buffer.append(chunk.data(), got);
    }
    changed.notify_all();
  }
  std::unique_lock held(lock);
  end.finished = true;
  ::CloseHandle(end.pipe);
  end.pipe = INVALID_HANDLE_VALUE;
  changed.notify_all();
}

// The handle the child gets for slot (inheritable; nullptr for none, INVALID_HANDLE_VALUE when it
// cannot be made), and for a pipe our end of it.
HANDLE childhandle(const Slot& slot, std::unique_ptr<Child::End>& ours) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (slot.flow == Slot::Flow::null) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    return ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr);
  }
  if (slot.flow == Slot::Flow::handed) {
    if (slot.given < 0) return nullptr;
    const BOOL made = ::DuplicateHandle(::GetCurrentProcess(), handleof(slot.given), ::GetCurrentProcess(), &handle, 0, TRUE, DUPLICATE_SAME_ACCESS);
    return made != 0 ? handle : INVALID_HANDLE_VALUE;
  }
  HANDLE read = nullptr, write = nullptr;
  if (::CreatePipe(&read, &write, nullptr, 1 << 16) == 0) return INVALID_HANDLE_VALUE;
  const bool tochild = slot.flow == Slot::Flow::tochild;
  handle = tochild ? read : write;
  ::SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  ours = std::make_unique<Child::End>();
  ours->pipe = tochild ? write : read;
  ours->tochild = tochild;
  return handle;
}

// The descriptor table a child's C runtime reads at start-up (as _spawn passes it): a count, a
// flag byte each (FOPEN, and FPIPE or FDEV as the runtime marks them itself), a handle each.
std::vector<BYTE> descriptortable(const std::vector<HANDLE>& theirs) {
  const int count = static_cast<int>(theirs.size());
  std::vector<BYTE> table(sizeof(int) + theirs.size() * (1 + sizeof(HANDLE)), 0);
  std::memcpy(table.data(), &count, sizeof count);
  for (std::size_t i = 0; i < theirs.size(); ++i) {
    const DWORD type = theirs[i] == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : ::GetFileType(theirs[i]);
    table[sizeof(int) + i] = theirs[i] == INVALID_HANDLE_VALUE ? 0 : static_cast<BYTE>(0x01 | (type == FILE_TYPE_PIPE ? 0x08 : type == FILE_TYPE_CHAR ? 0x40 : 0));
    std::memcpy(table.data() + sizeof(int) + theirs.size() + i * sizeof(HANDLE), &theirs[i], sizeof(HANDLE));
  }
  return table;
}

}  // namespace

Child::Child() = default;

Child::~Child() {
  if (running()) end();
  for (std::size_t slot = 0; slot < ends_.size(); ++slot) close(slot);
  // A process outside the job (one that broke away) may still hold a pipe: its mover's call is
  // cancelled until it gives up, which a cancel made just before the call begins would miss.
  for (auto& end : ends_) {
    if (!end || !end->mover.joinable()) continue;
    std::unique_lock held(lock_);
    while (!end->finished) {
      if (end->thread != nullptr) ::CancelSynchronousIo(end->thread);
      changed_.wait_for(held, std::chrono::milliseconds(10));
    }
    held.unlock();
    end->mover.join();
    if (end->thread != nullptr) ::CloseHandle(end->thread);
  }
  if (job_ != nullptr) ::CloseHandle(job_);
}

std::optional<std::string> Child::start(const Launch& launch) {
  // The child's handles by descriptor, 0 to 2 at least.
  int count = 3;
  for (const Slot& slot : launch.slots) count = std::max(count, slot.fd + 1);
  std::vector<HANDLE> theirs(static_cast<std::size_t>(count), INVALID_HANDLE_VALUE);
  std::vector<HANDLE> owned;  // closed once the child has them
  const auto tidy = [&] {
    for (HANDLE handle : owned) ::CloseHandle(handle);
  };
  ends_.clear();
  flows_.clear();
  for (const Slot& slot : launch.slots) {
    flows_.push_back(slot.flow);
    ends_.push_back(nullptr);
    HANDLE handle = childhandle(slot, ends_.back());
    if (handle == nullptr) continue;
    if (handle == INVALID_HANDLE_VALUE) {
      tidy();
      return "cannot hand the child its descriptor " + std::to_string(slot.fd) + ": " + errortext(::GetLastError());
    }
    owned.push_back(handle);
    theirs[static_cast<std::size_t>(slot.fd)] = handle;
  }
  // Standard descriptors not given a slot are ours, handed on.
  for (std::size_t fd = 0; fd < 3; ++fd) {
    HANDLE own = ::GetStdHandle(fd == 0 ? STD_INPUT_HANDLE : fd == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    HANDLE handle = nullptr;
    if (theirs[fd] != INVALID_HANDLE_VALUE || own == nullptr || own == INVALID_HANDLE_VALUE ||
        ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &handle, 0, TRUE, DUPLICATE_SAME_ACCESS) == 0) {
      continue;
    }
    owned.push_back(handle);
    theirs[fd] = handle;
  }
  std::vector<BYTE> table = descriptortable(theirs);
  // Only these handles reach the child, whatever other threads make inheritable meanwhile.
  SIZE_T attributesize = 0;
  ::InitializeProcThreadAttributeList(nullptr, 1, 0, &attributesize);
  std::vector<char> attributes(attributesize);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  ::InitializeProcThreadAttributeList(list, 1, 0, &attributesize);
  ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, owned.data(), owned.size() * sizeof(HANDLE), nullptr, nullptr);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = theirs[0];
  startup.StartupInfo.hStdOutput = theirs[1];
  startup.StartupInfo.hStdError = theirs[2];
  startup.StartupInfo.cbReserved2 = static_cast<WORD>(table.size());
  startup.StartupInfo.lpReserved2 = table.data();
  startup.lpAttributeList = list;
  std::optional<std::filesystem::path> program = launch.searchpath ? resolve(launch.words[0]) : std::filesystem::path(wide(launch.words[0]));
  if (!program) {
    tidy();
    ::DeleteProcThreadAttributeList(list);
    return "cannot start " + launch.words[0] + ": not found (in PATH, with PATHEXT's extensions)";
  }
  std::wstring line = commandline(launch.words);
  PROCESS_INFORMATION started{};
  const BOOL made = ::CreateProcessW(program->c_str(), line.data(), nullptr, nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT,
                                     nullptr, nullptr, &startup.StartupInfo, &started);
  const DWORD error = ::GetLastError();
  ::DeleteProcThreadAttributeList(list);
  tidy();
  if (made == 0) {
    ends_.clear();
    return "cannot start " + launch.words[0] + ": " + errortext(error);
  }
  // A job of its own, ended with it: whatever it starts ends too.
  job_ = ::CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
  if (job_ != nullptr) {
    ::SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    ::AssignProcessToJobObject(job_, started.hProcess);
  }
  ::ResumeThread(started.hThread);
  ::CloseHandle(started.hThread);
  process_ = started.hProcess;
  for (auto& end : ends_) {
    if (end) end->mover = std::thread(movebytes, std::ref(*end), std::ref(lock_), std::ref(changed_));
  }
  return std::nullopt;
}

bool Child::running() const { return process_ != nullptr; }

std::ptrdiff_t Child::read(std::size_t slot, char* data, std::size_t size) {
  std::unique_lock held(lock_);
  End* end = ends_[slot].get();
  if (end == nullptr || end->closing) return -1;
  if (end->buffer.empty()) {
    if (!end->finished) return 0;
    held.unlock();
    close(slot);
    return -1;
  }
  const std::size_t n = std::min(size, end->buffer.size());
  std::memcpy(data, end->buffer.data(), n);
  end->buffer.erase(0, n);
  changed_.notify_all();
  return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t Child::write(std::size_t slot, const char* data, std::size_t size) {
  std::unique_lock held(lock_);
  End* end = ends_[slot].get();
  if (end == nullptr || end->closing) return -1;
  if (end->finished) {
    held.unlock();
    close(slot);  // the child stopped reading
    return -1;
  }
  const std::size_t n = std::min(size, End::capacity - std::min(End::capacity, end->buffer.size()));
  end->buffer.append(data, n);
  changed_.notify_all();
  return static_cast<std::ptrdiff_t>(n);
}

bool Child::writeall(std::size_t slot, std::string_view data) {
  while (!data.empty()) {
    const std::ptrdiff_t n = write(slot, data.data(), data.size());
    if (n < 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
    if (n == 0) wait(std::chrono::milliseconds(100), {slot});
  }
  return true;
}

void Child::close(std::size_t slot) {
  std::unique_lock held(lock_);
  End* end = slot < ends_.size() ? ends_[slot].get() : nullptr;
  if (end == nullptr || end->closing) return;
  end->closing = true;
  if (!end->tochild && !end->finished && end->thread != nullptr) {
    // The reader may sit in ReadFile: cancelling it lets the pipe close now, as a close would.
    ::CancelSynchronousIo(end->thread);
  }
  changed_.notify_all();
}

bool Child::open(std::size_t slot) const {
  std::unique_lock held(lock_);
  const End* end = ends_[slot].get();
  return end != nullptr && !end->closing;
}

std::vector<bool> Child::wait(std::chrono::milliseconds timeout, std::initializer_list<std::size_t> slots) {
  std::vector<bool> ready(ends_.size(), false);
  std::unique_lock held(lock_);
  const auto check = [&] {
    bool any = false;
    for (const std::size_t slot : slots) {
      const End* end = ends_[slot].get();
      if (end == nullptr || end->closing) continue;
      ready[slot] = end->finished || (end->tochild ? end->buffer.size() < End::capacity : !end->buffer.empty());
      any = any || ready[slot];
    }
    return any;
  };
  changed_.wait_for(held, std::max(timeout, std::chrono::milliseconds(0)), check);
  return ready;
}

bool Child::exited() const { return process_ != nullptr && ::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

std::optional<Child::Usage> Child::usage() const {
  // The system tells a job's processor time, not its time waiting for one: the checker falls back
  // on the clock.
  return std::nullopt;
}

Ending Child::end() {
  if (!running()) return {};
  // What it ended with, if it has; else it is ended now, with all it started.
  Ending ending{Ending::Kind::unknown, 0};
  const bool before = ::WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
  if (job_ != nullptr) ::TerminateJobObject(job_, 1);
  if (!before) ::TerminateProcess(process_, 1);
  ::WaitForSingleObject(process_, INFINITE);
  DWORD code = 0;
  if (::GetExitCodeProcess(process_, &code) != 0) {
    // An exit code of an exception (NTSTATUS, severity error) is a crash, as a signal is.
    const bool exception = (code & 0xF0000000u) == 0xC0000000u;
    // Ended here, it tells nothing of its own.
    if (before || exception) ending = {exception ? Ending::Kind::signalled : Ending::Kind::exited, static_cast<int>(code)};
  }
  ::CloseHandle(process_);
  process_ = nullptr;
  return ending;
}

std::optional<std::string> privatefolder(std::string_view prefix, std::string& problem) {
  wchar_t temporary[MAX_PATH + 1];
  const DWORD size = ::GetTempPathW(MAX_PATH + 1, temporary);
  if (size == 0 || size > MAX_PATH) {
    problem = "cannot tell the temporary folder: " + errortext(::GetLastError());
    return std::nullopt;
  }
  std::random_device seed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring path = std::wstring(temporary, size) + wide(prefix) + L"-" + std::to_wstring(seed() % 100000000u);
    if (::CreateDirectoryW(path.c_str(), nullptr) != 0) return narrow(path);
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      problem = "cannot make a temporary folder " + narrow(path) + ": " + errortext(::GetLastError());
      return std::nullopt;
    }
  }
  problem = "cannot make a temporary folder in " + narrow({temporary, size}) + ": every name tried is taken";
  return std::nullopt;
}

std::optional<std::string> writefile(const std::string& name, std::uint64_t size,
                                     const std::function<bool(const std::function<bool(std::string_view)>&)>& chunks) {
  HANDLE file = ::CreateFileW(wide(name).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "cannot make the temporary file " + name + ": " + errortext(::GetLastError());
  DWORD error = 0;
  chunks([&](std::string_view bytes) {
    while (!bytes.empty() && error == 0) {
      DWORD written = 0;
      if (::WriteFile(file, bytes.data(), static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30)), &written, nullptr) == 0) error = ::GetLastError();
      bytes.remove_prefix(written);
    }
    return error == 0;
  });
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  if (error == 0 && (::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) == 0 || ::SetEndOfFile(file) == 0)) error = ::GetLastError();
  ::CloseHandle(file);
  if (error != 0) return "cannot write the temporary file " + name + ": " + errortext(error);
  return std::nullopt;
}

bool findprogram(const std::string& program) { return resolve(program).has_value(); }

std::size_t argumentsthatfit(const std::vector<std::string>& words, std::size_t argumentbytes) {
  // A command line holds 32767 UTF-16 units; each argument a blank and, at most, quotes.
  const std::size_t used = commandline(words).size() + 1;
  return used >= 32767 ? 0 : (32767 - used) / (argumentbytes + 3);
}

std::vector<std::string> arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (words == nullptr) return {argv, argv + argc};
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(narrow(words[i]));
  ::LocalFree(words);
  ::SetConsoleOutputCP(CP_UTF8);
  return out;
}

long selfid() { return static_cast<long>(::GetCurrentProcessId()); }

std::string selfpath(const std::string& fallback) {
  const std::wstring path = modulepath(nullptr);
  return path.empty() ? fallback : narrow(path);
}

std::ptrdiff_t readsome(int fd, void* data, std::size_t size) {
  DWORD got = 0;
  if (::ReadFile(handleof(fd), data, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)), &got, nullptr) != 0) return static_cast<std::ptrdiff_t>(got);
  return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

bool writeall(int fd, const void* data, std::size_t size) {
  const auto* at = static_cast<const char*>(data);
  while (size > 0) {
    DWORD written = 0;
    if (::WriteFile(handleof(fd), at, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)), &written, nullptr) == 0 || written == 0) return false;
    at += written;
    size -= written;
  }
  return true;
}

void* loadlibrary(std::string path, std::string& problem) {
  // No dialog box for a library that is missing a dependency: a message, here.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  std::error_code error;
  const std::filesystem::path named(wide(path));
  const auto status = std::filesystem::status(named, error);
  const bool bare = path.find_first_of("/\\:") == std::string::npos;
  if (std::filesystem::is_directory(status)) {
    problem = path + " is a folder, not a library";
    return nullptr;
  }
  // A file named is that file (its own folder searched for what it needs); a bare name that is no
  // file here is the loader's to look up.
  const bool here = std::filesystem::exists(status);
  const std::wstring file = here ? std::filesystem::absolute(named, error).wstring() : named.wstring();
  HMODULE library = ::LoadLibraryExW(file.c_str(), nullptr, here || !bare ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
  if (library == nullptr) problem = errortext(::GetLastError());
  return reinterpret_cast<void*>(library);
}

void* findsymbol(void* library, const std::string& name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

std::optional<std::string> definedelsewhere(void* library, const void* symbol) {
  // A function a DLL forwards to another is found at its address in the other.
  HMODULE defining = nullptr;
  if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, static_cast<LPCWSTR>(symbol), &defining) == 0) {
    return std::nullopt;
  }
  if (defining == static_cast<HMODULE>(library)) return std::nullopt;
  return libraryfile(defining);
}

std::string libraryfile(void* library) { return narrow(modulepath(static_cast<HMODULE>(library))); }

void ignorebrokenpipes() {}  // a write to a pipe with no reader fails here already

namespace {

void (*stophandler)(int) = nullptr;

BOOL WINAPI consolestop(DWORD event) {
  if (stophandler == nullptr) return FALSE;
  stophandler(event == CTRL_C_EVENT ? 2 : 15);  // as SIGINT, else SIGTERM
  return TRUE;
}

}  // namespace

void onstopsignals(void (*handler)(int)) {
  stophandler = handler;
  ::SetConsoleCtrlHandler(consolestop, TRUE);
}

bool terminal(std::FILE* file) { return ::_isatty(::_fileno(file)) != 0; }

bool isstandardoutput(const std::string& path) {
  // Compared as files: the same volume and index.
  HANDLE named = ::CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a{}, b{};
  const bool same = ::GetFileInformationByHandle(named, &a) != 0 && ::GetFileInformationByHandle(::GetStdHandle(STD_OUTPUT_HANDLE), &b) != 0 &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  ::CloseHandle(named);
  return same;
}

// Each child's job ends all it started; there is nothing left over to adopt.
Adopter::Adopter() = default;
Adopter::~Adopter() = default;
void Adopter::endstrays() {}

namespace {

void (*crashhandler)(int) = nullptr;

LONG WINAPI crashfilter(EXCEPTION_POINTERS* exception) {
  const DWORD code = exception->ExceptionRecord->ExceptionCode;
  if (crashhandler != nullptr) crashhandler(static_cast<int>(code));
  ::TerminateProcess(::GetCurrentProcess(), code);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void oncrash(void (*tell)(int)) {
  crashhandler = tell;
  // Room to tell a stack overflow in.
  ULONG guarantee = 1 << 15;
  ::SetThreadStackGuarantee(&guarantee);
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  ::SetUnhandledExceptionFilter(crashfilter);
}

}  // namespace sha1vectors::process
