// SPDX-License-Identifier: MIT
// Where the tests' copies of the published vector files are.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace testsupport {

inline std::string vectorpath(std::string_view relative) { return std::string(SHA1TESTER_VECTOR_DIR) + "/" + std::string(relative); }

// A file of the ACVP sample set, parsed.
inline nlohmann::json acvpsample(const char* name) {
  std::ifstream in(vectorpath(std::string("acvp/") + name));
  return nlohmann::json::parse(in);
}

}  // namespace testsupport
