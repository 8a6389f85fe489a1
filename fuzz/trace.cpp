// SPDX-License-Identifier: MIT
// A user's trace, as --trace-compare reads it, on arbitrary input: no crash, no undefined
// behaviour, no memory taken out of proportion to the text, and a verdict either way.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "sha1vectors/tracing/tracecompare.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const auto trace = sha1vectors::readtrace(text);
    if (trace.size() > size) std::abort();  // a block for every line at most
    const auto result = sha1vectors::comparetrace("abc", basicutilities::standardroundconstants, trace);
    if (result.report.empty()) std::abort();
  } catch (const sha1vectors::TraceError&) {
  }
  return 0;
}
