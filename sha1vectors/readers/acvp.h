// SPDX-License-Identifier: MIT
// NIST ACVP vector sets for SHA-1, in JSON: a prompt (what an implementation receives) and its
// expected results (the answers), paired by vsId and tcId.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "sha1vectors/readers/vectorfile.h"

namespace sha1vectors {

// What an ACVP file may ask for, beside the limits of vectors.h.
inline constexpr std::size_t maxjsonbytes = std::size_t{64} << 20;  // parsed, it takes several times this
inline constexpr int maxjsondepth = 16;                             // ACVP needs 6
inline constexpr std::uint64_t maxmctseedbits = 65536;  // ACVP's longest SHA-1 message; a chain hashes it 3000 times
// An MCT test's results, each the last hash of a chain of 1000.
inline constexpr std::uint64_t acvpmctresults = 100;

struct AcvpTest {
  std::uint64_t tgid = 0, tcid = 0;
  std::string type;  // "AFT", "MCT" or "LDT"
  // Its message: an MCT's seed, a Monte Carlo vector of one checkpoint (its alternate version with
  // chainbits); no expected digest.
  Vector vector;
};

struct AcvpPrompt {
  std::string file;
  std::uint64_t vsid = 0;
  std::string acvversion = "1.0";  // the wire form's, when the file has it
  std::vector<AcvpTest> tests;
};

struct AcvpResults {
  std::string file;
  std::uint64_t vsid = 0;
  struct Answer {
    std::uint64_t tgid = 0;
    std::vector<basicutilities::Sha1Digest> digests;  // one md, or an MCT's results
    bool operator==(const Answer&) const = default;
  };
  std::map<std::uint64_t, Answer> answers;  // by tcId
};

// NIST's internal projection: every test with its message and its answer.
struct AcvpProjection {
  AcvpPrompt prompt;
  AcvpResults results;
};

// A registration (the capabilities a set was made for): no tests, nothing to check.
struct AcvpRegistration {};

using AcvpDocument = std::variant<AcvpPrompt, AcvpResults, AcvpProjection, AcvpRegistration>;

// Whether content is JSON rather than lines of text: it starts with { or [{ (blanks aside).
bool isjson(std::string_view content);

// A prompt, its expected results, the internal projection that holds both, or a registration; the
// bare object or the wire form (an array of {"acvVersion": ...} and the object); recognised by
// content. Throws VectorFileError for anything
// else: JSON that does not parse (with where), nesting or numbers past what ACVP uses, a set for
// another algorithm, a missing or wrong field (with its tgId or tcId), a large message past the
// limits of vectors.h.
AcvpDocument readacvptext(const std::string& name, std::string_view content);

// The vectors to check: one for each AFT and LDT test, one for each result of an MCT (each chain
// started from the expected result before it). Throws VectorFileError, naming the ids, for a test
// without its answers, an answer in another tgId than its test's, or an answer to no test.
std::vector<Vector> acvpvectors(const AcvpPrompt& prompt, const AcvpResults& results);

// Makes vector an MCT checkpoint's chain that starts from the result before it: a whole digest,
// whatever the first seed's length.
void reseed(Vector& vector, const basicutilities::Sha1Digest& result);

}  // namespace sha1vectors
