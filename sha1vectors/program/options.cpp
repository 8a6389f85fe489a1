// SPDX-License-Identifier: MIT
// The command line: the options, their help, and the calls that are refused before anything runs.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "sha1vectors/readers/acvp.h"
#include "sha1vectors/process/process.h"
#include "sha1vectors/program/program.h"
#include "sha1vectors/readers/vectorfile.h"
#include "sha1tester_version.h"

namespace sha1vectors::program {
namespace {

constexpr const char* about =
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
    "or left as it was; a device or a pipe (as /dev/stdout; - on Windows) is written straight, a folder\n"
    "refused.";

constexpr const char* commandhelp =
    "\nWhose SHA-1: this tool's own engine, unless --command, --library or --harness names another.\n"
    "The command is started directly when it is plain words, through /bin/sh -c when it has any shell\n"
    "syntax (on Windows: plain words only; PATH and PATHEXT find the program).\n"
    "Without {} it runs once per message, reads the message's raw bytes on standard input, and prints\n"
    "the digest as sha1sum, openssl dgst and BSD sha1 do: 40 hexadecimal digits, either case, as the\n"
    "first or last word of a line (or five groups of eight); digits elsewhere, as in a path, are no\n"
    "digest; up to 1 MiB of output a message is read (64 MiB a call). With {} as\n"
    "a word of its own (as in 'sha1sum {}'), each message is written to a file of its own, private to\n"
    "you, in a fresh folder in $TMPDIR (default /tmp; one on a memory file system is faster; on Windows\n"
    "%TEMP%), and one\n"
    "call takes many files, {} standing for their names; it prints one digest per line in their order.\n"
    "A call that exits with an error, runs out of time or prints another number of digests is made\n"
    "again in halves, down to the message it failed for. Later calls write over the files; the folder\n"
    "goes at the end, also on Ctrl+C.\n"
    "Messages that are not whole bytes are skipped for a command. --jobs calls run at once; the\n"
    "results are told in file order all the same. A chain of hashes (Monte Carlo, NESSIE iterations)\n"
    "whose digests this tool's engine reproduces is checked hash by hash, each on its own, and a wrong\n"
    "one is named. The timeout counts for each call, plus a second for each 50 MiB it is given, and\n"
    "runs until the command has exited; then whatever it started is ended too. It counts the\n"
    "implementation's own time: working, sleeping or waiting for input all count, but not time it\n"
    "waits for a processor that other programs hold, nor time this program is stopped; so a busy\n"
    "machine fails no correct implementation, and one that hangs is still ended in about that time.\n"
    "\n";

constexpr const char* outputhelp =
    "Output: every failure with its file, line, the differing digits marked, the way the message was\n"
    "given and the likely cause, whatever the output is (a terminal or a CI log); --quiet gives the\n"
    "summary alone, --verbose the passing vectors too. A progress bar shows on a terminal only.\n"
    "A wrong digest that one of the classic mistakes gives is followed by \"likely cause:\" and its\n"
    "name: SHA-0 (no rotation in the schedule), message words or digest words little-endian, the\n"
    "length in bytes, little-endian, in 32 bits or only its low byte or two, no extra padding block\n"
    "for 56 to 63 bytes or one at 55, the message cut at a NUL, the round functions or constants\n"
    "misplaced, the rotations by 5 and 30 swapped, no final addition, 64-bit words (of several that\n"
    "fit, the one an earlier failure had);\n"
    "a right digest printed in a form not read as one (as with colons) is said to be right.\n"
    "The last line is \"N passed, M failed\" (\", K skipped\" when any were skipped, \", U not checked\"\n"
    "when the run was interrupted). Ctrl+C stops the run and tells what was checked until then.\n"
    "\n"
    "Exit status: 0 when vectors were checked and none failed (some may have been skipped, as the\n"
    "last line says); 1 when any failed, none could be checked, or with --strict any was skipped;\n"
    "2 when an input cannot be used (a missing or unreadable file, a malformed record) or the command\n"
    "cannot be run (not found, no temporary folder, a message file not written as when $TMPDIR (%TEMP%) is\n"
    "full); 128 + N when stopped by signal N (130 for Ctrl+C), which leaves nothing behind either.\n"
    "\n"
    "Examples:\n"
    "  sha1vectors                                   the catalogue, on this tool's engine\n"
    "  sha1vectors SHA1ShortMsg.rsp SHA1Monte.rsp    NIST CAVP files\n"
    "  sha1vectors --command sha1sum SHA1LongMsg.rsp coreutils' sha1sum against the long messages\n"
    "  sha1vectors --command 'sha1sum {}' *.rsp      the same, many messages a call\n"
    "  sha1vectors --library ./libmysha1.so *.rsp    a shared library's SHA-1, in a worker process\n"
    "  sha1vectors --random 100000 --library ./libmysha1.so   random messages against the engine\n"
    "  sha1vectors --harness 'python3 sha1_harness.py' *.rsp  any language, through a harness\n"
    "\n"
    ;

constexpr const char* libraryhelp =
    "Every message is given in one call, in one update, a byte at a time (up to 256 bytes), one byte\n"
    "and then the rest, in updates of 55, 56, 63, 64 and 65 bytes, with empty updates between updates\n"
    "of 64, and in two random splits (--seed repeats them); a chain's later hashes in one call. Each\n"
    "way must give SHA-1's digest, and a failure names the first way that did not (\"updates of 63,\n"
    "1, 0, 64 bytes\"). The digest and the context are fenced by guard bytes: a write past them fails\n"
    "the vector (\"wrote 12 bytes past the 20-byte digest\"). A crash or a hang fails that vector, with\n"
    "the signal, and a new worker goes on; --timeout bounds a call, not a message: the worker tells\n"
    "as it goes that it is working. Bit-oriented vectors need sha1abi.h's\n"
    "sha1abi_end_bits. A message of 2^32 + 8 bits (512 MiB and a byte), past which a 32-bit bit count\n"
    "wraps, is checked too, also in one update, and on 64-bit systems one of 2^32 + 1 bytes in one\n"
    "update, past which a 32-bit length wraps (mapped by the worker, at no cost in memory), unless\n"
    "--no-long; --long checks the first through a command as well.\n"
    "--random N checks N random messages (up to --max-length bytes, many at the lengths where padding\n"
    "and buffers have edges) against this program's engine, through --library or --command; the first\n"
    "failure is shrunk to the shortest failing message with the simplest bytes and printed as a CAVP\n"
    "record, which can be saved and checked again as a FILE.\n"
    "--harness CMD checks an implementation in any language the same way, every split included: CMD\n"
    "is started once a job (through /bin/sh -c) and kept; it reads \"U <n>\\n\" and n bytes (an\n"
    "update) and \"E <k>\\n\" (the end), and answers each end with one line, the digest in 40 hex\n"
    "digits, a blank and k, then starts a fresh hash. Examples: examples/harness/ (docs/harness.md).\n"
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

// The interfaces --library knows, each with its description, in the order they are looked for;
// the descriptions are also the examples of --interface.
std::string interfacelist() {
  std::string text = "Libraries: --library loads a shared library in a worker process this program starts, and\n"
                     "calls its SHA-1 through the first of these interfaces it has (or the one --abi names;\n"
                     "--symbols maps other names onto its functions), each as --interface would describe it:\n";
  for (const Interface& row : interfaces()) {
    text += "  " + std::string(row.name) + " (" + std::string(row.title) + "):\n";
    std::string_view rest = row.description;
    while (!rest.empty()) {
      const std::string_view statement = rest.substr(0, rest.find("; "));
      rest.remove_prefix(std::min(rest.size(), statement.size() + 2));
      text += "    " + std::string(statement) + "\n";
    }
  }
  text += "--interface describes another library's interface in those words, one statement a line or\n"
          "separated by \";\" (the text itself, or a file that holds it; \"#\" begins a comment):\n"
          "  ROLE FUNCTION(ARGUMENTS) [== N | >= N]  ROLE: begin, update and end; oneshot and endbits if\n"
          "        the library has them; setup and free around each hash; load once. == N or >= N: what\n"
          "        the call returns (as an int) on success; any other value fails the way, naming it\n"
          "  context BYTES | context FUNCTION()     how big a context is, or which function says\n"
          "  ARGUMENTS: ctx, data, len, digest, partial, bits, numbers, \"text\", &N (the address of a\n"
          "        size holding N), *ctx (the pointer \"begin *ctx = FUNCTION(...)\" stored); an end may\n"
          "        return the digest's address instead: \"end digest = FUNCTION(...)\"\n"
          "  sha1vectors --library libfoo.so --interface 'begin foo_start(ctx); update foo_add(ctx, data, len);\n"
          "        end foo_result(ctx, digest) == 1; context 128' *.rsp\n"
          "A digest never written, a call that fails on the first message, and writes past the digest or\n"
          "the context are each told, with what in the description is probably wrong.\n";
  return text;
}

// --interface's value: the description itself, or the file that holds it; the problem if neither.
std::optional<std::string> readdescription(std::string& value) {
  if (value.find('(') != std::string::npos) return std::nullopt;
  constexpr std::size_t longest = 64 << 10;
  std::ifstream file(process::filepath(value), std::ios::binary);
  std::string text(longest + 1, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (!file.eof() || value.empty()) return "--interface " + value + ": no description (it has no brackets) and no file of one (up to 64 KiB) that can be read";
  value = std::move(text);
  return std::nullopt;
}

// Combinations the options cannot take; the exit status when the call is one.
std::optional<int> refused(const Options& options, bool commandgiven, bool librarygiven) {
  // As a script with an unset variable would run it: no library, not the engine.
  if (librarygiven && options.library.empty()) {
    std::cerr << "sha1vectors: --library needs the path of a library\n";
    return 2;
  }
  if (commandgiven && options.command.find_first_not_of(" \t") == std::string::npos) {
    std::cerr << "sha1vectors: --command needs a command to run\n";
    return 2;
  }
  // The engine against itself would pass whatever it is: nothing outside was checked.
  if (options.random > 0 && options.command.empty() && options.library.empty() && options.harness.empty()) {
    std::cerr << "sha1vectors: --random checks an implementation against this program's engine: name it with --library, --harness or --command\n";
    return 2;
  }
  if (options.random > 0 && (!options.files.empty() || options.catalogue || !options.acvpresponse.empty())) {
    std::cerr << "sha1vectors: --random checks random messages, not FILEs, the catalogue or a response\n";
    return 2;
  }
  if (options.probe && (!options.files.empty() || options.random > 0 || options.catalogue || !options.symbols.empty())) {
    std::cerr << "sha1vectors: --probe checks nothing: it prints the command line that does, to which FILEs are added\n";
    return 2;
  }
  if (options.tracecompare && !options.trace && !options.tracehex) {
    std::cerr << "sha1vectors: --trace-compare needs the message, given with --trace or --trace-hex\n";
    return 2;
  }
  if ((options.trace || options.tracehex) && !options.files.empty()) {
    std::cerr << "sha1vectors: --trace takes no FILE\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace

std::string description() { return about; }

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
  text += interfacelist();
  text += libraryhelp;
  return text;
}

int stoppedstatus() { return 128 + (stopsignal != 0 ? stopsignal.load() : 2); }

std::optional<int> parse(int argc, char** argv, Options& options) {
  std::vector<std::string> interfacenames;
  for (const Interface& row : interfaces()) interfacenames.emplace_back(row.name);
  CLI::App app(description(), "sha1vectors");
  app.allow_windows_style_options(false);  // "/path/to/file" is a file, on Windows too
  app.footer(epilog());
  app.set_version_flag("--version", std::string("sha1vectors ") + sha1tester::version::text);
  app.add_option("FILE", options.files, "vector files to check (default: the built-in catalogue)")->type_name("FILE");
  app.add_option("-c,--command", options.command, "check this command's SHA-1 instead of the built-in engine")
      ->type_name("CMD");
  app.add_option("-t,--timeout", options.timeout, "seconds of its own time a call may take (a library: a call of its functions), not counting time the machine gives other programs, 0.001 to 86400 (default 10)")
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
  app.add_option("--acvp-response", options.acvpresponse, "write the implementation's answers to the one ACVP prompt among the FILEs to this file (- for standard output; the verdicts then go to standard error)")
      ->type_name("FILE");
  auto* library = app.add_option("-l,--library", options.library, "check the SHA-1 of this shared library, loaded in a worker process, in many splits of every message")
                      ->type_name("PATH");
  library->excludes(app.get_option("--command"));
  app.add_option("--harness", options.harness, "check a SHA-1 in any language through a long-running harness program that speaks the harness protocol (below), in many splits of every message")
      ->type_name("CMD")
      ->excludes(app.get_option("--command"))
      ->excludes(library);
  app.add_option("--abi", options.abi, "the library's interface: " + interfacechoices() + " (default: found from its symbols)")
      ->type_name("NAME")
      ->check(CLI::IsMember(interfacenames))
      ->needs(library);
  app.add_option("--interface", options.interface, "the library's interface, described (below), or a file that describes it")
      ->type_name("DESCRIPTION")
      ->excludes(app.get_option("--abi"))
      ->needs(library);
  app.add_flag("--probe", options.probe, "find how to call the library's SHA-1 by trying the likely ways, and print the command line that checks it")
      ->needs(library)
      ->excludes("--interface")
      ->excludes("--abi");
  app.add_option("--symbols", options.symbols, "other names for the interface's functions, as SHA1_Update=my_update,SHA1_Final=my_final")
      ->type_name("RENAMES")
      ->needs(library);
  app.add_option("--seed", options.seed, "the seed of the random splits (default: a new one, which is printed)")
      ->type_name("N")
      ->check(CLI::Validator(
          [](const std::string& text) {
            // Read by hand: a number past 2^64 - 1 must be refused, not taken as the largest.
            errno = 0;
            char* end = nullptr;
            std::strtoull(text.c_str(), &end, 10);
            const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
            return digits && errno != ERANGE && *end == '\0' ? std::string() : "must be a whole number from 0 to 18446744073709551615";
          },
          ""));
  auto* nolong = app.add_flag("--no-long", options.nolong, "with --library: skip the long messages (2^32 + 8 bits; 2^32 + 1 bytes in one update)");
  app.add_flag("--long", options.longcheck, "also check the message of 2^32 + 8 bits, past which a 32-bit bit count wraps (default with --library)")
      ->excludes(nolong);
  auto* random = app.add_option("--random", options.random, "check N random messages through --library or --command against the built-in engine, instead of FILEs; the first failure is shrunk and printed as a CAVP record")
                     ->type_name("N")
                     ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1'000'000'000}).description(""));
  app.add_option("--max-length", options.maxlength, "with --random: the longest message, in bytes, 0 to 1048576 (default 1024)")
      ->type_name("BYTES")
      ->check(CLI::Range(std::uint64_t{0}, std::uint64_t{1} << 20).description(""))
      ->needs(random);
  app.add_option("--random-bytes", options.randombytes, "with --random: the bytes messages are made of: any (the default), nonzero (no NUL) or printable (ASCII 32 to 126), for an implementation that takes text")
      ->type_name("KIND")
      ->check(CLI::IsMember({"any", "nonzero", "printable"}))
      ->needs(random);
  app.add_flag("--catalogue", options.catalogue, "check the built-in catalogue as well as the FILEs");
  app.add_flag("--strict", options.strict, "a skipped vector fails the run (exit status 1)");
  auto* verbose = app.add_flag("-v,--verbose", options.verbose, "list every vector, the passing ones too");
  app.add_flag("-q,--quiet", options.quiet, "the summary alone, no failure listed")->excludes(verbose);
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
    return app.exit(error) == 0 ? 0 : 2;
  }
  if (app.count("--harness") > 0 && options.harness.find_first_not_of(" \t") == std::string::npos) {
    std::cerr << "sha1vectors: --harness needs a command to run\n";
    return 2;
  }
  if (auto problem = app.count("--interface") > 0 ? readdescription(options.interface) : std::nullopt) {
    std::cerr << "sha1vectors: " << *problem << "\n";
    return 2;
  }
  return refused(options, app.count("--command") > 0, app.count("--library") > 0);
}

}  // namespace sha1vectors::program
