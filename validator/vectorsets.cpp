#include "validator/vectorsets.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>

#include "digest/catalogue.h"

namespace vectorsets {
namespace {

constexpr std::uint64_t cavpchainlength = 1000;

std::string describe(const std::string& file, int line, const std::string& problem) {
  return line > 0 ? file + ":" + std::to_string(line) + ": " + problem : file + ": " + problem;
}

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool startswith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::vector<std::string> readlines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw VectorFileError(path, 0, std::string("cannot be read: ") + std::strerror(errno));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  if (in.bad()) throw VectorFileError(path, 0, "cannot be read to its end");
  return lines;
}

// Reads one file's records; every error names the file and the line.
class Reader {
 public:
  explicit Reader(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void fail(int line, const std::string& problem) const { throw VectorFileError(file_, line, problem); }

  std::uint64_t number(std::string_view text, int line, std::string_view field) const {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
      fail(line, std::string(field) + " is not a whole number: \"" + std::string(text) + "\"");
    }
    return value;
  }

  std::string bytes(std::string_view hex, int line, std::string_view field) const {
    if (hex.size() % 2 != 0) fail(line, std::string(field) + " has an odd number of hexadecimal digits");
    std::string out(hex.size() / 2, '\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
      unsigned value = 0;
      const auto [end, error] = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, value, 16);
      if (error != std::errc() || end != hex.data() + 2 * i + 2) {
        fail(line, std::string(field) + " is not hexadecimal: \"" + std::string(hex.substr(2 * i, 2)) + "\" at digit " +
                       std::to_string(2 * i + 1));
      }
      out[i] = static_cast<char>(value);
    }
    return out;
  }

  basicutilities::Sha1Digest digest(std::string_view hex, int line, std::string_view field) const {
    if (hex.size() != 40) {
      fail(line, std::string(field) + " must be 40 hexadecimal digits, not " + std::to_string(hex.size()));
    }
    const std::string raw = bytes(hex, line, field);
    basicutilities::Sha1Digest result;
    std::copy(raw.begin(), raw.end(), result.begin());
    return result;
  }

  Vector vector(int line, std::string name) const {
    Vector v;
    v.file = file_;
    v.line = line;
    v.name = std::move(name);
    return v;
  }

 private:
  std::string file_;
};

// ---- NIST CAVP response files ----------------------------------------------------------------

std::vector<Vector> readcavp(const std::string& file, const std::vector<std::string>& lines) {
  const Reader reader(file);
  std::vector<Vector> vectors;
  std::optional<Vector> pending;  // a record whose MD has not come yet
  bool pendinghasmessage = false;
  std::optional<basicutilities::Sha1Digest> seed;
  std::uint64_t bits = 0;

  const auto requirenothingpending = [&] {
    if (pending) reader.fail(pending->line, "record \"" + pending->name + "\" ends without its MD");
  };

  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int number = static_cast<int>(index + 1);
    const std::string_view line = trim(lines[index]);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line != "[L = 20]") reader.fail(number, std::string(line) + " is not a SHA-1 section (SHA-1 digests are [L = 20])");
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) reader.fail(number, "expected \"Name = value\", found \"" + std::string(line) + "\"");
    const std::string_view key = trim(line.substr(0, equals));
    const std::string_view value = trim(line.substr(equals + 1));

    if (key == "Len") {
      requirenothingpending();
      bits = reader.number(value, number, "Len");
      pending = reader.vector(number, "Len = " + std::string(value));
      pendinghasmessage = false;
    } else if (key == "Msg") {
      if (!pending || seed || pendinghasmessage) reader.fail(number, "Msg without a Len before it");
      const std::string bytes = reader.bytes(value, number, "Msg");
      if (bits > 8 * static_cast<std::uint64_t>(bytes.size())) {
        reader.fail(number, "Msg holds " + std::to_string(8 * bytes.size()) + " bits, fewer than Len = " + std::to_string(bits));
      }
      // The message is the first Len bits, most significant first; Len = 0 is empty whatever Msg holds.
      pending->message = bytes.substr(0, bits / 8);
      pending->partialbits = static_cast<unsigned>(bits % 8);
      if (pending->partialbits != 0) pending->partial = static_cast<std::uint8_t>(bytes[bits / 8]);
      pendinghasmessage = true;
    } else if (key == "Seed") {
      requirenothingpending();
      seed = reader.digest(value, number, "Seed");
    } else if (key == "COUNT") {
      requirenothingpending();
      if (!seed) reader.fail(number, "COUNT without a Seed before it");
      reader.number(value, number, "COUNT");
      pending = reader.vector(number, "COUNT = " + std::string(value));
      pending->kind = Vector::Kind::montecarlo;
      pending->iterations = cavpchainlength;
      pending->message.assign(seed->begin(), seed->end());
    } else if (key == "MD") {
      if (!pending || (pending->kind == Vector::Kind::message && !pendinghasmessage)) {
        reader.fail(number, "MD without a Len and Msg (or a COUNT) before it");
      }
      pending->expected = reader.digest(value, number, "MD");
      // Each checkpoint is the next one's seed: the published value, so one wrong checkpoint
      // shows as one failure.
      if (pending->kind == Vector::Kind::montecarlo) seed = pending->expected;
      vectors.push_back(std::move(*pending));
      pending.reset();
    } else {
      reader.fail(number, "unknown field \"" + std::string(key) + "\"");
    }
  }
  requirenothingpending();
  return vectors;
}

