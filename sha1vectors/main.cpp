// sha1vectors: checks a SHA-1 implementation against whole published vector sets.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "sha1vectors/acvp.h"
#include "sha1vectors/checking.h"
#include "sha1vectors/command.h"
#include "sha1vectors/vectors.h"
#include "sha1tester_version.h"

#if defined(_WIN32)
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace {

using sha1vectors::Vector;
using sha1vectors::Verdict;

constexpr const char* description =
    "Checks a SHA-1 implementation against published test-vector sets and says what passed and what\n"
    "did not. Without FILEs it checks the tester's built-in catalogue of 11 vectors.\n"
    "\n"
    "FILEs may be NIST CAVP response files (SHA1ShortMsg.rsp, SHA1LongMsg.rsp, SHA1Monte.rsp, byte- or\n"
    "bit-oriented), NESSIE test-vector files, and NIST ACVP vector sets in JSON: a prompt and its\n"
    "expected results, in any order or in a folder given as a FILE, paired by vsId and tcId (the bare\n"
    "object or the wire form); the format is recognised from the content. Each MCT result is checked\n"
    "from the expected result before it; an LDT's message is streamed, never held in memory.\n"
    "--acvp-response writes the implementation's answers to an ACVP prompt, which needs no expected\n"
    "results, in the response layout (the wire form, digests in upper case); the file is written\n"
    "whole through a temporary file beside it, or left as it was.";

constexpr const char* commandhelp =
    "\nWhose SHA-1: this tool's own engine, unless --command names another implementation. The command\n"
    "is started directly when it is plain words, through /bin/sh -c when it has any shell syntax.\n"
    "Without {} it runs once per message, reads the message's raw bytes on standard input, and prints\n"
    "the digest: the first 40 hexadecimal digits in a row on its output, in either case. With {} as\n"
    "a word of its own (as in 'sha1sum {}'), each message is written to a file of its own, private to\n"
    "you, in a fresh folder in $TMPDIR (default /tmp; one on a memory file system is faster), and one\n"
    "call takes many files, {} standing for their names; it prints one digest per line in their order.\n"
    "A call that exits with an error or prints another number of digests is made again for each\n"
    "message alone. Later calls write over the files; the folder goes at the end, also on Ctrl+C.\n"
    "Messages that are not whole bytes are skipped for a command. --jobs calls run at once; the\n"
    "results are told in file order all the same. A chain of hashes (Monte Carlo, NESSIE iterations)\n"
    "whose digests this tool's engine reproduces is checked hash by hash, each on its own, and a wrong\n"
    "one is named. The timeout counts for each message of a call and runs until the command has\n"
    "exited; then whatever it started is ended too.\n"
    "\n";

constexpr const char* outputhelp =
    "Output: on a terminal, every failure with its file, line and the differing digits marked, and a\n"
    "progress bar for long runs. When output is not a terminal, only the summary unless --verbose.\n"
    "The last line is \"N passed, M failed\" (\", K skipped\" when any were skipped, \", U not checked\"\n"
    "when the run was interrupted). Ctrl+C stops the run and tells what was checked until then.\n"
    "\n"
    "Exit status: 0 when vectors were checked and none failed; 1 when any failed (or none could be\n"
    "checked); 2 when an input cannot be used (a missing or unreadable file, a malformed record);\n"
    "130 when interrupted.\n"
    "\n"
    "Examples:\n"
    "  sha1vectors                                   the catalogue, on this tool's engine\n"
    "  sha1vectors SHA1ShortMsg.rsp SHA1Monte.rsp    NIST CAVP files\n"
    "  sha1vectors --command sha1sum SHA1LongMsg.rsp coreutils' sha1sum against the long messages\n"
    "  sha1vectors --command 'sha1sum {}' *.rsp      the same, many messages a call\n";

struct Options {
  std::vector<std::string> files;
  std::string command;
  double timeout = 10;
  unsigned jobs = std::max(1U, std::thread::hardware_concurrency());
  std::string acvpresponse;
  bool verbose = false;
  bool catalogue = false;
};

// A bar on standard error, drawn only on a terminal and only once a run has taken a while.
class Progress {
 public:
  explicit Progress(std::uint64_t total) : total_(total), enabled_(isatty(fileno(stderr)) != 0) { start_ = clock::now(); }
  ~Progress() { clear(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void advance() {
    ++done_;
    if (!enabled_) return;
    const auto now = clock::now();
    if (now - start_ < std::chrono::milliseconds(500) || now - drawn_ < std::chrono::milliseconds(100)) return;
    drawn_ = now;
    const double part = total_ == 0 ? 1.0 : static_cast<double>(done_) / static_cast<double>(total_);
    const double rate = static_cast<double>(done_) / std::chrono::duration<double>(now - start_).count();
    const int width = 30, filled = static_cast<int>(std::lround(part * width));
    std::fprintf(stderr, "\r[%s%s] %3d%%  %llu of %llu vectors, %.0f a second ", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), '.').c_str(), static_cast<int>(part * 100),
                 static_cast<unsigned long long>(done_), static_cast<unsigned long long>(total_), rate);
    std::fflush(stderr);
    visible_ = true;
  }

  // Takes the bar away so that other output starts on a clean line.
  void clear() {
    if (!visible_) return;
    std::fprintf(stderr, "\r%80s\r", "");
    std::fflush(stderr);
    visible_ = false;
  }

 private:
  using clock = std::chrono::steady_clock;
  std::uint64_t total_, done_ = 0;
  bool enabled_, visible_ = false;
  clock::time_point start_, drawn_{};
};

// "file:line: name"; a JSON file's vectors have no line.
std::string place(const Vector& vector) {
  return vector.file + (vector.line > 0 ? ":" + std::to_string(vector.line) : std::string()) + ": " + vector.name;
}

void printfailure(const Vector& vector, const Verdict& verdict) {
  std::cout << "FAIL " << place(vector);
  if (!verdict.computed) {
    std::cout << ": " << verdict.reason << "\n";
    return;
  }
  if (!verdict.step.empty()) std::cout << ": " << verdict.step;
  const std::string expected = basicutilities::digesthex(verdict.stepexpected.value_or(vector.expected));
  const std::string computed = basicutilities::digesthex(*verdict.computed);
  std::string marks;
  for (std::size_t i = 0; i < expected.size(); ++i) marks += expected[i] == computed[i] ? ' ' : '^';
  std::cout << "\n  expected " << expected << "\n  computed " << computed << "\n           " << marks << "\n";
}

// Every failure is shown on a terminal; elsewhere only with --verbose.
bool detailed(const Options& options) { return options.verbose || isatty(fileno(stdout)) != 0; }

// A file's vectors, or the catalogue's.
struct Source {
  std::string name;
  std::vector<Vector> vectors;
};

// Set by Ctrl+C (or a request to terminate): the run stops and tells what it checked so far.
std::atomic<bool> interrupted{false};

void interrupt(int) { interrupted = true; }

void stoponinterrupt() {
#if defined(_WIN32)
  std::signal(SIGINT, interrupt);
#else
  // A signal sent twice (to the process and to its group) must not end it before it has tidied
  // up; stopping takes at most about a second (a gibibyte hashed or written), so no second Ctrl+C
  // is needed to force it.
  struct sigaction action {};
  action.sa_handler = interrupt;
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
#endif
}

void complain(const std::string& problem) { std::cerr << "sha1vectors: " << problem << " (nothing of it was checked)\n"; }

// What the FILEs hold: sources to check, and every ACVP prompt read (for --acvp-response).
struct Inputs {
  std::vector<Source> sources;
  std::vector<sha1vectors::AcvpPrompt> prompts;
  bool unusable = false;
};

// A FILE that is a folder stands for the .json files in it.
std::vector<std::string> expandfolders(const std::vector<std::string>& files) {
  std::vector<std::string> expanded;
  for (const auto& file : files) {
    std::error_code error;
    if (!std::filesystem::is_directory(file, error)) {
      expanded.push_back(file);
      continue;
    }
    std::vector<std::string> inside;
    for (const auto& entry : std::filesystem::directory_iterator(file, error)) {
      if (entry.path().extension() == ".json") inside.push_back(entry.path().string());
    }
    std::sort(inside.begin(), inside.end());
    if (inside.empty()) inside.push_back(file);  // read as a file, it says what is wrong
    expanded.insert(expanded.end(), inside.begin(), inside.end());
  }
  return expanded;
}

// Each prompt is checked against the expected results of its vsId.
void pairacvp(Inputs& inputs, std::vector<sha1vectors::AcvpResults>& results, bool responding) {
  for (const auto& prompt : inputs.prompts) {
    const auto found = std::find_if(results.begin(), results.end(), [&](const auto& r) { return r.vsid == prompt.vsid; });
    if (found == results.end()) {
      if (responding) continue;
      complain(prompt.file + ": the expected results of vsId " + std::to_string(prompt.vsid) + " are not among the files");
      inputs.unusable = true;
      continue;
    }
    try {
      inputs.sources.push_back({prompt.file, sha1vectors::acvpvectors(prompt, *found)});
    } catch (const sha1vectors::VectorFileError& error) {
      complain(error.what());
      inputs.unusable = true;
    }
    results.erase(found);
  }
  for (const auto& unpaired : results) {
    complain(unpaired.file + ": the prompt of vsId " + std::to_string(unpaired.vsid) + " is not among the files");
    inputs.unusable = true;
  }
}

// Every file is read before anything is checked, so that a malformed one is reported at once.
Inputs readinputs(const Options& options) {
  Inputs inputs;
  if (options.files.empty() || options.catalogue) inputs.sources.push_back({"catalogue", sha1vectors::cataloguevectors()});
  std::vector<sha1vectors::AcvpResults> results;
  for (const auto& file : expandfolders(options.files)) {
    try {
      const std::string content = sha1vectors::readregularfile(file);
      if (!sha1vectors::isjson(content)) {
        inputs.sources.push_back({file, sha1vectors::readvectortext(file, content)});
      } else if (auto half = sha1vectors::readacvptext(file, content); auto* prompt = std::get_if<sha1vectors::AcvpPrompt>(&half)) {
        inputs.prompts.push_back(std::move(*prompt));
      } else {
        results.push_back(std::get<sha1vectors::AcvpResults>(std::move(half)));
      }
    } catch (const sha1vectors::VectorFileError& error) {
      complain(error.what());
      inputs.unusable = true;
    } catch (const std::exception& error) {  // out of memory, say: this file is unusable, not the run
      complain(file + ": cannot be read: " + error.what());
      inputs.unusable = true;
    }
  }
  pairacvp(inputs, results, !options.acvpresponse.empty());
  return inputs;
}

// Writes the implementation's answers to the one ACVP prompt; false when it cannot.
bool respond(const Options& options, const Inputs& inputs, sha1vectors::Implementation& implementation) {
  if (inputs.prompts.size() != 1) {
    std::cerr << "sha1vectors: --acvp-response needs one ACVP prompt among the FILEs, not " << inputs.prompts.size() << "\n";
    return false;
  }
  const auto& prompt = inputs.prompts.front();
  try {
    sha1vectors::writeatomically(options.acvpresponse, sha1vectors::acvpresponse(prompt, implementation, options.jobs, interrupted));
  } catch (const std::exception& error) {
    std::cerr << "sha1vectors: no response written: " << error.what() << "\n";
    return false;
  }
  std::cerr << "sha1vectors: wrote the answers to vsId " << prompt.vsid << " to " << options.acvpresponse << "\n";
  return true;
}

struct Tally {
  std::uint64_t passed = 0, failed = 0, skipped = 0, unchecked = 0;
};

// Verdicts arrive in any order; they are told in file order, each source's skipped ones after it.
class Report {
 public:
  Report(const std::vector<Source>& sources, const Options& options, Progress& progress)
      : sources_(sources), options_(options), progress_(progress) {
    for (const auto& source : sources) {
      for (const auto& vector : source.vectors) vectors_.push_back(&vector);
      ends_.push_back(vectors_.size());
    }
    verdicts_.resize(vectors_.size());
  }

  const std::vector<const Vector*>& vectors() const { return vectors_; }
  const Tally& tally() const { return tally_; }

  void arrived(std::size_t index, const Verdict& verdict) {
    if (verdict.status != Verdict::Status::skipped) progress_.advance();
    verdicts_[index] = verdict;
    for (; told_ < verdicts_.size() && verdicts_[told_]; ++told_) tell(*verdicts_[told_]);
  }

 private:
  void tell(const Verdict& verdict) {
    const Vector& vector = *vectors_[told_];
    switch (verdict.status) {
      case Verdict::Status::skipped:
        ++tally_.skipped;
        ++skippedhere_;
        break;
      case Verdict::Status::unchecked:
        ++tally_.unchecked;
        break;
      case Verdict::Status::passed:
        ++tally_.passed;
        if (options_.verbose) {
          progress_.clear();
          std::cout << "ok   " << place(vector) << "\n";
        }
        break;
      case Verdict::Status::failed:
        ++tally_.failed;
        if (detailed(options_)) {
          progress_.clear();
          printfailure(vector, verdict);
        }
        break;
    }
    verdicts_[told_].reset();  // told: its digests are not needed any more
    if (told_ + 1 == ends_[source_]) {
      if (skippedhere_ > 0) {
        progress_.clear();
        std::cerr << "sha1vectors: " << sources_[source_].name << ": skipped " << skippedhere_
                  << " bit-oriented vectors: a command is given whole bytes only\n";
      }
      skippedhere_ = 0;
      ++source_;
    }
  }

  const std::vector<Source>& sources_;
  const Options& options_;
  Progress& progress_;
  std::vector<const Vector*> vectors_;
  std::vector<std::size_t> ends_;  // where each source's vectors end
  std::vector<std::optional<Verdict>> verdicts_;
  std::size_t told_ = 0, source_ = 0;
  std::uint64_t skippedhere_ = 0;
  Tally tally_;
};

std::string how(const sha1vectors::Command& command) {
  std::string text = command.throughshell() ? "through /bin/sh -c (it has shell syntax)" : "directly (no shell syntax)";
  if (command.takesfiles()) return text + ", given up to " + std::to_string(command.batchlimit()) + " messages a call as files for {}";
  return text + ", given one message a call on its standard input";
}

// The last line; false when it cannot be written.
bool summarise(const Tally& tally) {
  std::cout << tally.passed << " passed, " << tally.failed << " failed";
  if (tally.skipped > 0) std::cout << ", " << tally.skipped << " skipped";
  if (tally.unchecked > 0) std::cout << ", " << tally.unchecked << " not checked";
  std::cout << std::endl;
  return static_cast<bool>(std::cout);
}

int run(const Options& options) {
  sha1vectors::Engine engine;
  std::optional<sha1vectors::Command> command;
  if (!options.command.empty()) {
    command.emplace(options.command, std::chrono::milliseconds(std::llround(options.timeout * 1000)), &interrupted);
    if (options.verbose) std::cerr << "sha1vectors: the command runs " << how(*command) << "\n";
  }
  sha1vectors::Implementation& implementation = command ? static_cast<sha1vectors::Implementation&>(*command) : engine;

  const Inputs inputs = readinputs(options);
  const std::vector<Source>& sources = inputs.sources;
  const bool unusable = inputs.unusable;
  std::uint64_t total = 0;
  for (const auto& source : sources) {
    for (const auto& vector : source.vectors) total += sha1vectors::cantake(implementation, vector) ? 1 : 0;
  }
  Tally tally;
  {
    Progress progress(total);
    Report report(sources, options, progress);
    sha1vectors::checkvectors(report.vectors(), implementation, options.jobs, interrupted,
                              [&](std::size_t index, const Verdict& verdict) { report.arrived(index, verdict); });
    tally = report.tally();
  }

  const bool responding = !options.acvpresponse.empty();
  const bool responded = responding && !interrupted && respond(options, inputs, implementation);

  if (tally.failed > 0 && !detailed(options)) std::cerr << "sha1vectors: run with --verbose to see each failure\n";
  if (interrupted) std::cerr << "sha1vectors: interrupted; what was checked before is counted\n";
  if (tally.passed + tally.failed == 0 && !unusable && !interrupted && !responding) std::cerr << "sha1vectors: no vector was checked\n";
  if (!summarise(tally)) {
    std::cerr << "sha1vectors: cannot write the results to standard output\n";
    return 2;
  }

  if (unusable) return 2;
  if (interrupted) return 130;
  // A response needs no vector checked; checking needs at least one.
  return tally.failed == 0 && (responding ? responded : tally.passed > 0) ? 0 : 1;
}

// The help's closing text, its limits read from the readers' own.
std::string epilog() {
  std::string text = commandhelp;
  text += "Limits: regular files of up to " + std::to_string(sha1vectors::maxfilebytes >> 20) + " MiB; a message of up to ";
  text += std::to_string(sha1vectors::maxmessagebytes >> 30) + " GiB when it repeats a piece\n(streamed, never held in memory), up to ";
  text += std::to_string(sha1vectors::maxheldbytes >> 20) + " MiB when spelled out byte by byte; 1 to ";
  text += std::to_string(sha1vectors::maxiterations) + "\niterations; JSON files of up to " + std::to_string(sha1vectors::maxjsonbytes >> 20);
  text += " MiB, nested up to " + std::to_string(sha1vectors::maxjsondepth) + " levels, MCT seeds of up to\n";
  text += std::to_string(sha1vectors::maxmctseedbits) + " bits. A file that asks for more is unusable.\n\n";
  text += outputhelp;
  return text;
}

}  // namespace

