// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/implementation.h"

#include <algorithm>

namespace sha1vectors {
namespace {

constexpr std::size_t chunkbytes = 64 * 1024;
// How often a long hash looks whether it is to stop: about a tenth of a second on the slow path.
constexpr std::uint64_t stopcheckbytes = std::uint64_t{64} << 20;

}  // namespace

bool Message::chunks(const std::function<bool(std::string_view)>& fn) const {
  if (repeat == 1 || piece.empty()) return piece.empty() || fn(piece);
  // As many whole pieces as make about a chunk, then what is left.
  const std::uint64_t perchunk = std::min<std::uint64_t>(repeat, std::max<std::size_t>(1, chunkbytes / piece.size()));
  std::string chunk;
  chunk.reserve(static_cast<std::size_t>(perchunk) * piece.size());
  for (std::uint64_t i = 0; i < perchunk; ++i) chunk += piece;
  for (std::uint64_t left = repeat; left > 0;) {
    const std::uint64_t now = std::min(left, perchunk);
    if (!fn(std::string_view(chunk).substr(0, static_cast<std::size_t>(now) * piece.size()))) return false;
    left -= now;
  }
  return true;
}

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
