// SPDX-License-Identifier: MIT
#include "sha1vectors/readers/fields.h"

#include <algorithm>
#include <charconv>

#include "utilities/basicutilities.h"

namespace sha1vectors {

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool startswith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string printable(std::string_view text, std::size_t limit) {
  std::string out;
  for (const char c : text) {
    if (out.size() >= limit) return out + "...";
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      out += "\\x" + basicutilities::dectohex(std::int32_t{byte}, 2);
    }
  }
  return out;
}

std::string quoted(std::string_view text) {
  // Appended: -Wrestrict
  std::string out(1, '"');
  out += printable(text);
  out += '"';
  return out;
}

void RecordReader::fail(int line, const std::string& problem) const { throw VectorFileError(file_, line, problem); }

std::uint64_t RecordReader::number(std::string_view text, int line, std::string_view field) const {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    fail(line, std::string(field) + " is not a whole number: " + quoted(text));
  }
  return value;
}

HexField hexfield(std::string_view hex, std::string_view field) {
  auto decoded = basicutilities::hexdecode(hex);
  if (!decoded.ok()) return {{}, std::string(field) + " " + decoded.problem(hex, quoted)};
  return {std::move(decoded.bytes), {}};
}

void setmessagebits(Vector& v, std::string_view bytes, std::uint64_t bits) {
  v.message = bytes.substr(0, static_cast<std::size_t>(bits / 8));
  v.partialbits = static_cast<unsigned>(bits % 8);
  v.partial = static_cast<std::uint8_t>(v.partialbits == 0 ? 0U : static_cast<unsigned char>(bytes[static_cast<std::size_t>(bits / 8)]) & (0xFF00U >> v.partialbits));
}

std::string RecordReader::bytes(std::string_view hex, int line, std::string_view field) const {
  auto [bytes, problem] = hexfield(hex, field);
  if (!problem.empty()) fail(line, problem);
  return std::move(bytes);
}

basicutilities::Sha1Digest RecordReader::digest(std::string_view hex, int line, std::string_view field) const {
  if (hex.size() != 40) fail(line, std::string(field) + " must be 40 hexadecimal digits, not " + std::to_string(hex.size()));
  const std::string raw = bytes(hex, line, field);
  basicutilities::Sha1Digest result;
  std::copy(raw.begin(), raw.end(), result.begin());
  return result;
}

Vector RecordReader::vector(int line, std::string name) const {
  Vector v;
  v.file = file_;
  v.line = line;
  v.name = printable(name, 100);
  return v;
}

}  // namespace sha1vectors
