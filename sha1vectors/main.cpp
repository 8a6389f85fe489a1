// SPDX-License-Identifier: MIT
// sha1vectors: checks a SHA-1 implementation against whole published vector sets.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "digest/sha1trace.h"
#include "input/messagebytes.h"
#include "utilities/hex.h"
#include "sha1vectors/checking/checking.h"
#include "sha1vectors/checking/random.h"
#include "sha1vectors/checking/report.h"
#include "sha1vectors/checking/response.h"
#include "sha1vectors/implementations/command.h"
#include "sha1vectors/implementations/library.h"
#include "sha1vectors/implementations/orphans.h"
#include "sha1vectors/readers/inputs.h"
#include "sha1vectors/tracing/tracecompare.h"
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

using sha1vectors::Verdict;

constexpr const char* description =
    "Checks a SHA-1 implementation against published test-vector sets and says what passed and what\n"
    "did not. Without FILEs it checks the tester's built-in catalogue of 11 vectors.\n"
    "\n"
    "FILEs may be NIST CAVP response files (SHA1ShortMsg.rsp, SHA1LongMsg.rsp, SHA1Monte.rsp, byte- or\n"
    "bit-oriented), NESSIE test-vector files, and NIST ACVP vector sets in JSON: a prompt and its\n"
    "expected results (or the internal projection, which holds both), in any order or in a folder\n"
    "given as a FILE (a registration there is passed over), paired by vsId and tcId (the bare object,\n"
    "the wire form or acvptool's); the format is recognised from the content. Each MCT result is checked\n"
    "from the expected result before it; an LDT's message is streamed, never held in memory.\n"
    "--acvp-response writes the implementation's answers to an ACVP prompt, which needs no expected\n"
    "results, in the response layout (the wire form, digests in upper case); the file is written\n"
    "whole through a temporary file beside it (or beside the file a link leads to), keeping its mode,\n"
    "or left as it was; a device or a pipe (as /dev/stdout) is written straight, a folder refused.";

constexpr const char* commandhelp =
    "\nWhose SHA-1: this tool's own engine, unless --command or --library names another. The command\n"
    "is started directly when it is plain words, through /bin/sh -c when it has any shell syntax.\n"
    "Without {} it runs once per message, reads the message's raw bytes on standard input, and prints\n"
    "the digest as sha1sum, openssl dgst and BSD sha1 do: 40 hexadecimal digits, either case, as the\n"
    "first or last word of a line (or five groups of eight); digits elsewhere, as in a path, are no\n"
    "digest; up to 1 MiB of output a message is read (64 MiB a call). With {} as\n"
    "a word of its own (as in 'sha1sum {}'), each message is written to a file of its own, private to\n"
    "you, in a fresh folder in $TMPDIR (default /tmp; one on a memory file system is faster), and one\n"
    "call takes many files, {} standing for their names; it prints one digest per line in their order.\n"
    "A call that exits with an error, runs out of time or prints another number of digests is made\n"
    "again in halves, down to the message it failed for. Later calls write over the files; the folder\n"
    "goes at the end, also on Ctrl+C.\n"
    "Messages that are not whole bytes are skipped for a command. --jobs calls run at once; the\n"
    "results are told in file order all the same. A chain of hashes (Monte Carlo, NESSIE iterations)\n"
    "whose digests this tool's engine reproduces is checked hash by hash, each on its own, and a wrong\n"
    "one is named. The timeout counts for each call, plus a second for each 50 MiB it is given, and\n"
    "runs until the command has exited; then whatever it started is ended too.\n"
    "\n";