// ---- NESSIE test-vector files ----------------------------------------------------------------

// "A...Za...z0...9" stands for the letters and digits it spans.
std::string expandranges(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i + 4 < text.size() && text.substr(i + 1, 3) == "..." && text[i] <= text[i + 4]) {
      for (int c = static_cast<unsigned char>(text[i]); c <= static_cast<unsigned char>(text[i + 4]); ++c) out += static_cast<char>(c);
      i += 4;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Sets v's message from a NESSIE description: "abc", 8 times "1234567890", 1 million times "a",
// 1023 zero bits, 512-bit string:  0*00,80,63*00
void describedmessage(const Reader& reader, Vector& v, std::string_view text, int line) {
  if (startswith(text, "\"")) {
    const auto close = text.find('"', 1);
    if (close == std::string_view::npos) reader.fail(line, "message has no closing quotation mark");
    v.message = expandranges(text.substr(1, close - 1));
    return;
  }
  if (const auto times = text.find(" times \""); times != std::string_view::npos && text.back() == '"') {
    std::string_view count = text.substr(0, times);
    std::uint64_t factor = 1;
    if (count.size() > 8 && count.substr(count.size() - 8) == " million") {
      factor = 1'000'000;
      count.remove_suffix(8);
    }
    const std::uint64_t copies = reader.number(count, line, "the repeat count") * factor;
    const std::string_view piece = text.substr(times + 8, text.size() - times - 9);
    v.message.reserve(piece.size() * copies);
    for (std::uint64_t i = 0; i < copies; ++i) v.message += piece;
    return;
  }
  if (const auto zeros = text.find(" zero bits"); zeros != std::string_view::npos && zeros + 10 == text.size()) {
    const std::uint64_t bits = reader.number(text.substr(0, zeros), line, "the bit count");
    v.message.assign(bits / 8, '\0');
    v.partialbits = static_cast<unsigned>(bits % 8);
    return;
  }
  if (const auto colon = text.find("-bit string:"); colon != std::string_view::npos) {
    const std::uint64_t bits = reader.number(text.substr(0, colon), line, "the bit count");
    std::string_view items = trim(text.substr(colon + 12));
    while (!items.empty()) {
      const auto comma = items.find(',');
      const std::string_view item = trim(items.substr(0, comma));
      items = comma == std::string_view::npos ? std::string_view() : items.substr(comma + 1);
      const auto star = item.find('*');
      const std::uint64_t copies = star == std::string_view::npos ? 1 : reader.number(item.substr(0, star), line, "a byte count");
      const std::string byte = reader.bytes(star == std::string_view::npos ? item : item.substr(star + 1), line, "a byte");
      for (std::uint64_t i = 0; i < copies; ++i) v.message += byte;
    }
    if (8 * static_cast<std::uint64_t>(v.message.size()) != bits) {
      reader.fail(line, "the bytes listed make " + std::to_string(8 * v.message.size()) + " bits, not " + std::to_string(bits));
    }
    return;
  }
  reader.fail(line, "message description not understood: \"" + std::string(text) + "\"");
}

std::vector<Vector> readnessie(const std::string& file, const std::vector<std::string>& lines) {
  const Reader reader(file);
  std::vector<Vector> vectors;

  struct Record {
    int line = 0;
    std::string name;
    std::vector<std::pair<std::string, std::pair<std::string, int>>> fields;  // key, value, line
  };
  std::optional<Record> record;

  const auto finish = [&] {
    if (!record) return;
    Vector base = reader.vector(record->line, record->name);
    bool described = false, hashed = false;
    for (const auto& [key, valueandline] : record->fields) {
      const auto& [value, number] = valueandline;
      if (key == "message") {
        describedmessage(reader, base, value, number);
        described = true;
      }
    }
    if (!described) reader.fail(record->line, record->name + " has no message");
    for (const auto& [key, valueandline] : record->fields) {
      const auto& [value, number] = valueandline;
      if (key == "message") continue;
      Vector v = base;
      v.line = number;
      if (key == "hash") {
        hashed = true;
      } else if (startswith(key, "iterated ") && key.size() > 15 && key.substr(key.size() - 6) == " times") {
        v.kind = Vector::Kind::iterated;
        v.iterations = reader.number(std::string_view(key).substr(9, key.size() - 15), number, "the iteration count");
        v.name += ", iterated " + std::to_string(v.iterations) + " times";
      } else {
        reader.fail(number, "unknown field \"" + key + "\"");
      }
      v.expected = reader.digest(value, number, key);
      vectors.push_back(std::move(v));
    }
    if (!hashed) reader.fail(record->line, record->name + " has no hash");
    record.reset();
  };

  for (std::size_t index = 0; index < lines.size(); ++index) {
    const int number = static_cast<int>(index + 1);
    const std::string_view raw = lines[index];
    const std::string_view line = trim(raw);
    if (startswith(line, "Hash size:") && line != "Hash size: 160 bits") {
      reader.fail(number, std::string(line) + ": not a SHA-1 file (SHA-1 digests have 160 bits)");
    }
    if (startswith(line, "Set ") && line.find("vector#") != std::string_view::npos && line.back() == ':') {
      finish();
      std::string name(line.substr(0, line.size() - 1));
      // "vector#  3" reads better as "vector# 3".
      while (name.find("#  ") != std::string::npos) name.erase(name.find("#  ") + 1, 1);
      record = Record{number, name, {}};
      continue;
    }
    if (!record) continue;  // headings between records
    if (line.empty()) {
      finish();
      continue;
    }
    const auto equals = line.find('=');
    if (equals != std::string_view::npos) {
      record->fields.push_back({std::string(trim(line.substr(0, equals))), {std::string(trim(line.substr(equals + 1))), number}});
    } else if (!record->fields.empty() && raw.size() > line.size()) {
      record->fields.back().second.first += line;  // an indented continuation of a long value
    } else {
      reader.fail(number, "expected \"name=value\" in " + record->name + ", found \"" + std::string(line) + "\"");
    }
  }
  finish();
  return vectors;
}

bool isnessie(const std::vector<std::string>& lines) {
  return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    const std::string_view text = trim(line);
    return startswith(text, "Set ") && text.find("vector#") != std::string_view::npos;
  });
}

}  // namespace

