// Reads the published vector files the tests check against, and the hex both sides use.
#pragma once

#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "digest/sha1digest.h"

namespace testsupport {

inline std::string vectorpath(std::string_view relative) { return std::string(SHA1TESTER_VECTOR_DIR) + "/" + std::string(relative); }

// "Key = value" records separated by blank lines; comments and [section] lines are skipped.
using Record = std::map<std::string, std::string>;
inline std::vector<Record> readrecords(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<Record> records(1);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) {
      if (!records.back().empty()) records.emplace_back();
      continue;
    }
    if (line[0] == '#' || line[0] == '[') continue;
    const auto equals = line.find(" = ");
    if (equals == std::string::npos) continue;
    records.back()[line.substr(0, equals)] = line.substr(equals + 3);
  }
  if (records.back().empty()) records.pop_back();
  return records;
}

inline std::string frombase16(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
  return bytes;
}

inline std::string lowerhex(const basicutilities::Sha1Digest& digest) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (const auto byte : digest) {
    text += digits[byte >> 4];
    text += digits[byte & 0xF];
  }
  return text;
}

// The digest text ("A9993E36 4706816A ...") as the vector files write it.
inline std::string vectorform(std::string digesttext) {
  std::erase(digesttext, ' ');
  for (auto& c : digesttext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return digesttext;
}

}  // namespace testsupport