constexpr const char* outputhelp =
    "Output: on a terminal, every failure with its file, line and the differing digits marked, and a\n"
    "progress bar for long runs. When output is not a terminal, only the summary unless --verbose.\n"
    "A wrong digest that one of the classic mistakes gives is followed by \"likely cause:\" and its\n"
    "name: SHA-0 (no rotation in the schedule), message words or digest words little-endian, the\n"
    "length in bytes, little-endian or in 32 bits, no extra padding block for 56 to 63 bytes, the\n"
    "round functions or constants misplaced, the rotations by 5 and 30 swapped, no final addition;\n"
    "a right digest printed in a form not read as one (as with colons) is said to be right.\n"
    "The last line is \"N passed, M failed\" (\", K skipped\" when any were skipped, \", U not checked\"\n"
    "when the run was interrupted). Ctrl+C stops the run and tells what was checked until then.\n"
    "\n"
    "Exit status: 0 when vectors were checked and none failed (some may have been skipped, as the\n"
    "last line says); 1 when any failed, none could be checked, or with --strict any was skipped;\n"
    "2 when an input cannot be used (a missing or unreadable file, a malformed record) or the command\n"
    "cannot be run (not found, no temporary folder, a message file not written as when $TMPDIR is\n"
    "full); 128 + N when stopped by signal N (130 for Ctrl+C), which leaves nothing behind either.\n"
    "\n"
    "Examples:\n"
    "  sha1vectors                                   the catalogue, on this tool's engine\n"
    "  sha1vectors SHA1ShortMsg.rsp SHA1Monte.rsp    NIST CAVP files\n"
    "  sha1vectors --command sha1sum SHA1LongMsg.rsp coreutils' sha1sum against the long messages\n"
    "  sha1vectors --command 'sha1sum {}' *.rsp      the same, many messages a call\n"
    "  sha1vectors --library ./libmysha1.so *.rsp    a shared library's SHA-1, in a worker process\n"
    "  sha1vectors --random 100000 --library ./libmysha1.so   random messages against the engine\n"
    "\n"
    "Libraries: --library loads a shared library in a worker process this program starts, and\n"
    "calls its SHA-1 through OpenSSL's interface (SHA1, SHA1_Init, SHA1_Update, SHA1_Final), Nettle's\n"
    "(nettle_sha1_init, nettle_sha1_update, nettle_sha1_digest) or sha1abi.h's, installed with this\n"
    "program (found from its symbols, or named with --abi; --symbols maps other names onto them).\n"
    "Every message is given in one call, in one update, a byte at a time (up to 256 bytes), one byte\n"
    "and then the rest, in updates of 55, 56, 63, 64 and 65 bytes, with empty updates between updates\n"
    "of 64, and in two random splits (--seed repeats them); a chain's later hashes in one call. Each\n"
    "way must give SHA-1's digest, and a failure names the first way that did not (\"updates of 63,\n"
    "1, 0, 64 bytes\"). The digest and the context are fenced by guard bytes: a write past them fails\n"
    "the vector (\"wrote 12 bytes past the 20-byte digest\"). A crash or a hang (--timeout) fails that\n"
    "vector, with the signal, and a new worker goes on. Bit-oriented vectors need sha1abi.h's\n"
    "sha1abi_end_bits. A message of 2^32 + 8 bits (512 MiB and a byte), past which a 32-bit bit count\n"
    "wraps, is checked too unless --no-long; --long checks it through a command as well.\n"
    "--random N checks N random messages (up to --max-length bytes, many at the lengths where padding\n"
    "and buffers have edges) against this program's engine, through --library or --command; the first\n"
    "failure is shrunk to the shortest failing message with the simplest bytes and printed as a CAVP\n"
    "record, which can be saved and checked again as a FILE.\n"
    "\n"
    "Tracing: --trace TEXT or --trace-hex HEX prints SHA-1's working on one message instead of\n"
    "checking: each block's words, its schedule, a b c d e after every round and the chaining values.\n"
    "With --trace-compare FILE, FILE is a trace of your own for the same message (that layout, or\n"
    "lines \"t a b c d e\" with an optional block number first and W[t] last, in any case and with any\n"
    "separators); the first value that differs is named with its block, round and variable, the\n"
    "state that went into the round and the step that computes it, and the classic mistake whose\n"
    "trace yours is, if any. Exit status 0 when the traces agree, 1 when they part, 2 when FILE is\n"
    "no trace.\n"
    "  sha1vectors --trace abc --trace-compare mine.txt\n";

