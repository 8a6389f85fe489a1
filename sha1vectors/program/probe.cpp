// SPDX-License-Identifier: MIT
// --probe: how to call a library nobody has described, found by trying.
#include <cmath>
#include <iostream>

#include "sha1vectors/implementations/probe.h"
#include "sha1vectors/process/process.h"
#include "sha1vectors/program/program.h"

namespace sha1vectors::program {

// Says what the library exports that looks like SHA-1 and, on standard output, the command line
// that checks it; 0 when a way was found, 1 when none was, 2 when the library cannot be loaded.
int probelibrary(const Options& options, const std::string& self) {
  LibrarySettings settings;
  settings.path = options.library;
  // A wrong guess may hang: it is given little time (its own, as always, not the machine's).
  settings.timeout = std::chrono::milliseconds(std::llround(std::min(options.timeout, 1.0) * 1000));
  settings.seed = *options.seed;
  settings.worker = process::selfpath(self);
  settings.stop = &interrupted;
  std::string problem;
  const ProbeResult found = probe(settings, problem);
  if (!problem.empty()) {
    std::cerr << "sha1vectors: " << problem << " (nothing was probed)\n";
    return 2;
  }
  std::cerr << "sha1vectors: " << options.library << " exports " << found.functions.size() << " functions that look like SHA-1's";
  for (std::size_t i = 0; i < found.functions.size(); ++i) std::cerr << (i == 0 ? ": " : ", ") << found.functions[i];
  std::cerr << "\n";
  if (interrupted) return stoppedstatus();
  const std::string quoted = "'" + options.library + "'";
  if (!found.builtin.empty()) {
    std::cerr << "sha1vectors: it has " << found.builtin << "\n";
    std::cout << "sha1vectors --library " << quoted << "\n";
    return 0;
  }
  if (found.description.empty()) {
    std::cerr << "sha1vectors: none of the " << found.tried << " ways tried gives SHA-1's digest: describe the interface with --interface\n";
    return 1;
  }
  std::cerr << "sha1vectors: of " << found.tried << " ways tried, this gives SHA-1's digest of every message, given every way; the context's size is\n"
            << "the least that no call writes past. Add vector files to the line:\n";
  std::cout << "sha1vectors --library " << quoted << " --interface '" << found.description << "'\n";
  return 0;
}

}  // namespace sha1vectors::program
