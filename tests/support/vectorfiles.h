// SPDX-License-Identifier: MIT
// Where the tests' copies of the published vector files are.
#pragma once

#include <algorithm>
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

// The sample set without its large-data test: its gibibyte message is hashed by one test for all.
inline nlohmann::json withoutlargedata(nlohmann::json set) {
  auto& groups = set["testGroups"];
  const auto large = [](const nlohmann::json& group) { return group["tgId"] == 5; };  // the LDT's group in both files
  groups.erase(std::remove_if(groups.begin(), groups.end(), large), groups.end());
  return set;
}

}  // namespace testsupport
