// SPDX-License-Identifier: MIT
// The implementation a run checks: the engine, a command or a library.
#include <cmath>
#include <iostream>

#include "sha1vectors/program/program.h"
#include "sha1vectors/process/process.h"

namespace sha1vectors::program {
namespace {


std::string how(const Command& command) {
  std::string text = command.throughshell() ? "through /bin/sh -c (it has shell syntax)" : "directly (no shell syntax)";
  if (command.takesfiles()) return text + ", given up to " + std::to_string(command.batchlimit()) + " messages a call as files for {}";
  return text + ", given one message a call on its standard input";
}

}  // namespace

bool Chosen::choose(const Options& options, const std::string& self) {
  if (!options.command.empty()) return startcommand(options);
  if (!options.library.empty() || !options.harness.empty()) return loadlibrary(options, self);
  return true;
}

Implementation& Chosen::implementation() {
  if (command_) return *command_;
  if (library_) return *library_;
  return engine_;
}

// The library of --library, loaded in its first worker, or the harness of --harness, started by it;
// false, having said why, when it cannot be.
bool Chosen::loadlibrary(const Options& options, const std::string& self) {
  sweeper_.emplace();  // what the library starts outside the worker's group is adopted, and ended
  LibrarySettings settings;
  settings.path = options.harness.empty() ? options.library : options.harness;
  settings.abi = !options.harness.empty() ? "harness" : !options.interface.empty() ? "described" : options.abi;
  settings.description = options.interface;
  settings.renames = options.symbols;
  settings.timeout = std::chrono::milliseconds(std::llround(options.timeout * 1000));
  settings.seed = *options.seed;
  settings.worker = process::selfpath(self);
  settings.stop = &interrupted;
  library_.emplace(settings);
  if (auto problem = library_->cannotrun()) {
    std::cerr << "sha1vectors: " << *problem << " (nothing was checked)\n";
    return false;
  }
  if (options.verbose) std::cerr << "sha1vectors: " << settings.path << " has " << library_->interface() << "\n";
  std::cerr << "sha1vectors: every message is also given in splits, the random ones from --seed " << settings.seed << "\n";
  return true;
}

// The command of --command; false, having said why, when it cannot be run.
bool Chosen::startcommand(const Options& options) {
  command_.emplace(options.command, std::chrono::milliseconds(std::llround(options.timeout * 1000)), &interrupted, &sweeper_.emplace());
  if (auto problem = command_->cannotrun()) {
    std::cerr << "sha1vectors: " << *problem << " (nothing was checked)\n";
    return false;
  }
  if (options.verbose) std::cerr << "sha1vectors: the command runs " << how(*command_) << "\n";
  return true;
}

}  // namespace sha1vectors::program
