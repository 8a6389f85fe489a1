// SPDX-License-Identifier: MIT
// What the FILEs of a run hold, read before anything is checked so that a malformed one is reported
// at once: vector files, ACVP prompts paired with their expected results, and folders of them.
#pragma once

#include <string>
#include <vector>

#include "sha1vectors/readers/acvp.h"
#include "sha1vectors/readers/vectorfile.h"

namespace sha1vectors {

// A file's vectors, or the catalogue's.
struct Source {
  std::string name;
  std::vector<Vector> vectors;
};

struct Inputs {
  std::vector<Source> sources;
  std::vector<AcvpPrompt> prompts;  // every ACVP prompt read, for a response
  std::vector<std::string> files;  // every file read, folders' too
  // What makes a FILE unusable, one line each ("file:line: problem"); nothing of such a file is
  // among the sources.
  std::vector<std::string> problems;
};

// Reads files (a folder stands for the .json files in it), the catalogue first when asked or when
// there are no files. Each ACVP prompt is paired with the expected results of its vsId; when
// responding, a prompt needs none.
Inputs readinputs(const std::vector<std::string>& files, bool catalogue, bool responding);

}  // namespace sha1vectors
