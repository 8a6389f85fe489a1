// What the vector-file readers share: reading fields of a record, each error naming the file and
// the line. Internal to sha1vectors.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/vectors.h"

namespace sha1vectors {

std::string_view trim(std::string_view text);
bool startswith(std::string_view text, std::string_view prefix);
// Text from a file, safe to show: control characters and bytes beyond ASCII written as \xNN, and
// cut to about limit characters ("..." saying so).
std::string printable(std::string_view text, std::size_t limit = 60);
// The same in quotation marks.
std::string quoted(std::string_view text);

// The bytes that pairs of hexadecimal digits spell (hex has an even length); nullopt, with the
// index of the pair at fault in bad, when a digit is not hexadecimal.
std::optional<std::string> hexpairs(std::string_view hex, std::size_t& bad);

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

// The two formats, from a file's lines (without line ends).
std::vector<Vector> readcavp(const std::string& file, const std::vector<std::string>& lines);
std::vector<Vector> readnessie(const std::string& file, const std::vector<std::string>& lines);
bool isnessie(const std::vector<std::string>& lines);

}  // namespace sha1vectors
