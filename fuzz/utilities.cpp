// SPDX-License-Identifier: MIT
// Field extraction, the hexadecimal conversions, the word operations and the digest with custom
// round constants, on arbitrary input: no crash, no undefined behaviour, and the conversions and
// word operations agree with plain arithmetic.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "digest/sha1digest.h"
#include "utilities/basicutilities.h"

namespace bu = basicutilities;

namespace {

void expect(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (bu::setalerthandler([](const std::string&, const std::string&) { return false; }), true);
  (void)quiet;
  FuzzedDataProvider in(data, size);

  std::string text = in.ConsumeRandomLengthString(64);
  std::int32_t field = in.ConsumeIntegral<std::int32_t>();
  std::string delimiter = in.ConsumeRandomLengthString(4);
  bu::parsefield(text, field, delimiter);

  std::string hex = in.ConsumeRandomLengthString(12);
  try {
    bu::hextodec(hex);
  } catch (const bu::HexOverflowError&) {
  }
  const auto value = in.ConsumeIntegral<std::int32_t>();
  std::string eight = bu::dectohex(value, 8);
  expect(bu::hextodec(eight) == value);
  bu::dectohex(in.ConsumeIntegral<std::int16_t>(), in.ConsumeIntegralInRange(-4, 40));

  const auto a = in.ConsumeIntegral<bu::Word>(), b = in.ConsumeIntegral<bu::Word>();
  const auto n = in.ConsumeIntegral<std::int16_t>();
  const auto u = static_cast<std::uint32_t>(a);
  expect(static_cast<std::uint32_t>(bu::wordadd(a, b)) == u + static_cast<std::uint32_t>(b));
  // The rotation as plain shifts, not the std::rotl the code itself uses.
  expect(static_cast<std::uint32_t>(bu::rleft(a, n)) == (n >= 1 && n <= 31 ? (u << n | u >> (32 - n)) : u));
  expect(static_cast<std::uint32_t>(bu::sright(a, n)) == (n <= 0 ? u : n >= 32 ? 0 : u >> n));
  expect(static_cast<std::uint32_t>(bu::sleft(a, n)) == (n <= 0 ? u : n >= 32 ? 0 : u << n));
  bu::wordtohex(a, n);

  std::string constants = in.ConsumeRandomLengthString(40);
  std::string message = in.ConsumeRemainingBytesAsString();
  try {
    bu::sha1digest(constants, message);
  } catch (const bu::HexOverflowError&) {
  }
  return 0;
}
