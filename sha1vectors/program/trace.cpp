// SPDX-License-Identifier: MIT
// SHA-1's working on one message, and a trace of the user's compared with it.
#include <fstream>
#include <iostream>

#include "digest/sha1trace.h"
#include "input/messagebytes.h"
#include "utilities/hex.h"
#include "sha1vectors/program/program.h"
#include "sha1vectors/readers/vectorfile.h"
#include "sha1vectors/tracing/tracecompare.h"
#include "sha1vectors/process/process.h"

namespace sha1vectors::program {
namespace {

// The message --trace or --trace-hex gives; nothing, having said why, when it cannot be read.
std::optional<std::string> tracedmessage(const Options& options) {
  if (options.trace) {
    const input::Encoded encoded = input::towindows1252(input::fromutf8(*options.trace));
    if (encoded.unmappable) {
      std::cerr << "sha1vectors: --trace: character " << encoded.unmappable->position << " has no byte in Windows-1252 (give its bytes with --trace-hex)\n";
      return std::nullopt;
    }
    return encoded.bytes;
  }
  std::string digits = *options.tracehex;
  std::erase_if(digits, [](char c) { return c == ' ' || c == ':'; });
  const basicutilities::HexDecoded decoded = basicutilities::hexdecode(digits);
  if (!decoded.ok()) {
    // Appended, not added to literals: GCC 12 sees a false overlap there (-Wrestrict).
    std::cerr << "sha1vectors: --trace-hex " << decoded.problem(digits, [](std::string_view pair) { return std::string(1, '"').append(pair).append(1, '"'); }) << "\n";
    return std::nullopt;
  }
  return decoded.bytes;
}

// The whole of a file of up to the readers' limit, "-" standard input; nothing when it cannot be
// read or is longer.
std::optional<std::string> readall(const std::string& path) {
  std::ifstream file;
  if (path != "-") file.open(process::filepath(path), std::ios::binary);
  if (path != "-" && !file.is_open()) return std::nullopt;
  std::istream& in = path == "-" ? std::cin : file;
  std::string text;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > sha1vectors::maxfilebytes) return std::nullopt;
  }
  return in.bad() ? std::nullopt : std::optional(text);
}

// The user's trace against SHA-1's: 0 when they agree, 1 where they part, 2 when it is no trace.
int comparetrace(const std::string& message, const basicutilities::RoundConstants& constants, const std::string& path) {
  const std::optional<std::string> text = readall(path);
  if (!text) {
    std::cerr << "sha1vectors: --trace-compare " << path << ": cannot be read, or is over " << (sha1vectors::maxfilebytes >> 20) << " MiB\n";
    return 2;
  }
  try {
    const sha1vectors::TraceComparison comparison = sha1vectors::comparetrace(message, constants, sha1vectors::readtrace(*text, message.size() / 64 + 3));
    std::cout << comparison.report << std::flush;
    return !std::cout ? 2 : comparison.agree ? 0 : 1;
  } catch (const sha1vectors::TraceError& error) {
    std::cerr << "sha1vectors: --trace-compare " << path << ": " << error.what() << "\n";
    return 2;
  }
}

}  // namespace

// --trace or --trace-hex: SHA-1's working on that one message to standard output, or compared
// with the user's. 2 when the message or the constants cannot be read.
int trace(const Options& options) {
  const std::optional<std::string> message = tracedmessage(options);
  if (!message) return 2;
  std::string constants = options.constants;
  basicutilities::RoundConstants k = basicutilities::standardroundconstants;
  try {
    if (!constants.empty()) k = basicutilities::roundconstants(constants);
  } catch (const std::exception& error) {
    std::cerr << "sha1vectors: --constants: " << error.what() << "\n";
    return 2;
  }
  if (options.tracecompare) return comparetrace(*message, k, *options.tracecompare);
  std::cout << basicutilities::sha1trace(*message, k) << std::flush;
  return std::cout ? 0 : 2;
}

}  // namespace sha1vectors::program