VectorFileError::VectorFileError(const std::string& file, int line, const std::string& problem)
    : std::runtime_error(describe(file, line, problem)) {}

std::uint64_t Vector::hashes() const { return kind == Kind::message ? 1 : iterations; }

std::vector<Vector> readvectorfile(const std::string& path) {
  const std::vector<std::string> lines = readlines(path);
  std::vector<Vector> vectors = isnessie(lines) ? readnessie(path, lines) : readcavp(path, lines);
  if (vectors.empty()) throw VectorFileError(path, 0, "holds no test vectors (not a CAVP response file or NESSIE test-vector file?)");
  return vectors;
}

std::vector<Vector> cataloguevectors() {
  std::vector<Vector> vectors;
  const auto entries = catalogue::entries();
  for (std::size_t i = 1; i < entries.size(); ++i) {
    Vector v;
    v.file = "catalogue";
    v.line = static_cast<int>(i);
    v.name = std::string(entries[i].text);
    v.message = catalogue::fullmessage(entries[i]);
    std::string digits(entries[i].expected);
    std::erase(digits, ' ');
    for (std::size_t b = 0; b < v.expected.size(); ++b) {
      std::from_chars(digits.data() + 2 * b, digits.data() + 2 * b + 2, v.expected[b], 16);
    }
    vectors.push_back(std::move(v));
  }
  return vectors;
}

std::string hex(const basicutilities::Sha1Digest& digest) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (const auto byte : digest) {
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
  }
  return text;
}

}  // namespace vectorsets
