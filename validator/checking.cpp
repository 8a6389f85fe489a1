#include "validator/checking.h"

#include <algorithm>
#include <cctype>

namespace vectorsets {
namespace {

std::string_view view(const basicutilities::Sha1Digest& digest) {
  return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

}  // namespace

Outcome Engine::digest(std::string_view bytes, std::uint8_t partial, unsigned partialbits) {
  stream_.add(bytes);
  return {stream_.finish(partial, partialbits), {}};
}

std::optional<basicutilities::Sha1Digest> digestinoutput(std::string_view output) {
  const auto ishex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  // Runs of hex digits, each with where it starts; blanks between runs are noted too.
  std::string digits;
  std::size_t i = 0;
  while (i < output.size()) {
    if (!ishex(output[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < output.size() && ishex(output[end])) ++end;
    if (end - i == 40) {
      digits = std::string(output.substr(i, 40));
      break;
    }
    // Five groups of eight, as this tool writes digests: "A9993E36 4706816A ...".
    if (end - i == 8) {
      std::string grouped(output.substr(i, 8));
      std::size_t at = end;
      while (grouped.size() < 40 && at + 9 <= output.size() && output[at] == ' ' &&
             std::all_of(output.begin() + static_cast<std::ptrdiff_t>(at + 1), output.begin() + static_cast<std::ptrdiff_t>(at + 9), ishex) &&
             (at + 9 == output.size() || !ishex(output[at + 9]))) {
        grouped += output.substr(at + 1, 8);
        at += 9;
      }
      if (grouped.size() == 40) {
        digits = grouped;
        break;
      }
    }
    i = end;
  }
  if (digits.empty()) return std::nullopt;
  basicutilities::Sha1Digest digest;
  for (std::size_t b = 0; b < digest.size(); ++b) digest[b] = static_cast<std::uint8_t>(std::stoi(digits.substr(2 * b, 2), nullptr, 16));
  return digest;
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
      const Outcome outcome = implementation.digest(vector.message, vector.partial, vector.partialbits);
      report(1);
      if (!outcome.digest) return failed(outcome, "");
      last = *outcome.digest;
      break;
    }
    case Vector::Kind::montecarlo: {
      // M(i) = MD(i-3) || MD(i-2) || MD(i-1), MD(i) = SHA-1(M(i)), from MD0 = MD1 = MD2 = Seed.
      std::string chain = vector.message + vector.message + vector.message;
      for (std::uint64_t i = 0; i < vector.iterations; ++i) {
        const Outcome outcome = implementation.digest(chain, 0, 0);
        report(1);
        if (!outcome.digest) return failed(outcome, "hash " + std::to_string(i + 1) + " of the chain: ");
        last = *outcome.digest;
        chain.erase(0, last.size());
        chain += view(last);
      }
      break;
    }
    case Vector::Kind::iterated: {
      std::string h = vector.message;
      for (std::uint64_t i = 0; i < vector.iterations; ++i) {
        const Outcome outcome = implementation.digest(h, vector.partial, i == 0 ? vector.partialbits : 0);
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

}  // namespace vectorsets
