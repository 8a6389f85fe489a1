// SPDX-License-Identifier: MIT
#include "input/digestforms.h"

#include <algorithm>
#include <vector>

#include "utilities/hex.h"

namespace input {
namespace {

using basicutilities::Sha1Digest;

// The blank-separated words of a line.
std::vector<std::string_view> wordsof(std::string_view line) {
  std::vector<std::string_view> words;
  for (std::size_t at = line.find_first_not_of(" \t\r"); at != std::string_view::npos; at = line.find_first_not_of(" \t\r", at)) {
    const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

bool allhex(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return basicutilities::ishexdigit(c); });
}

bool hexword(std::string_view word, std::size_t digits) { return word.size() == digits && allhex(word); }

// The 20 bytes that base64 text spells (either alphabet, its one "=" optional), if it spells them.
std::optional<Sha1Digest> base64digest(std::string_view text) {
  if (text.size() == 28 && text.back() == '=') text.remove_suffix(1);
  if (text.size() != 27) return std::nullopt;
  static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  Sha1Digest digest{};
  std::uint32_t bits = 0;
  unsigned held = 0;
  std::size_t out = 0;
  for (const char c : text) {
    const char standard = c == '-' ? '+' : c == '_' ? '/' : c;
    const std::size_t value = alphabet.find(standard);
    if (value == std::string_view::npos) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    held += 6;
    if (held >= 8) {
      held -= 8;
      digest[out++] = static_cast<std::uint8_t>(bits >> held);
    }
    bits &= (1U << held) - 1;
  }
  return bits == 0 ? std::optional(digest) : std::nullopt;  // the two bits left over are 0 in a true encoding
}

// Why word is no digest.
std::string whynot(std::string_view word) {
  const auto bad = std::find_if(word.begin(), word.end(), [](char c) { return !basicutilities::ishexdigit(c); });
  if (bad != word.end()) return "Expected holds \"" + std::string(1, *bad) + "\", which is not a hex digit";
  if (word.size() == 40) return "Expected holds a digest among words no tool prints around one; paste the digest alone";
  return "Expected holds " + std::to_string(word.size()) + " hex digit" + (word.size() == 1 ? "" : "s") + ", a digest has 40";
}

// The digest a pasted line gives in a form only people paste: PowerShell's Get-FileHash row
// ("SHA1  d  path"), or a last word of colon pairs (openssl dgst -c).
std::optional<Sha1Digest> pastedline(std::string_view line) {
  const std::vector<std::string_view> words = wordsof(line);
  if (words.size() >= 2 && (words[0] == "SHA1" || words[0] == "sha1") && hexword(words[1], 40)) return basicutilities::parsedigest(words[1]);
  if (words.empty() || words.back().size() != 59) return std::nullopt;
  std::string digits;
  for (std::size_t at = 0; at < words.back().size(); at += 3) {
    if (at + 2 < words.back().size() && words.back()[at + 2] != ':') return std::nullopt;
    digits += words.back().substr(at, 2);
  }
  return hexword(digits, 40) ? basicutilities::parsedigest(digits) : std::nullopt;
}

std::optional<Sha1Digest> linedigest(std::string_view line) {
  if (auto digest = digestinline(line)) return digest;
  return pastedline(line);
}

// One line as a box holds it: its digest, or why it has none.
DigestReading readline(const std::string& line) {
  const std::vector<std::string_view> words = wordsof(line);
  if (words.empty()) return {};
  if (auto digest = linedigest(line)) return {digest, {}};
  // Digits with blanks or colons between them, after a "0x" or not.
  std::string digits;
  std::copy_if(line.begin(), line.end(), std::back_inserter(digits), [](char c) { return c != ' ' && c != ':'; });
  if (digits.starts_with("0x") || digits.starts_with("0X")) digits.erase(0, 2);
  if (hexword(digits, 40)) return {basicutilities::parsedigest(digits), {}};
  if (words.size() == 1) {
    if (auto digest = base64digest(words.front())) return {digest, {}};
  }
  // Words of hex digits are one digest written in groups; otherwise the longest word is meant.
  if (std::all_of(words.begin(), words.end(), allhex) || words.size() == 1) return {std::nullopt, whynot(digits)};
  return {std::nullopt, whynot(*std::max_element(words.begin(), words.end(), [](auto a, auto b) { return a.size() < b.size(); }))};
}

}  // namespace

std::optional<Sha1Digest> digestinline(std::string_view line) {
  std::vector<std::string_view> words = wordsof(line);
  if (words.empty()) return std::nullopt;
  if (words.front().starts_with('\\')) words.front().remove_prefix(1);
  for (const std::string_view word : {words.front(), words.back()}) {
    if (hexword(word, 40)) return basicutilities::parsedigest(word);
  }
  if (words.size() >= 5 && std::all_of(words.begin(), words.begin() + 5, [](std::string_view word) { return hexword(word, 8); })) {
    std::string digits;
    for (std::size_t i = 0; i < 5; ++i) digits += words[i];
    return basicutilities::parsedigest(digits);
  }
  return std::nullopt;
}

DigestReading readdigest(std::u16string_view text, std::u16string_view named) {
  std::string all;
  for (const char16_t c : text) {
    if (c > 0x7E) return {std::nullopt, "Expected holds a character that no digest form has"};
    all += c == '\t' ? ' ' : static_cast<char>(c);
  }
  // A name is looked for as ASCII; another never matches.
  std::string name;
  for (const char16_t c : named) name += c > 0x7E ? '\0' : static_cast<char>(c);
  if (name.find('\0') != std::string::npos) name.clear();
  std::vector<std::string> lines;
  for (std::size_t at = 0; at <= all.size();) {
    const std::size_t end = std::min(all.find_first_of("\r\n", at), all.size());
    if (all.find_first_not_of(' ', at) < end) lines.push_back(all.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() <= 1) return readline(lines.empty() ? std::string() : lines.front());
  // Several lines: those that give a digest, the named file's first.
  DigestReading reading{std::nullopt, "Expected holds " + std::to_string(lines.size()) + " lines and none gives a digest"};
  bool namedone = false;
  for (const std::string& line : lines) {
    const auto digest = linedigest(line);
    if (!digest) continue;
    const bool names = !name.empty() && line.find(name) != std::string::npos;
    if (!reading.digest || (names && !namedone)) {
      reading.digest = digest;
      reading.taken = reading.digests;
      namedone = reading.named = names;
    }
    ++reading.digests;
  }
  if (reading.digest) reading.problem.clear();
  return reading;
}

}  // namespace input
