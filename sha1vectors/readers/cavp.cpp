// SPDX-License-Identifier: MIT
// NIST CAVP response files: "[L = 20]" sections of "Len/Msg/MD" records, or a "Seed" followed by
// "COUNT/MD" checkpoints of the Monte Carlo test.
#include <optional>

#include "sha1vectors/readers/fields.h"
#include "sha1vectors/readers/formats.h"

namespace sha1vectors {
namespace {

constexpr std::uint64_t cavpchainlength = 1000;

class CavpReader {
 public:
  explicit CavpReader(const std::string& file) : reader_(file) {}

  void line(int number, std::string_view text) {
    if (text.empty() || text[0] == '#') return;
    if (text[0] == '[') return section(number, text);
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) reader_.fail(number, "expected \"Name = value\", found " + quoted(text));
    const std::string_view key = trim(text.substr(0, equals));
    const std::string_view value = trim(text.substr(equals + 1));
    if (key == "Len") return len(number, value);
    if (key == "Msg") return msg(number, value);
    if (key == "Seed") return seed(number, value);
    if (key == "COUNT") return count(number, value);
    if (key == "MD") return md(number, value);
    reader_.fail(number, "unknown field " + quoted(key));
  }

  std::vector<Vector> finish() {
    requirenothingpending();
    return std::move(vectors_);
  }

 private:
  void section(int number, std::string_view text) const {
    if (text != "[L = 20]") reader_.fail(number, quoted(text) + " is not a SHA-1 section (SHA-1 digests are [L = 20])");
  }

  void len(int number, std::string_view value) {
    requirenothingpending();
    bits_ = reader_.number(value, number, "Len");
    pending_ = reader_.vector(number, "Len = " + std::string(value));
    pendinghasmessage_ = false;
  }

  void msg(int number, std::string_view value) {
    if (!pending_ || seed_ || pendinghasmessage_) reader_.fail(number, "Msg without a Len before it");
    const std::string bytes = reader_.bytes(value, number, "Msg");
    // Msg holds just the bytes Len needs; Len = 0 is written with the one byte 00.
    const std::uint64_t needed = bytesfor(bits_);
    if (bytes.size() != needed && !(bits_ == 0 && bytes.size() == 1)) {
      reader_.fail(number, "Msg holds " + std::to_string(8 * bytes.size()) + " bits, " + (bytes.size() < needed ? "fewer" : "more") +
                               " than Len = " + std::to_string(bits_) + " needs");
    }
    // Len = 0 is empty whatever Msg holds.
    setmessagebits(*pending_, bytes, bits_);
    pendinghasmessage_ = true;
  }

  void seed(int number, std::string_view value) {
    requirenothingpending();
    seed_ = reader_.digest(value, number, "Seed");
  }

  void count(int number, std::string_view value) {
    requirenothingpending();
    if (!seed_) reader_.fail(number, "COUNT without a Seed before it");
    reader_.number(value, number, "COUNT");
    pending_ = reader_.vector(number, "COUNT = " + std::string(value));
    pending_->kind = Vector::Kind::montecarlo;
    pending_->iterations = cavpchainlength;
    pending_->message.assign(seed_->begin(), seed_->end());
  }

  void md(int number, std::string_view value) {
    if (!pending_ || (pending_->kind == Vector::Kind::message && !pendinghasmessage_)) {
      reader_.fail(number, "MD without a Len and Msg (or a COUNT) before it");
    }
    pending_->expected = reader_.digest(value, number, "MD");
    // Each checkpoint is the next one's seed: the published value, so one wrong checkpoint shows
    // as one failure.
    if (pending_->kind == Vector::Kind::montecarlo) seed_ = pending_->expected;
    vectors_.push_back(std::move(*pending_));
    pending_.reset();
  }

  void requirenothingpending() const {
    if (pending_) reader_.fail(pending_->line, "record \"" + pending_->name + "\" ends without its MD");
  }

  RecordReader reader_;
  std::vector<Vector> vectors_;
  std::optional<Vector> pending_;  // a record whose MD has not come yet
  bool pendinghasmessage_ = false;
  std::optional<basicutilities::Sha1Digest> seed_;
  std::uint64_t bits_ = 0;
};

}  // namespace

std::vector<Vector> readcavp(const std::string& file, const std::vector<std::string_view>& lines) {
  CavpReader reader(file);
  for (std::size_t index = 0; index < lines.size(); ++index) reader.line(static_cast<int>(index + 1), trim(lines[index]));
  return reader.finish();
}

}  // namespace sha1vectors
