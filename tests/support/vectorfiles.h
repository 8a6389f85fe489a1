// Where the tests' copies of the published vector files are.
#pragma once

#include <string>
#include <string_view>

namespace testsupport {

inline std::string vectorpath(std::string_view relative) { return std::string(SHA1TESTER_VECTOR_DIR) + "/" + std::string(relative); }

}  // namespace testsupport
