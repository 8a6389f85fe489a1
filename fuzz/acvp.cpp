// SPDX-License-Identifier: MIT
// The ACVP JSON reader on arbitrary bytes: every input ends in a prompt, expected results or a
// VectorFileError, within the memory limit scripts/fuzz sets; a prompt's cheap vectors are
// checked on the engine against itself as results, so chains and bit strings are built too.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/readers/acvp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const auto half = sha1vectors::readacvptext("fuzz", std::string_view(reinterpret_cast<const char*>(data), size));
    const auto* prompt = std::get_if<sha1vectors::AcvpPrompt>(&half);
    if (prompt == nullptr) return 0;
    sha1vectors::Engine engine;
    for (const auto& test : prompt->tests) {
      const std::uint64_t most = test.type == "MCT" ? 64 : 1U << 20;  // a chain hashes its seed thrice, a thousand times
      if (test.vector.message.size() * test.vector.repeat <= most) sha1vectors::check(test.vector, engine);
    }
  } catch (const sha1vectors::VectorFileError&) {
  }
  return 0;
}