struct Options {
  std::vector<std::string> files;
  std::string command;
  double timeout = 10;
  unsigned jobs = std::max(1U, std::thread::hardware_concurrency());
  std::string acvpresponse;
  bool verbose = false;
  bool catalogue = false;
  bool strict = false;
  std::optional<std::string> trace, tracehex;  // a message to trace instead of checking
  std::optional<std::string> tracecompare;        // a trace of the user's to compare with it
  std::string constants;
  std::string library, abi, symbols;
  std::optional<std::uint64_t> seed;
  bool nolong = false, longcheck = false;
  std::uint64_t random = 0, maxlength = 1024;
};

// Every failure is shown on a terminal; elsewhere only with --verbose.
bool detailed(const Options& options) { return options.verbose || isatty(fileno(stdout)) != 0; }

// Set by Ctrl+C (or any other signal that would end the program): the run stops, tidies up and
// tells what it checked so far; the first such signal gives the exit status, 128 + its number.
std::atomic<bool> interrupted{false};
std::atomic<int> stopsignal{0};

void interrupt(int signal) {
  int none = 0;
  stopsignal.compare_exchange_strong(none, signal);
  interrupted = true;
}

void stoponinterrupt() {
#if defined(_WIN32)
  std::signal(SIGINT, interrupt);
#else
  // A signal sent twice (to the process and to its group) must not end it before it has tidied
  // up; stopping takes at most about a second (a gibibyte hashed or written), so no second Ctrl+C
  // is needed to force it.
  // Every signal whose default ends the program, but one ignored already (as nohup ignores SIGHUP)
  // and SIGPIPE, which the program ignores itself.
  struct sigaction action {};
  action.sa_handler = interrupt;
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ}) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) ::sigaction(signal, &action, nullptr);
  }
#endif
}

// How this program was started, for starting it again as a library worker.
std::string selfpath;

void complain(const std::string& problem) { std::cerr << "sha1vectors: " << problem << " (nothing of it was checked)\n"; }

// Writes the implementation's answers to the one ACVP prompt: 0 when written, 1 when the
// implementation gave no answer, 2 when the call or the file was wrong.
int respond(const Options& options, const sha1vectors::Inputs& inputs, sha1vectors::Implementation& implementation) {
  if (inputs.prompts.size() != 1) {
    std::cerr << "sha1vectors: --acvp-response needs one ACVP prompt among the FILEs, not " << inputs.prompts.size() << "\n";
    return 2;
  }
  const auto& prompt = inputs.prompts.front();
  std::string response;
  try {
    response = sha1vectors::acvpresponse(prompt, implementation, options.jobs, interrupted);
    sha1vectors::writeatomically(options.acvpresponse, response);
  } catch (const sha1vectors::OutputError& error) {
    std::cerr << "sha1vectors: no response written: " << error.what() << "\n";
    return 2;
  } catch (const std::exception& error) {
    std::cerr << "sha1vectors: no response written: " << error.what() << "\n";
    return 1;
  }
  std::cerr << "sha1vectors: wrote the answers to vsId " << prompt.vsid << " to " << options.acvpresponse << "\n";
  return 0;
}

// The one of files that path names too, if any.
std::optional<std::string> samefile(const std::string& path, const std::vector<std::string>& files) {
  std::error_code error;
  const auto same = std::find_if(files.begin(), files.end(), [&](const std::string& file) { return std::filesystem::equivalent(file, path, error); });
  return same != files.end() ? std::optional(*same) : std::nullopt;
}

