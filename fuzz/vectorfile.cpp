// SPDX-License-Identifier: MIT
// The CAVP and NESSIE readers on arbitrary bytes: every input ends in vectors or a VectorFileError,
// within the memory limit scripts/fuzz sets; vectors cheap enough are checked on the engine too.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/readers/vectorfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<sha1vectors::Vector> vectors;
  try {
    vectors = sha1vectors::readvectortext("fuzz", std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const sha1vectors::VectorFileError&) {
    return 0;
  }
  sha1vectors::Engine engine;
  for (const auto& vector : vectors) {
    if (vector.message.size() * vector.repeat <= (1U << 20) && vector.iterations <= 2000) sha1vectors::check(vector, engine);
  }
  return 0;
}
