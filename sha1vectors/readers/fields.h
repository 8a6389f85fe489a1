// SPDX-License-Identifier: MIT
// What the vector-file readers share: reading fields of a record, each error naming the file and
// the line; making a message of a number of bits. Internal to the readers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/readers/vectorfile.h"

namespace sha1vectors {

std::string_view trim(std::string_view text);
bool startswith(std::string_view text, std::string_view prefix);
// Text from a file, safe to show: control characters and bytes beyond ASCII written as \xNN, and
// cut to about limit characters ("..." saying so).
std::string printable(std::string_view text, std::size_t limit = 60);
// The same in quotation marks.
std::string quoted(std::string_view text);

// The bytes a field's pairs of hexadecimal digits spell, or what is wrong with it, the field named
// as given ("Msg has an odd number of hexadecimal digits").
struct HexField {
  std::string bytes;
  std::string problem;  // empty when it was read
};
HexField hexfield(std::string_view hex, std::string_view field);

// How many bytes hold bits bits (no overflow near 2^64).
constexpr std::uint64_t bytesfor(std::uint64_t bits) { return bits / 8 + (bits % 8 != 0 ? 1 : 0); }
// The first bits of bytes (which hold at least bytesfor(bits)), most significant first, as v's
// message: the whole bytes, then a partial byte whose bits past the message are cleared, so that
// nothing beyond the message can reach a hash built from it.
void setmessagebits(Vector& v, std::string_view bytes, std::uint64_t bits);

class RecordReader {
 public:
  explicit RecordReader(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void fail(int line, const std::string& problem) const;

  // A decimal whole number, nothing before or after it.
  std::uint64_t number(std::string_view text, int line, std::string_view field) const;
  // Bytes written as pairs of hexadecimal digits.
  std::string bytes(std::string_view hex, int line, std::string_view field) const;
  // Exactly 40 hexadecimal digits.
  basicutilities::Sha1Digest digest(std::string_view hex, int line, std::string_view field) const;
  // A vector of this file, its record starting at line.
  Vector vector(int line, std::string name) const;

 private:
  std::string file_;
};

}  // namespace sha1vectors