std::string how(const sha1vectors::Command& command) {
  std::string text = command.throughshell() ? "through /bin/sh -c (it has shell syntax)" : "directly (no shell syntax)";
  if (command.takesfiles()) return text + ", given up to " + std::to_string(command.batchlimit()) + " messages a call as files for {}";
  return text + ", given one message a call on its standard input";
}

// Checks every source's vectors, telling each verdict as the options say; the tally.
sha1vectors::Tally checkall(const Options& options, const sha1vectors::Inputs& inputs, sha1vectors::Implementation& implementation) {
  std::uint64_t total = 0;
  for (const auto& source : inputs.sources) {
    for (const auto& vector : source.vectors) total += sha1vectors::cantake(implementation, vector) ? 1 : 0;
  }
  sha1vectors::Progress progress(total, stderr, isatty(fileno(stderr)) != 0);
  sha1vectors::Report report(inputs.sources, {options.verbose, detailed(options)}, progress, std::cout, std::cerr);
  const auto note = [&](const std::string& text) {
    progress.clear();
    std::cerr << "sha1vectors: " << text << "\n";
  };
  sha1vectors::checkvectors(report.vectors(), implementation, options.jobs, interrupted,
                            [&](std::size_t index, const Verdict& verdict) { report.arrived(index, verdict); },
                            options.verbose ? std::function<void(const std::string&)>(note) : nullptr);
  return report.tally();
}

// The exit status of a run that got as far as checking: see the help.
int exitstatus(const Options& options, const sha1vectors::Tally& tally, bool unusable, int responded) {
  if (unusable || responded == 2) return 2;
  if (interrupted) return 128 + (stopsignal != 0 ? stopsignal.load() : SIGINT);
  // A response needs no vector checked; checking needs at least one.
  const bool skippedfails = options.strict && tally.skipped > 0;
  const bool responding = !options.acvpresponse.empty();
  return tally.failed == 0 && !skippedfails && (responding ? responded == 0 : tally.passed > 0) ? 0 : 1;
}

// Makes library the one of --library, loaded in its first worker; false, having said why, when it
// cannot be loaded.
bool loadlibrary(const Options& options, std::optional<sha1vectors::Library>& library) {
  sha1vectors::LibrarySettings settings;
  settings.path = options.library;
  if (!options.abi.empty()) settings.abi = sha1vectors::abinamed(options.abi);
  settings.renames = options.symbols;
  settings.timeout = std::chrono::milliseconds(std::llround(options.timeout * 1000));
  settings.seed = *options.seed;
  std::error_code error;
  settings.worker = std::filesystem::read_symlink("/proc/self/exe", error).string();
  if (error) settings.worker = selfpath;
  settings.stop = &interrupted;
  library.emplace(settings);
  if (auto problem = library->cannotrun()) {
    std::cerr << "sha1vectors: --library " << *problem << " (nothing was checked)\n";
    return false;
  }
  if (options.verbose) std::cerr << "sha1vectors: " << options.library << " has " << library->interface() << "\n";
  std::cerr << "sha1vectors: every message is also given in splits, the random ones from --seed " << settings.seed << "\n";
  return true;
}

// The message of 2^32 + 8 bits, past which a 32-bit bit count wraps, with its digest.
sha1vectors::Source longmessage() {
  sha1vectors::Vector vector;
  vector.file = "long-message check";
  vector.name = "536870913 bytes of \"a\" (2^32 + 8 bits: a 32-bit bit count wraps)";
  vector.message = "a";
  vector.repeat = (std::uint64_t{1} << 29) + 1;
  // Stopped meanwhile, the run leaves it unchecked anyway.
  vector.expected = sha1vectors::Engine(&interrupted).digest({vector.message, vector.repeat}).digest.value_or(basicutilities::Sha1Digest{});
  return {vector.file, {vector}};
}

