// SPDX-License-Identifier: MIT
// Random messages against the engine.
#include <iostream>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/checking/random.h"
#include "sha1vectors/checking/report.h"
#include "sha1vectors/program/program.h"

namespace sha1vectors::program {

// --random: random messages against the engine; the first failure, shrunk, told as a failure and
// as a CAVP record to check again.
int checkrandom(const Options& options, Implementation& implementation) {
  sha1vectors::RandomSettings settings{options.random, *options.seed, options.maxlength, options.jobs};
  settings.bytes = options.randombytes == "printable" ? RandomBytes::printable : options.randombytes == "nonzero" ? RandomBytes::nonzero : RandomBytes::any;
  const std::string made = settings.bytes == RandomBytes::any ? "" : options.randombytes + " ";
  std::cerr << "sha1vectors: " << options.random << " random messages of up to " << options.maxlength << " " << made << "bytes, --seed " << settings.seed << "\n";
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
  if (interrupted) return stoppedstatus();
  return result.failure ? 1 : 0;
}

}  // namespace sha1vectors::program
