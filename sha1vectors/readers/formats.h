// SPDX-License-Identifier: MIT
// The line-based vector-file formats, each from a file's lines (without line ends): NIST CAVP
// response files (cavp.cpp) and NESSIE test-vector files (nessie.cpp). Internal to the readers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/readers/vectorfile.h"

namespace sha1vectors {

std::vector<Vector> readcavp(const std::string& file, const std::vector<std::string_view>& lines);
std::vector<Vector> readnessie(const std::string& file, const std::vector<std::string_view>& lines);
bool isnessie(const std::vector<std::string_view>& lines);

}  // namespace sha1vectors