// --random: random messages against the engine; the first failure, shrunk, told as a failure and
// as a CAVP record to check again.
int randomrun(const Options& options, sha1vectors::Implementation& implementation) {
  sha1vectors::RandomSettings settings{options.random, *options.seed, options.maxlength, options.jobs};
  std::cerr << "sha1vectors: " << options.random << " random messages of up to " << options.maxlength << " bytes, --seed " << settings.seed << "\n";
  const sha1vectors::RandomResult result = sha1vectors::checkrandom(implementation, settings, interrupted);
  sha1vectors::Tally tally{result.passed, result.failure ? 1U : 0U, 0, result.unchecked};
  if (result.failure) {
    sha1vectors::Vector vector;
    vector.file = "random message " + std::to_string(result.failure->number) + " (--seed " + std::to_string(settings.seed) + ", " +
                  std::to_string(result.failure->length) + " bytes), shrunk";
    vector.name = "Len = " + std::to_string(8 * result.failure->message.size());
    vector.message = result.failure->message;
    basicutilities::Sha1Stream stream;
    stream.add(vector.message);
    vector.expected = stream.finish();
    const std::vector<sha1vectors::Source> sources{{vector.file, {vector}}};
    sha1vectors::Progress progress(1, stderr, false);
    sha1vectors::Report report(sources, {false, true}, progress, std::cout, std::cerr);
    report.arrived(0, sha1vectors::check(sources.front().vectors.front(), implementation, &interrupted));
    std::cout << "As a CAVP record, to save and check again:\n" << sha1vectors::cavprecord(result.failure->message);
  }
  if (interrupted) std::cerr << "sha1vectors: interrupted; what was checked before is counted\n";
  if (!sha1vectors::summarise(tally, std::cout)) return 2;
  if (interrupted) return 128 + (stopsignal != 0 ? stopsignal.load() : SIGINT);
  return result.failure ? 1 : 0;
}

// Makes command the one of --command; false, having said why, when it cannot be run.
bool startcommand(const Options& options, std::optional<sha1vectors::Command>& command, sha1vectors::OrphanSweeper& sweeper) {
  command.emplace(options.command, std::chrono::milliseconds(std::llround(options.timeout * 1000)), &interrupted, &sweeper);
  if (auto problem = command->cannotrun()) {
    std::cerr << "sha1vectors: " << *problem << " (nothing was checked)\n";
    return false;
  }
  if (options.verbose) std::cerr << "sha1vectors: the command runs " << how(*command) << "\n";
  return true;
}

int run(const Options& options) {
  sha1vectors::Engine engine(&interrupted);
  std::optional<sha1vectors::OrphanSweeper> sweeper;
  std::optional<sha1vectors::Command> command;
  std::optional<sha1vectors::Library> library;
  if (!options.command.empty() && !startcommand(options, command, sweeper.emplace())) return 2;
  if (!options.library.empty() && !loadlibrary(options, library)) return 2;
  sha1vectors::Implementation& implementation = command   ? static_cast<sha1vectors::Implementation&>(*command)
                                                : library ? static_cast<sha1vectors::Implementation&>(*library)
                                                          : engine;

  if (options.random > 0) return randomrun(options, implementation);
  const bool responding = !options.acvpresponse.empty();
  sha1vectors::Inputs inputs = sha1vectors::readinputs(options.files, options.catalogue, responding);
  if ((library && !options.nolong) || options.longcheck) inputs.sources.push_back(longmessage());
  if (auto file = responding ? samefile(options.acvpresponse, inputs.files) : std::nullopt) {
    std::cerr << "sha1vectors: --acvp-response " << options.acvpresponse << " would replace " << *file << ", which is read (nothing was checked)\n";
    return 2;
  }
  for (const std::string& problem : inputs.problems) complain(problem);
  const bool unusable = !inputs.problems.empty();
  const sha1vectors::Tally tally = checkall(options, inputs, implementation);
  const int responded = responding && !interrupted ? respond(options, inputs, implementation) : 0;
  // Failures that came of this machine, not of the command, leave the run without a verdict.
  const std::optional<std::string> runproblem = command ? command->runproblem() : std::nullopt;
  if (runproblem) std::cerr << "sha1vectors: " << *runproblem << " (what failed for it says nothing of the command)\n";

  if (tally.failed > 0 && !detailed(options)) std::cerr << "sha1vectors: run with --verbose to see each failure\n";
  if (interrupted) std::cerr << "sha1vectors: interrupted; what was checked before is counted\n";
  if (tally.passed + tally.failed == 0 && !unusable && !interrupted && !responding) std::cerr << "sha1vectors: no vector was checked\n";
  if (!sha1vectors::summarise(tally, std::cout)) {
    std::cerr << "sha1vectors: cannot write the results to standard output\n";
    return 2;
  }
  return exitstatus(options, tally, unusable || runproblem, responded);
}

