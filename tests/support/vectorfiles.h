// Where the tests' copies of the published vector files are, and the digest text as those files
// write digests.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace testsupport {

inline std::string vectorpath(std::string_view relative) { return std::string(SHA1TESTER_VECTOR_DIR) + "/" + std::string(relative); }

// "A9993E36 4706816A ..." as "a9993e364706816a...".
inline std::string vectorform(std::string digesttext) {
  std::erase(digesttext, ' ');
  for (auto& c : digesttext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return digesttext;
}

}  // namespace testsupport
