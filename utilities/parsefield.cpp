// SPDX-License-Identifier: MIT
#include "utilities/basicutilities.h"

namespace basicutilities {
namespace {

constexpr std::int32_t highestfield = 8000;

bool iswhitespacedelimiter(const std::string& delimiter) { return delimiter.empty() || delimiter == " "; }

// Words separated by single blanks: leading blanks dropped, at most one trailing blank kept.
std::string reducewhitespace(const std::string& text) {
  std::string reduced;
  reduced.reserve(text.size());
  bool afterword = false;
  for (const char c : text) {
    if (c != ' ') {
      reduced += c;
      afterword = true;
    } else if (afterword) {
      reduced += c;
      afterword = false;
    }
  }
  return reduced;
}

std::string trim(std::string& text, const std::string& delimiter) {
  if (text.empty()) return {};
  // The delimiter is compared as a whole with single characters, so only a one-character
  // delimiter strips anything.
  const auto isdelimiter = [&](char c) { return delimiter.size() == 1 && delimiter[0] == c; };
  std::size_t first = 0;
  while (first < text.size() && isdelimiter(text[first])) ++first;
  text.erase(0, first);
  if (text.size() < 2) return text;
  std::size_t last = text.size() - 1;
  while (isdelimiter(text[last])) --last;  // text[0] is no delimiter, so this stops
  return text.substr(0, last + 1);
}

// Overlapping search: the next occurrence may start one character after the previous one.
std::size_t nextoccurrence(const std::string& working, const std::string& delimiter, std::size_t previous) {
  return working.find(delimiter, previous == std::string::npos ? 0 : previous + 1);
}

std::string count(const std::string& working, const std::string& delimiter) {
  if (working.empty()) return "0";
  std::size_t occurrences = 0;
  for (auto at = nextoccurrence(working, delimiter, std::string::npos); at != std::string::npos;
       at = nextoccurrence(working, delimiter, at)) {
    ++occurrences;
  }
  std::size_t fields = occurrences + 1;
  // A trailing delimiter closes the last field rather than opening an empty one.
  if (delimiter.size() == 1 && working.back() == delimiter[0]) --fields;
  return std::to_string(fields);
}

std::string field(const std::string& working, const std::string& delimiter, std::int32_t n) {
  // Field n lies between occurrence n-1 (or the start) and occurrence n (or the end).
  std::size_t start = 0;  // 0-based index where field n begins
  auto at = nextoccurrence(working, delimiter, std::string::npos);
  for (std::int32_t i = 1; i < n; ++i) {
    if (at == std::string::npos) return {};
    start = at + 1;
    at = nextoccurrence(working, delimiter, at);
  }
  const std::size_t end = at == std::string::npos ? working.size() : at;
  return working.substr(start, end - start);
}

}  // namespace

std::string parsefield(std::string& text, std::int32_t& fieldnumber, std::string& delimiter) {
  if (fieldnumber == -1) return trim(text, delimiter);
  std::string working = text;
  if (iswhitespacedelimiter(delimiter)) {
    delimiter.assign(1, ' ');  // -Wrestrict
    working = reducewhitespace(text);
  }
  if (fieldnumber <= 0) return count(working, delimiter);
  if (fieldnumber > highestfield) return {};
  return field(working, delimiter, fieldnumber);
}

}  // namespace basicutilities
