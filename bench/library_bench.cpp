// SPDX-License-Identifier: MIT
// sha1vectors --library and --harness at work: every shipped vector file, and random messages, through OpenSSL's
// libcrypto in a worker (every message in all its splits), beside the built-in engine in-process
// on the same work.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/checking/random.h"
#include "sha1vectors/implementations/command.h"
#include "sha1vectors/implementations/library.h"
#include "sha1vectors/readers/inputs.h"

namespace {

std::atomic<bool> never{false};
const unsigned jobs = std::max(1U, std::thread::hardware_concurrency());

std::unique_ptr<sha1vectors::Implementation> implementation(bool library) {
  if (!library) return std::make_unique<sha1vectors::Engine>();
  sha1vectors::LibrarySettings settings;
  settings.path = "libcrypto.so.3";
  settings.worker = SHA1VECTORS_PROGRAM;
  auto loaded = std::make_unique<sha1vectors::Library>(settings);
  if (loaded->cannotrun()) return nullptr;
  return loaded;
}

// Every vector file shipped with the tests, as `sha1vectors --library libcrypto.so.3 --no-long
// tests/vectors/*/*` reads them (a library without the bit-oriented ending skips those vectors).
void BM_AllShippedVectors(benchmark::State& state) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(SHA1TESTER_VECTOR_DIR)) {
    const auto extension = entry.path().extension();
    if (extension == ".rsp" || extension == ".json" || extension == ".test-vectors") files.push_back(entry.path().string());
  }
  const sha1vectors::Inputs inputs = sha1vectors::readinputs(files, false, false);
  std::vector<const sha1vectors::Vector*> vectors;
  for (const auto& source : inputs.sources) {
    for (const auto& vector : source.vectors) vectors.push_back(&vector);
  }
  auto checked = implementation(state.range(0) != 0);
  if (!checked) return state.SkipWithError("libcrypto.so.3 cannot be loaded");
  std::size_t failed = 0;
  for (auto _ : state) {
    sha1vectors::checkvectors(vectors, *checked, jobs, never, [&](std::size_t, const sha1vectors::Verdict& verdict) { failed += verdict.status == sha1vectors::Verdict::Status::failed; });
  }
  if (failed > 0) state.SkipWithError("a vector failed");
  state.counters["vectors"] = static_cast<double>(vectors.size());
  state.SetLabel(state.range(0) != 0 ? "libcrypto in a worker" : "engine in-process");
}
BENCHMARK(BM_AllShippedVectors)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// --random 100000 through checked: messages a second.
void checkrandommessages(benchmark::State& state, sha1vectors::Implementation& checked, const char* label) {
  const std::uint64_t count = 100'000;
  for (auto _ : state) {
    const auto result = sha1vectors::checkrandom(checked, {count, 1, 1024, jobs}, never);
    if (result.failure) state.SkipWithError("a random message failed");
  }
  state.counters["messages_per_s"] = benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel(label);
}

// --random N: messages a second.
void BM_RandomMessages(benchmark::State& state) {
  auto checked = implementation(state.range(0) != 0);
  if (!checked) return state.SkipWithError("libcrypto.so.3 cannot be loaded");
  checkrandommessages(state, *checked, state.range(0) != 0 ? "libcrypto in a worker" : "engine in-process");
}
BENCHMARK(BM_RandomMessages)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Python's hashlib on the same random messages: through its harness (every message in all its
// splits, one program for the run) against a command that takes the messages as files ({}), a
// program start per call; messages a second.
void BM_PythonRandomMessages(benchmark::State& state) {
  std::unique_ptr<sha1vectors::Implementation> checked;
  if (state.range(0) != 0) {
    sha1vectors::LibrarySettings settings;
    settings.path = "python3 " EXAMPLES_DIR "/harness/sha1_harness.py";
    settings.abi = "harness";
    settings.worker = SHA1VECTORS_PROGRAM;
    auto harness = std::make_unique<sha1vectors::Library>(settings);
    if (auto problem = harness->cannotrun()) return state.SkipWithError(problem->c_str());
    checked = std::move(harness);
  } else {
    auto command = std::make_unique<sha1vectors::Command>(
        "python3 -c 'import hashlib, sys; [print(hashlib.sha1(open(f, \"rb\").read()).hexdigest()) for f in sys.argv[1:]]' {}",
        std::chrono::milliseconds(10'000), &never);
    if (auto problem = command->cannotrun()) return state.SkipWithError(problem->c_str());
    checked = std::move(command);
  }
  checkrandommessages(state, *checked, state.range(0) != 0 ? "--harness, every split" : "--command {}, whole messages");
}
BENCHMARK(BM_PythonRandomMessages)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