// The message --trace or --trace-hex gives; nothing, having said why, when it cannot be read.
std::optional<std::string> tracedmessage(const Options& options) {
  if (options.trace) {
    const input::Encoded encoded = input::towindows1252(input::fromutf8(*options.trace));
    if (encoded.unmappable) {
      std::cerr << "sha1vectors: --trace: character " << encoded.unmappable->position << " has no byte in Windows-1252 (give its bytes with --trace-hex)\n";
      return std::nullopt;
    }
    return encoded.bytes;
  }
  std::string digits = *options.tracehex;
  std::erase_if(digits, [](char c) { return c == ' ' || c == ':'; });
  const basicutilities::HexDecoded decoded = basicutilities::hexdecode(digits);
  if (!decoded.ok()) {
    std::cerr << "sha1vectors: --trace-hex " << decoded.problem(digits, [](std::string_view pair) { return "\"" + std::string(pair) + "\""; }) << "\n";
    return std::nullopt;
  }
  return decoded.bytes;
}

// The whole of a file of up to the readers' limit, "-" standard input; nothing when it cannot be
// read or is longer.
std::optional<std::string> readall(const std::string& path) {
  std::ifstream file;
  if (path != "-") file.open(path, std::ios::binary);
  if (path != "-" && !file.is_open()) return std::nullopt;
  std::istream& in = path == "-" ? std::cin : file;
  std::string text;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > sha1vectors::maxfilebytes) return std::nullopt;
  }
  return in.bad() ? std::nullopt : std::optional(text);
}

// The user's trace against SHA-1's: 0 when they agree, 1 where they part, 2 when it is no trace.
int comparetrace(const std::string& message, const basicutilities::RoundConstants& constants, const std::string& path) {
  const std::optional<std::string> text = readall(path);
  if (!text) {
    std::cerr << "sha1vectors: --trace-compare " << path << ": cannot be read, or is over " << (sha1vectors::maxfilebytes >> 20) << " MiB\n";
    return 2;
  }
  try {
    const sha1vectors::TraceComparison comparison = sha1vectors::comparetrace(message, constants, sha1vectors::readtrace(*text));
    std::cout << comparison.report << std::flush;
    return !std::cout ? 2 : comparison.agree ? 0 : 1;
  } catch (const sha1vectors::TraceError& error) {
    std::cerr << "sha1vectors: --trace-compare " << path << ": " << error.what() << "\n";
    return 2;
  }
}

