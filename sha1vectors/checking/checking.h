// SPDX-License-Identifier: MIT
// Checks vectors against a SHA-1 implementation, hash by hash or many at once, and gives each its verdict.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "digest/sha1digest.h"
#include "sha1vectors/implementations/implementation.h"
#include "sha1vectors/readers/vectorfile.h"

namespace sha1vectors {

struct Verdict {
  // Unchecked until a check says otherwise: a verdict nobody set is no pass.
  enum class Status { passed, failed, skipped, unchecked } status = Status::unchecked;
  std::optional<basicutilities::Sha1Digest> computed;
  std::string reason;  // why it failed without a digest, or was skipped
  // When one hash of a chain came out wrong: which ("hash 17 of the chain"), and what it should be.
  std::string step;
  std::optional<basicutilities::Sha1Digest> stepexpected;
  // The digest in a form not read as one (see Outcome), and the classic mistakes that explain a
  // wrong digest (none, one, or several that give the same digest for this message).
  std::optional<basicutilities::Sha1Digest> misprinted;
  std::vector<std::string> causes;
  // The ways of giving a message disagreed: computed is one of several digests it gave; and one of
  // them was right.
  bool waysdisagree = false, rightsomeway = false;
};

// Whether implementation can be given vector's messages: one that takes whole bytes only skips a
// bit-oriented vector.
inline bool cantake(const Implementation& implementation, const Vector& vector) { return implementation.takesbits() || !vector.bitoriented(); }

// Checks one vector, hash after hash: a bit-oriented one is skipped by an implementation that takes
// whole bytes only; a chained one stops at the first hash that fails. Unchecked when stop is set
// before the end.
Verdict check(const Vector& vector, Implementation& implementation, const std::atomic<bool>* stop = nullptr);

// Checks every vector, up to jobs calls of the implementation at a time, and tells done each
// vector's verdict (with its index) as soon as it is known, one at a time. Vectors not finished when
// stop is set are unchecked. note, when given, is told whenever a call of several is made again in
// halves (one at a time, and never while done is told). A chain whose hashes, computed by the engine, reach its expected digest
// is checked hash by hash when calls are costly; one that does not is checked as a whole.
void checkvectors(std::span<const Vector* const> vectors, Implementation& implementation, unsigned jobs,
                  const std::atomic<bool>& stop, const std::function<void(std::size_t, const Verdict&)>& done,
                  const std::function<void(const std::string&)>& note = {});

}  // namespace sha1vectors
