// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/implementation.h"

#include <algorithm>

namespace sha1vectors {
namespace {

// How often a long hash looks whether it is to stop: about a tenth of a second on the slow path.
constexpr std::uint64_t stopcheckbytes = std::uint64_t{64} << 20;

}  // namespace

std::vector<Outcome> Implementation::digests(std::span<const Message> messages) {
  std::vector<Outcome> outcomes;
  for (const Message& message : messages) outcomes.push_back(digest(message));
  return outcomes;
}

Outcome Engine::digest(const Message& message) {
  basicutilities::Sha1Stream stream;
  std::uint64_t sincecheck = 0;
  const bool whole = message.chunks([&](std::string_view bytes) {
    stream.add(bytes);
    if ((sincecheck += bytes.size()) < stopcheckbytes) return true;
    sincecheck = 0;
    return stop_ == nullptr || !*stop_;
  });
  if (!whole) return Outcome::halted();
  return {stream.finish(message.partial, message.partialbits), {}};
}

}  // namespace sha1vectors
