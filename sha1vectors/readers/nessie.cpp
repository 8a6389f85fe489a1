// SPDX-License-Identifier: MIT
// NESSIE test-vector files: records headed "Set N, vector# M:", with "message=" describing the
// message in words and "hash=" (and "iterated N times=") giving digests.
#include <algorithm>
#include <optional>

#include "sha1vectors/readers/fields.h"
#include "sha1vectors/readers/formats.h"

namespace sha1vectors {
namespace {

// "A...Za...z0...9" stands for the letters and digits it spans.
std::string expandranges(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i + 4 < text.size() && text.substr(i + 1, 3) == "..." && static_cast<unsigned char>(text[i]) <= static_cast<unsigned char>(text[i + 4])) {
      for (int c = static_cast<unsigned char>(text[i]); c <= static_cast<unsigned char>(text[i + 4]); ++c) out += static_cast<char>(c);
      i += 4;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A message description, in one of its forms: "abc", 8 times "1234567890", 1 million times "a",
// 1023 zero bits, 512-bit string:  0*00,80,63*00
class MessageDescription {
 public:
  MessageDescription(const RecordReader& reader, std::string_view text, int line) : reader_(reader), text_(text), line_(line) {}

  // Sets v's message from the description.
  void into(Vector& v) const {
    if (startswith(text_, "\"")) return literal(v);
    if (const auto times = text_.find(" times \""); times != std::string_view::npos && text_.back() == '"') return repeated(v, times);
    if (const auto zeros = text_.find(" zero bits"); zeros != std::string_view::npos && zeros + 10 == text_.size()) {
      return zerobits(v, zeros);
    }
    if (const auto colon = text_.find("-bit string:"); colon != std::string_view::npos) return bitstring(v, colon);
    reader_.fail(line_, "message description not understood: " + quoted(text_));
  }

 private:
  void literal(Vector& v) const {
    const auto close = text_.find('"', 1);
    if (close == std::string_view::npos) reader_.fail(line_, "message has no closing quotation mark");
    // A remark in parentheses may follow, as in '"" (empty string)'; anything else would be lost
    // (two messages on one line, or a continuation line).
    const std::string_view after = trim(text_.substr(close + 1));
    if (!after.empty() && !(after.front() == '(' && after.back() == ')')) {
      reader_.fail(line_, "text follows the message's closing quotation mark: " + quoted(after));
    }
    v.message = expandranges(text_.substr(1, close - 1));
  }

  // The piece is kept once with its count, and streamed when checked.
  void repeated(Vector& v, std::size_t times) const {
    if (text_.size() < times + 9) reader_.fail(line_, "the repeated piece has no closing quotation mark");
    std::string_view count = text_.substr(0, times);
    std::uint64_t factor = 1;
    if (count.size() > 8 && count.substr(count.size() - 8) == " million") {
      factor = 1'000'000;
      count.remove_suffix(8);
    }
    const std::uint64_t copies = reader_.number(count, line_, "the repeat count");
    const std::string_view piece = text_.substr(times + 8, text_.size() - times - 9);
    if (piece.empty()) reader_.fail(line_, "the repeated piece is empty");
    if (copies > maxmessagebytes / factor / piece.size()) reader_.fail(line_, "the message would be longer than " + limit());
    v.message = std::string(piece);
    v.repeat = copies * factor;
  }

  void zerobits(Vector& v, std::size_t zeros) const {
    const std::uint64_t bits = reader_.number(text_.substr(0, zeros), line_, "the bit count");
    if (bits / 8 > maxmessagebytes) reader_.fail(line_, "the message would be longer than " + limit());
    v.message = bits >= 8 ? std::string(1, '\0') : std::string();
    v.repeat = std::max<std::uint64_t>(1, bits / 8);
    v.partialbits = static_cast<unsigned>(bits % 8);
  }

  void bitstring(Vector& v, std::size_t colon) const {
    const std::uint64_t bits = reader_.number(text_.substr(0, colon), line_, "the bit count");
    if (bits / 8 > maxheldbytes) reader_.fail(line_, "a message spelled out byte by byte may have " + std::to_string(maxheldbytes) + " bytes at most");
    std::string_view items = trim(text_.substr(colon + 12));
    while (!items.empty()) {
      const auto comma = items.find(',');
      const std::string_view item = trim(items.substr(0, comma));
      items = comma == std::string_view::npos ? std::string_view() : items.substr(comma + 1);
      const auto star = item.find('*');
      const std::uint64_t copies = star == std::string_view::npos ? 1 : reader_.number(item.substr(0, star), line_, "a byte count");
      const std::string byte = reader_.bytes(star == std::string_view::npos ? item : item.substr(star + 1), line_, "a byte");
      // An empty item repeated would add nothing for ever.
      if (byte.size() != 1) reader_.fail(line_, "each item of a bit string is one byte, two hexadecimal digits");
      // Counted before it is spelled out: the bit count stated first bounds it.
      if (copies > bits / 8 - std::min<std::uint64_t>(bits / 8, v.message.size())) {
        reader_.fail(line_, "the bytes listed make more than " + std::to_string(bits) + " bits");
      }
      v.message.append(static_cast<std::size_t>(copies), byte[0]);
    }
    if (8 * static_cast<std::uint64_t>(v.message.size()) != bits) {
      reader_.fail(line_, "the bytes listed make " + std::to_string(8 * v.message.size()) + " bits, not " + std::to_string(bits));
    }
  }

  static std::string limit() { return std::to_string(maxmessagebytes >> 30) + " GiB"; }

  const RecordReader& reader_;
  std::string_view text_;
  int line_;
};

struct Field {
  std::string key, value;
  int line = 0;
};

class NessieReader {
 public:
  explicit NessieReader(const std::string& file) : reader_(file) {}

  void line(int number, std::string_view raw) {
    const std::string_view text = trim(raw);
    if (startswith(text, "Hash size:") && text != "Hash size: 160 bits") {
      reader_.fail(number, quoted(text) + ": not a SHA-1 file (SHA-1 digests have 160 bits)");
    }
    if (isheader(text)) return header(number, text);
    if (!record_) {
      // Headings between records are free text, but a field there is a record whose header is
      // mistyped: skipping it would drop its vectors unnoticed.
      if (const auto equals = text.find('='); equals != std::string_view::npos && isfieldname(trim(text.substr(0, equals)))) {
        reader_.fail(number, "a field outside any record (is the \"Set N, vector# M:\" line above it mistyped?)");
      }
      return;
    }
    if (text.empty()) return endrecord();
    field(number, text, raw.size() > text.size());
  }

  std::vector<Vector> finish() {
    endrecord();
    return std::move(vectors_);
  }

 private:
  struct Record {
    int line = 0;
    std::string name;
    std::vector<Field> fields;
  };

  static bool isfieldname(std::string_view key) { return key == "message" || key == "hash" || startswith(key, "iterated "); }

  static bool isheader(std::string_view text) {
    return startswith(text, "Set ") && text.find("vector#") != std::string_view::npos && text.back() == ':';
  }

  void header(int number, std::string_view text) {
    endrecord();
    std::string name = printable(text.substr(0, text.size() - 1), 100);
    // "vector#  3" reads better as "vector# 3".
    while (name.find("#  ") != std::string::npos) name.erase(name.find("#  ") + 1, 1);
    record_ = Record{number, name, {}};
  }

  void field(int number, std::string_view text, bool indented) {
    const auto equals = text.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view key = trim(text.substr(0, equals));
      if (key == "message" && std::any_of(record_->fields.begin(), record_->fields.end(), [](const Field& f) { return f.key == "message"; })) {
        reader_.fail(number, record_->name + " has a second message");
      }
      record_->fields.push_back({std::string(trim(text.substr(0, equals))), std::string(trim(text.substr(equals + 1))), number});
    } else if (!record_->fields.empty() && indented) {
      record_->fields.back().value += text;  // an indented continuation of a long value
    } else {
      reader_.fail(number, "expected \"name=value\" in " + record_->name + ", found " + quoted(text));
    }
  }

  // One vector per digest of the record, each on the record's message.
  void endrecord() {
    if (!record_) return;
    const auto message = std::find_if(record_->fields.begin(), record_->fields.end(), [](const Field& f) { return f.key == "message"; });
    if (message == record_->fields.end()) reader_.fail(record_->line, record_->name + " has no message");
    Vector base = reader_.vector(record_->line, record_->name);
    MessageDescription(reader_, message->value, message->line).into(base);
    // Each digest's vector holds the message: a short description with many digests must not
    // multiply a large one past what a file may hold.
    held_ += base.message.size() * (record_->fields.size() - 1);
    if (held_ > maxheldbytes) reader_.fail(record_->line, "the file's messages would take more than " + std::to_string(maxheldbytes >> 20) + " MiB");
    bool hashed = false;
    for (const Field& f : record_->fields) {
      if (f.key == "message") continue;
      hashed = hashed || f.key == "hash";
      vectors_.push_back(digestvector(base, f));
    }
    if (!hashed) reader_.fail(record_->line, record_->name + " has no hash");
    record_.reset();
  }

  Vector digestvector(const Vector& base, const Field& f) const {
    Vector v = base;
    v.line = f.line;
    if (f.key != "hash") {
      if (!(startswith(f.key, "iterated ") && f.key.size() > 15 && f.key.ends_with(" times"))) {
        reader_.fail(f.line, "unknown field " + quoted(f.key));
      }
      v.kind = Vector::Kind::iterated;
      v.iterations = reader_.number(std::string_view(f.key).substr(9, f.key.size() - 15), f.line, "the iteration count");
      if (v.iterations == 0 || v.iterations > maxiterations) {
        reader_.fail(f.line, "the iteration count must be 1 to " + std::to_string(maxiterations));
      }
      v.name += ", iterated " + std::to_string(v.iterations) + " times";
    }
    v.expected = reader_.digest(f.value, f.line, f.key);
    return v;
  }

  RecordReader reader_;
  std::uint64_t held_ = 0;
  std::vector<Vector> vectors_;
  std::optional<Record> record_;
};

}  // namespace

std::vector<Vector> readnessie(const std::string& file, const std::vector<std::string_view>& lines) {
  NessieReader reader(file);
  for (std::size_t index = 0; index < lines.size(); ++index) reader.line(static_cast<int>(index + 1), lines[index]);
  return reader.finish();
}

bool isnessie(const std::vector<std::string_view>& lines) {
  return std::any_of(lines.begin(), lines.end(), [](std::string_view line) {
    const std::string_view text = trim(line);
    return startswith(text, "Set ") && text.find("vector#") != std::string_view::npos;
  });
}

}  // namespace sha1vectors
