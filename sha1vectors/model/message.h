// SPDX-License-Identifier: MIT
// A message as implementations take it, and the one way a long message is held: a piece repeated
// to a length, never spelled out whole.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sha1vectors {

// A piece repeated to a length, held as enough whole pieces that span bytes from any offset are
// contiguous; a message that fits in that is held whole, and a piece given once is only viewed.
class Tiled {
 public:
  Tiled(std::string_view piece, std::uint64_t repeat, std::uint64_t span) : piece_(piece), size_(piece.size() * repeat) {
    if (repeat <= 1 || piece.empty()) return;
    const std::uint64_t wanted = std::min(size_, piece.size() + span);
    while (tiles_.size() < wanted) tiles_ += piece;
  }

  std::uint64_t size() const { return size_; }
  // Up to count bytes from offset (at most the rest), as many as lie together: span at least.
  std::string_view from(std::uint64_t offset, std::uint64_t count) const {
    const std::string_view held = tiles_.empty() ? piece_ : std::string_view(tiles_);
    const auto place = static_cast<std::size_t>(held.size() >= size_ ? offset : offset % piece_.size());
    return held.substr(place, static_cast<std::size_t>(std::min({count, size_ - offset, std::uint64_t{held.size() - place}})));
  }

 private:
  std::string_view piece_;
  std::uint64_t size_;
  std::string tiles_;
};

// piece repeat times over, then the top partialbits (0 to 7) bits of partial.
struct Message {
  std::string_view piece;
  std::uint64_t repeat = 1;
  std::uint8_t partial = 0;
  unsigned partialbits = 0;
  // A hash of a chain after its first: a message of the same length as the first's, made of
  // digests, which an implementation may take the quick way.
  bool chained = false;

  std::uint64_t size() const { return piece.size() * repeat; }
  // The whole bytes in runs of up to about 64 KiB (a piece given once: in one), to fn, without
  // holding them all, until fn returns false. Returns whether every run was taken.
  bool chunks(const std::function<bool(std::string_view)>& fn) const {
    const Tiled tiled(piece, repeat, std::uint64_t{64} << 10);
    for (std::uint64_t at = 0; at < tiled.size();) {
      const std::string_view bytes = tiled.from(at, tiled.size() - at);
      if (!fn(bytes)) return false;
      at += bytes.size();
    }
    return true;
  }
};

}  // namespace sha1vectors