// --trace or --trace-hex: SHA-1's working on that one message to standard output, or compared
// with the user's. 2 when the message or the constants cannot be read.
int trace(const Options& options) {
  const std::optional<std::string> message = tracedmessage(options);
  if (!message) return 2;
  std::string constants = options.constants;
  basicutilities::RoundConstants k = basicutilities::standardroundconstants;
  try {
    if (!constants.empty()) k = basicutilities::roundconstants(constants);
  } catch (const std::exception& error) {
    std::cerr << "sha1vectors: --constants: " << error.what() << "\n";
    return 2;
  }
  if (options.tracecompare) return comparetrace(*message, k, *options.tracecompare);
  std::cout << basicutilities::sha1trace(*message, k) << std::flush;
  return std::cout ? 0 : 2;
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
  // The worker --library starts: this program again, loading the library and hashing for it.
  if (argc > 1 && std::string_view(argv[1]) == "--library-worker") return sha1vectors::libraryworker(argc, argv);
  selfpath = argv[0];
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
  app.add_option("-t,--timeout", options.timeout, "seconds one call of the command may take, 0.001 to 86400 (default 10)")
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
  auto* library = app.add_option("-l,--library", options.library, "check the SHA-1 of this shared library, loaded in a worker process, in many splits of every message")
                      ->type_name("PATH");
  library->excludes(app.get_option("--command"));
  app.add_option("--abi", options.abi, "the library's interface: openssl, nettle or sha1abi (default: found from its symbols)")
      ->type_name("NAME")
      ->check(CLI::IsMember({"openssl", "nettle", "sha1abi"}))
      ->needs(library);
  app.add_option("--symbols", options.symbols, "other names for the interface's functions, as SHA1_Update=my_update,SHA1_Final=my_final")
      ->type_name("RENAMES")
      ->needs(library);
  app.add_option("--seed", options.seed, "the seed of the random splits (default: a new one, which is printed)")->type_name("N");
  auto* nolong = app.add_flag("--no-long", options.nolong, "with --library: skip the message of 2^32 + 8 bits (512 MiB and a byte)");
  app.add_flag("--long", options.longcheck, "also check the message of 2^32 + 8 bits, past which a 32-bit bit count wraps (default with --library)")
      ->excludes(nolong);
  auto* random = app.add_option("--random", options.random, "check N random messages against the built-in engine instead of FILEs; the first failure is shrunk and printed as a CAVP record")
                     ->type_name("N")
                     ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1'000'000'000}).description(""));
  app.add_option("--max-length", options.maxlength, "with --random: the longest message, in bytes, 0 to 1048576 (default 1024)")
      ->type_name("BYTES")
      ->check(CLI::Range(std::uint64_t{0}, std::uint64_t{1} << 20).description(""))
      ->needs(random);
  app.add_flag("--catalogue", options.catalogue, "check the built-in catalogue as well as the FILEs");
  app.add_flag("--strict", options.strict, "a skipped vector fails the run (exit status 1)");
  app.add_flag("-v,--verbose", options.verbose, "list every vector, and every failure even when output is not a terminal");
  auto* tracetext = app.add_option("--trace", options.trace, "print SHA-1's working on this text (Windows-1252, as the window reads it) round by round, in the layout of NIST's worked example, instead of checking")
                        ->type_name("TEXT");
  auto* tracehex = app.add_option("--trace-hex", options.tracehex, "the same for the message these hexadecimal bytes spell")->type_name("HEX");
  tracetext->excludes(tracehex);
  app.add_option("--trace-compare", options.tracecompare,
                 "with --trace or --trace-hex: compare this trace of yours (- for standard input) with SHA-1's and name the first difference")
      ->type_name("FILE");
  app.add_option("--constants", options.constants, "with --trace: the round constants as the window's override reads them (32 hex digits, K3 first)")
      ->type_name("HEX");
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
  if (options.random > 0 && (!options.files.empty() || options.catalogue || !options.acvpresponse.empty())) {
    std::cerr << "sha1vectors: --random checks random messages, not FILEs, the catalogue or a response\n";
    return 2;
  }
  if (options.tracecompare && !options.trace && !options.tracehex) {
    std::cerr << "sha1vectors: --trace-compare needs the message, given with --trace or --trace-hex\n";
    return 2;
  }
  if (options.trace || options.tracehex) {
    if (!options.files.empty()) {
      std::cerr << "sha1vectors: --trace takes no FILE\n";
      return 2;
    }
    return trace(options);
  }
  // One seed for the random splits and the random messages, printed, so that a run can be repeated.
  if (!options.seed) options.seed = std::random_device{}();
  stoponinterrupt();
  return run(options);
}
