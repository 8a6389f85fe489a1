// SPDX-License-Identifier: MIT
// The published SHA-1 vector sets read into vectors (model/vector.h): NIST CAVP response
// files (byte- and bit-oriented messages, the Monte Carlo test), NESSIE test-vector files, and the
// tester's own catalogue. ACVP's JSON sets: acvp.h.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/model/vector.h"

namespace sha1vectors {

// What a file may ask for. Past these it is refused before any memory is taken or work begun.
inline constexpr std::uint64_t maxmessagebytes = std::uint64_t{16} << 30;  // streamed
inline constexpr std::uint64_t maxheldbytes = std::uint64_t{64} << 20;     // spelled out byte by byte
inline constexpr std::uint64_t maxiterations = 100'000'000;
inline constexpr std::uint64_t maxfilebytes = std::uint64_t{256} << 20;

// content without the UTF-8 byte order mark that some editors write in front of a file of any format.
std::string_view withoutbyteordermark(std::string_view content);

// "file:line", or the file alone where there is no line (a JSON file, the file as a whole).
std::string filelocation(const std::string& file, int line);

// A file that cannot be used: what is wrong, and where ("file:line: problem").
class VectorFileError : public std::runtime_error {
 public:
  VectorFileError(const std::string& file, int line, const std::string& problem);
};

// What a regular file holds, read whole. Throws VectorFileError when it cannot be read, is not a
// regular file or is larger than maxfilebytes.
std::string readregularfile(const std::string& path);

// Every vector of a CAVP response file or NESSIE test-vector file, recognised by its content.
// Only regular files are read. Throws VectorFileError for a file that cannot be read, holds no
// vectors, has a malformed record or asks for more than the limits above; then no vector of it is
// returned.
std::vector<Vector> readvectorfile(const std::string& path);
// The same for a file's content, read already; name stands for the file in errors.
std::vector<Vector> readvectortext(const std::string& name, std::string_view content);

// Catalogue entries 1 to 11.
std::vector<Vector> cataloguevectors();

}  // namespace sha1vectors