int main(int argc, char* argv[]) {
#if !defined(_WIN32)
  // A command that exits without reading all of its input must not end this program.
  ::signal(SIGPIPE, SIG_IGN);
#endif
  CLI::App app(description, "sha1vectors");
  app.footer(epilog());
  app.set_version_flag("--version", std::string("sha1vectors ") + sha1tester::version::text);
  Options options;
  app.add_option("FILE", options.files, "vector files to check (default: the built-in catalogue)")->type_name("FILE");
  app.add_option("-c,--command", options.command, "check this command's SHA-1 instead of the built-in engine")
      ->type_name("CMD");
  app.add_option("-t,--timeout", options.timeout, "seconds one message may take a command, 0.001 to 86400 (default 10)")
      ->type_name("SECONDS")
      ->check(CLI::Validator(
          [](const std::string& text) {
            const double seconds = std::strtod(text.c_str(), nullptr);
            // Written so that nan fails too.
            return seconds >= 0.001 && seconds <= 86400 ? std::string() : "must be a number of seconds from 0.001 to 86400";
          },
          ""));
  app.add_option("-j,--jobs", options.jobs, "calls of the implementation at once, 1 to 256 (default: the number of processors)")
      ->type_name("N")
      ->check(CLI::Range(1, 256).description(""));
  app.add_option("--acvp-response", options.acvpresponse, "write the implementation's answers to the one ACVP prompt among the FILEs to this file")
      ->type_name("FILE");
  app.add_flag("--catalogue", options.catalogue, "check the built-in catalogue as well as the FILEs");
  app.add_flag("-v,--verbose", options.verbose, "list every vector, and every failure even when output is not a terminal");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // --help exits 0; a wrong call is unusable input.
    const int code = app.exit(error);
    return code == 0 ? 0 : 2;
  }
  if (app.count("--command") > 0 && options.command.find_first_not_of(" \t") == std::string::npos) {
    std::cerr << "sha1vectors: --command needs a command to run\n";
    return 2;
  }
  stoponinterrupt();
  return run(options);
}
