// SPDX-License-Identifier: MIT
// Answers to an ACVP prompt, in the layout an ACVP server takes, and writing them out.
#pragma once

#include <atomic>
#include <string>

#include "sha1vectors/implementations/implementation.h"
#include "sha1vectors/readers/acvp.h"

namespace sha1vectors {

// The implementation's answers to prompt in ACVP's response layout (the wire form), each MCT chain
// run on from the implementation's own results. Throws std::runtime_error, naming the tcId, when it
// gives no answer for a test, or when stop is set.
std::string acvpresponse(const AcvpPrompt& prompt, Implementation& implementation, unsigned jobs, const std::atomic<bool>& stop);

// Writes text to path through a temporary file beside it and a rename: the file is whole or as it
// was. Throws std::runtime_error saying why it cannot.
void writeatomically(const std::string& path, const std::string& text);

}  // namespace sha1vectors
