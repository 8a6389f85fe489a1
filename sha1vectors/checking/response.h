// SPDX-License-Identifier: MIT
// Answers to an ACVP prompt, in the layout an ACVP server takes, and writing them out.
#pragma once

#include <atomic>
#include <stdexcept>
#include <string>

#include "sha1vectors/implementations/implementation.h"
#include "sha1vectors/readers/acvp.h"

namespace sha1vectors {

// The implementation's answers to prompt in ACVP's response layout (the wire form), each MCT chain
// run on from the implementation's own results. Throws std::runtime_error, naming the tcId, when it
// gives no answer for a test, or when stop is set.
std::string acvpresponse(const AcvpPrompt& prompt, Implementation& implementation, unsigned jobs, const std::atomic<bool>& stop);

// The response could not be written where it was asked for.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Writes text to path ("-": standard output). A regular file (or one a symbolic link leads to) is written through a
// temporary file beside it and a rename, so that it is whole or as it was, and keeps its mode; a
// new file likewise. A character device or a pipe, and a name of an open file (/dev/stdout), is
// written straight. Anything else (a folder, a socket) is refused. Throws OutputError saying why it
// cannot.
void writeatomically(const std::string& path, const std::string& text);

}  // namespace sha1vectors
