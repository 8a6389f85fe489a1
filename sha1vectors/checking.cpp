#include "sha1vectors/checking.h"

#include <algorithm>

namespace sha1vectors {
namespace {

std::string_view view(const basicutilities::Sha1Digest& digest) {
  return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

constexpr std::size_t chunkbytes = 64 * 1024;

}  // namespace

void Message::chunks(const std::function<void(std::string_view)>& fn) const {
  if (repeat == 1 || piece.empty()) {
    if (!piece.empty()) fn(piece);
    return;
  }
  // As many whole pieces as make about a chunk, then what is left.
  const std::uint64_t perchunk = std::min<std::uint64_t>(repeat, std::max<std::size_t>(1, chunkbytes / piece.size()));
  std::string chunk;
  chunk.reserve(static_cast<std::size_t>(perchunk) * piece.size());
  for (std::uint64_t i = 0; i < perchunk; ++i) chunk += piece;
  for (std::uint64_t left = repeat; left > 0;) {
    const std::uint64_t now = std::min(left, perchunk);
    fn(std::string_view(chunk).substr(0, static_cast<std::size_t>(now) * piece.size()));
    left -= now;
  }
}

Outcome Engine::digest(const Message& message) {
  message.chunks([this](std::string_view bytes) { stream_.add(bytes); });
  return {stream_.finish(message.partial, message.partialbits), {}};
}

Verdict check(const Vector& vector, Implementation& implementation, const std::function<void(std::uint64_t)>& progress) {
  Verdict verdict;
  if (vector.bitoriented() && !implementation.takesbits()) {
    verdict.status = Verdict::Status::skipped;
    verdict.reason = "its message is not a whole number of bytes, which a command cannot be given";
    return verdict;
  }
  const auto report = [&](std::uint64_t done) {
    if (progress) progress(done);
  };
  const auto failed = [&](const Outcome& outcome, const std::string& where) {
    verdict.status = Verdict::Status::failed;
    verdict.reason = where + outcome.failure;
    return verdict;
  };

  basicutilities::Sha1Digest last{};
  switch (vector.kind) {
    case Vector::Kind::message: {
      const Outcome outcome = implementation.digest({vector.message, vector.repeat, vector.partial, vector.partialbits});
      report(1);
      if (!outcome.digest) return failed(outcome, "");
      last = *outcome.digest;
      break;
    }
    case Vector::Kind::montecarlo: {
      // M(i) = MD(i-3) || MD(i-2) || MD(i-1), MD(i) = SHA-1(M(i)), from MD0 = MD1 = MD2 = Seed.
      std::string chain = vector.message + vector.message + vector.message;
      for (std::uint64_t i = 0; i < vector.iterations; ++i) {
        const Outcome outcome = implementation.digest({chain});
        report(1);
        if (!outcome.digest) return failed(outcome, "hash " + std::to_string(i + 1) + " of the chain: ");
        last = *outcome.digest;
        chain.erase(0, last.size());
        chain += view(last);
      }
      break;
    }
    case Vector::Kind::iterated: {
      std::string h;
      for (std::uint64_t i = 0; i < vector.iterations; ++i) {
        const Outcome outcome = implementation.digest(i == 0 ? Message{vector.message, vector.repeat, vector.partial, vector.partialbits} : Message{h});
        report(1);
        if (!outcome.digest) return failed(outcome, "iteration " + std::to_string(i + 1) + ": ");
        last = *outcome.digest;
        h = std::string(view(last));
      }
      break;
    }
  }
  verdict.computed = last;
  verdict.status = last == vector.expected ? Verdict::Status::passed : Verdict::Status::failed;
  return verdict;
}

}  // namespace sha1vectors
