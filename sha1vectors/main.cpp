// SPDX-License-Identifier: MIT
// sha1vectors: checks a SHA-1 implementation against whole published vector sets.
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/implementations/library.h"
#include "sha1vectors/process/process.h"
#include "sha1vectors/program/program.h"

namespace {

// The first signal that would end the program is its exit status; the run stops and tidies up.
void interrupt(int signal) {
  int none = 0;
  sha1vectors::program::stopsignal.compare_exchange_strong(none, signal);
  sha1vectors::program::interrupted = true;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace sha1vectors::program;
  // UTF-8 from here on, whatever the system's code page.
  std::vector<std::string> words = sha1vectors::process::arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  argc = static_cast<int>(words.size());
  argv = pointers.data();
  // The worker --library starts: this program again, loading the library and hashing for it.
  if (argc > 1 && std::string_view(argv[1]) == "--library-worker") return sha1vectors::libraryworker(argc, argv);
  // A command that exits without reading all of its input must not end this program.
  sha1vectors::process::ignorebrokenpipes();
  Options options;
  if (const auto status = parse(argc, argv, options)) return *status;
  if (options.trace || options.tracehex) return trace(options);
  // One seed for the random splits and the random messages, printed, so that a run can be repeated.
  if (!options.seed) options.seed = std::random_device{}();
  sha1vectors::process::onstopsignals(interrupt);
  if (options.probe) return probelibrary(options, argv[0]);
  Chosen chosen;
  if (!chosen.choose(options, argv[0])) return interrupted ? stoppedstatus() : 2;
  if (options.random > 0) return checkrandom(options, chosen.implementation());
  return checkfiles(options, chosen);
}
