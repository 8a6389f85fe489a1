// SPDX-License-Identifier: MIT
// Checking vector files (or the catalogue) and writing an ACVP response.
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/checking/report.h"
#include "sha1vectors/checking/response.h"
#include "sha1vectors/program/program.h"
#include "sha1vectors/readers/inputs.h"
#include "sha1vectors/process/process.h"

namespace sha1vectors::program {
namespace {

// Where the verdicts and the summary go: standard output, unless the response goes there.
std::ostream& results(const Options& options) {
  const std::string& response = options.acvpresponse;
  return !response.empty() && (response == "-" || process::isstandardoutput(response)) ? std::cerr : std::cout;
}

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
  std::cerr << "sha1vectors: wrote the answers to vsId " << prompt.vsid << " to " << (options.acvpresponse == "-" ? "standard output" : options.acvpresponse) << "\n";
  return 0;
}

// The one of files that path names too, if any.
std::optional<std::string> samefile(const std::string& path, const std::vector<std::string>& files) {
  std::error_code error;
  const auto same = std::find_if(files.begin(), files.end(), [&](const std::string& file) { return std::filesystem::equivalent(process::filepath(file), process::filepath(path), error); });
  return same != files.end() ? std::optional(*same) : std::nullopt;
}

// Checks every source's vectors, telling each verdict as the options say; the tally.
sha1vectors::Tally checkall(const Options& options, const sha1vectors::Inputs& inputs, sha1vectors::Implementation& implementation) {
  std::uint64_t total = 0;
  for (const auto& source : inputs.sources) {
    for (const auto& vector : source.vectors) total += sha1vectors::cantake(implementation, vector) ? 1 : 0;
  }
  sha1vectors::Progress progress(total, stderr, process::terminal(stderr));
  sha1vectors::Report report(inputs.sources, {options.verbose, !options.quiet}, progress, results(options), std::cerr);
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
  if (interrupted) return stoppedstatus();
  // A response needs no vector checked; checking needs at least one.
  const bool skippedfails = options.strict && tally.skipped > 0;
  const bool responding = !options.acvpresponse.empty();
  return tally.failed == 0 && !skippedfails && (responding ? responded == 0 : tally.passed > 0) ? 0 : 1;
}

// The message of 2^32 + 8 bits, past which a 32-bit bit count wraps, with its digest; for a library
// on a 64-bit system, also one of 2^32 + 1 bytes, given in one update, past which a length parameter
// of 32 bits wraps (the library's worker maps it, at no cost in memory).
sha1vectors::Source longmessage(bool library) {
  sha1vectors::Source source{"long-message check", {}};
  const auto add = [&](std::uint64_t repeat, const std::string& name) {
    sha1vectors::Vector& vector = source.vectors.emplace_back();
    vector.file = source.name;
    vector.name = name;
    vector.message.assign(1, 'a');  // not = "a": GCC 12 sees a false overlap there (-Wrestrict)
    vector.repeat = repeat;
    // Stopped meanwhile, the run leaves it unchecked anyway.
    vector.expected = sha1vectors::Engine(&interrupted).digest({vector.message, vector.repeat}).digest.value_or(basicutilities::Sha1Digest{});
  };
  add((std::uint64_t{1} << 29) + 1, "536870913 bytes of \"a\" (2^32 + 8 bits: a 32-bit bit count wraps)");
  if (library && sizeof(std::size_t) > 4) add((std::uint64_t{1} << 32) + 1, "4294967297 bytes of \"a\" in one update (past 2^32: a 32-bit length wraps)");
  return source;
}

}  // namespace


int checkfiles(const Options& options, Chosen& chosen) {
  Implementation& implementation = chosen.implementation();
  const bool responding = !options.acvpresponse.empty();
  sha1vectors::Inputs inputs = sha1vectors::readinputs(options.files, options.catalogue, responding);
  if ((chosen.library() && !options.nolong) || options.longcheck) inputs.sources.push_back(longmessage(chosen.library() && options.harness.empty()));
  if (auto file = responding ? samefile(options.acvpresponse, inputs.files) : std::nullopt) {
    std::cerr << "sha1vectors: --acvp-response " << options.acvpresponse << " would replace " << *file << ", which is read (nothing was checked)\n";
    return 2;
  }
  for (const std::string& problem : inputs.problems) complain(problem);
  const bool unusable = !inputs.problems.empty();
  const sha1vectors::Tally tally = checkall(options, inputs, implementation);
  const int responded = responding && !interrupted ? respond(options, inputs, implementation) : 0;
  // Failures that came of this machine, not of the command, leave the run without a verdict.
  const std::optional<std::string> runproblem = chosen.runproblem();
  if (runproblem) std::cerr << "sha1vectors: " << *runproblem << " (what failed for it says nothing of the command)\n";

  if (interrupted) std::cerr << "sha1vectors: interrupted; what was checked before is counted\n";
  if (tally.passed + tally.failed == 0 && !unusable && !interrupted && !responding) std::cerr << "sha1vectors: no vector was checked\n";
  if (!sha1vectors::summarise(tally, results(options))) {
    std::cerr << "sha1vectors: cannot write the results to standard output\n";
    return 2;
  }
  return exitstatus(options, tally, unusable || runproblem, responded);
}

}  // namespace sha1vectors::program
