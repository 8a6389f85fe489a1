// SPDX-License-Identifier: MIT
// SHA-1 throughput: our engine beside OpenSSL's EVP SHA-1, same sizes, same run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <string>

#include "catalogue/catalogue.h"
#include "digest/sha1block.h"
#include "digest/sha1digest.h"

namespace {

constexpr std::int64_t sizes[] = {64, 1 << 10, 16 << 10, 1 << 20};

void applysizes(benchmark::internal::Benchmark* b) {
  for (const auto size : sizes) b->Arg(size);
}

std::string message(std::int64_t size) { return std::string(static_cast<std::size_t>(size), '\x5A'); }

void finishrun(benchmark::State& state) { state.SetBytesProcessed(state.iterations() * state.range(0)); }

// The engine's own interface pads the caller's string, so every call starts from a fresh copy
// with room for the padding (as a caller that keeps its message would pass).
void BM_sha1digest(benchmark::State& state) {
  const std::string original = message(state.range(0));
  std::string working;
  working.reserve(original.size() + 128);
  std::string constants;
  for (auto _ : state) {
    working.assign(original);
    benchmark::DoNotOptimize(basicutilities::sha1digest(constants, working));
  }
  finishrun(state);
}
BENCHMARK(BM_sha1digest)->Apply(applysizes);

void BM_Sha1Stream(benchmark::State& state) {
  const std::string data = message(state.range(0));
  basicutilities::Sha1Stream stream;
  for (auto _ : state) {
    stream.add(data);
    benchmark::DoNotOptimize(stream.finish());
  }
  finishrun(state);
}
BENCHMARK(BM_Sha1Stream)->Apply(applysizes);

void BM_OpensslEvpDigest(benchmark::State& state) {
  const std::string data = message(state.range(0));
  unsigned char digest[EVP_MAX_MD_SIZE];
  for (auto _ : state) {
    EVP_Digest(data.data(), data.size(), digest, nullptr, EVP_sha1(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  finishrun(state);
}
BENCHMARK(BM_OpensslEvpDigest)->Apply(applysizes);

// The portable compression function alone (custom constants, processors without SHA extensions).
// Compare with BM_OpensslEvpDigest in a run with OPENSSL_ia32cap="~0x20000000000" (integer only).
void BM_PortableBlocks(benchmark::State& state) {
  const std::string data = message(state.range(0));
  for (auto _ : state) {
    basicutilities::detail::Sha1State chaining = basicutilities::detail::sha1initialstate;
    basicutilities::detail::sha1blocksportable(chaining, basicutilities::standardroundconstants,
                                               reinterpret_cast<const std::uint8_t*>(data.data()), data.size() / 64);
    benchmark::DoNotOptimize(chaining);
  }
  finishrun(state);
}
BENCHMARK(BM_PortableBlocks)->Arg(16 << 10)->Arg(1 << 20);

// The catalogue's million "a" as the hash request passes it: built with room for its padding.
void BM_sha1digestMillionA(benchmark::State& state) {
  const auto& entry = catalogue::entry(catalogue::millionentry);
  std::string constants;
  for (auto _ : state) {
    state.PauseTiming();
    std::string million = catalogue::fullmessage(entry);
    state.ResumeTiming();
    benchmark::DoNotOptimize(basicutilities::sha1digest(constants, million));
  }
}
BENCHMARK(BM_sha1digestMillionA)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
