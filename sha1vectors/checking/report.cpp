// SPDX-License-Identifier: MIT
#include "sha1vectors/checking/report.h"

#include <algorithm>
#include <cmath>

namespace sha1vectors {
namespace {

// "file:line: name"
std::string place(const Vector& vector) { return filelocation(vector.file, vector.line) + ": " + vector.name; }

void printfailure(const Vector& vector, const Verdict& verdict, const std::string& likely, std::ostream& out) {
  out << "FAIL " << place(vector);
  const std::string cause = likely.empty() ? "" : "  likely cause: " + likely + "\n";
  if (!verdict.computed) {
    out << ": " << verdict.reason << "\n" << cause;
    return;
  }
  if (!verdict.step.empty()) out << ": " << verdict.step;
  const std::string expected = basicutilities::digesthex(verdict.stepexpected.value_or(vector.expected));
  const std::string computed = basicutilities::digesthex(*verdict.computed);
  std::string marks;
  for (std::size_t i = 0; i < expected.size(); ++i) marks += expected[i] == computed[i] ? ' ' : '^';
  out << "\n  expected " << expected << "\n  computed " << computed << "\n           " << marks << "\n" << cause;
}

}  // namespace

Progress::Progress(std::uint64_t total, std::FILE* stream, bool enabled)
    : total_(total), stream_(stream), enabled_(enabled), start_(clock::now()) {}

void Progress::advance() {
  ++done_;
  if (!enabled_) return;
  const auto now = clock::now();
  if (now - start_ < std::chrono::milliseconds(500) || now - drawn_ < std::chrono::milliseconds(100)) return;
  drawn_ = now;
  const double part = total_ == 0 ? 1.0 : static_cast<double>(done_) / static_cast<double>(total_);
  const double rate = static_cast<double>(done_) / std::chrono::duration<double>(now - start_).count();
  const int width = 30, filled = static_cast<int>(std::lround(part * width));
  std::fprintf(stream_, "\r[%s%s] %3d%%  %llu of %llu vectors, %.0f a second ", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(width - filled), '.').c_str(), static_cast<int>(part * 100),
               static_cast<unsigned long long>(done_), static_cast<unsigned long long>(total_), rate);
  std::fflush(stream_);
  visible_ = true;
}

void Progress::clear() {
  if (!visible_) return;
  std::fprintf(stream_, "\r%80s\r", "");
  std::fflush(stream_);
  visible_ = false;
}

Report::Report(const std::vector<Source>& sources, Telling telling, Progress& progress, std::ostream& out, std::ostream& err)
    : sources_(sources), telling_(telling), progress_(progress), out_(out), err_(err) {
  for (const auto& source : sources) {
    for (const auto& vector : source.vectors) vectors_.push_back(&vector);
    ends_.push_back(vectors_.size());
  }
  verdicts_.resize(vectors_.size());
}

void Report::arrived(std::size_t index, const Verdict& verdict) {
  if (verdict.status != Verdict::Status::skipped) progress_.advance();
  verdicts_[index] = verdict;
  for (; told_ < verdicts_.size() && verdicts_[told_]; ++told_) tell(*verdicts_[told_]);
}

void Report::tell(const Verdict& verdict) {
  const Vector& vector = *vectors_[told_];
  switch (verdict.status) {
    case Verdict::Status::skipped:
      ++tally_.skipped;
      ++skippedhere_;
      break;
    case Verdict::Status::unchecked:
      ++tally_.unchecked;
      break;
    case Verdict::Status::passed:
      ++tally_.passed;
      if (telling_.passes) {
        progress_.clear();
        out_ << "ok   " << place(vector) << "\n";
      }
      break;
    case Verdict::Status::failed:
      ++tally_.failed;
      if (telling_.failures) {
        progress_.clear();
        printfailure(vector, verdict, cause(verdict), out_);
      }
      break;
  }
  verdicts_[told_].reset();  // told: its digests are not needed any more
  if (told_ + 1 == ends_[source_]) {
    if (skippedhere_ > 0) {
      progress_.clear();
      err_ << "sha1vectors: " << sources_[source_].name << ": skipped " << skippedhere_ << " bit-oriented vectors: the implementation takes whole bytes only\n";
    }
    skippedhere_ = 0;
    ++source_;
  }
}

std::string Report::cause(const Verdict& verdict) {
  if (verdict.causes.empty()) return {};
  // Of the mistakes that explain this digest, the one that explained an earlier failure: the long
  // message, last, fits a 32-bit count and a length written in one byte alike, and only the
  // short messages that failed before it tell which.
  const auto named = std::find_first_of(verdict.causes.begin(), verdict.causes.end(), named_.begin(), named_.end());
  const std::string& chosen = named != verdict.causes.end() ? *named : verdict.causes.front();
  if (named == verdict.causes.end()) named_.push_back(chosen);
  return chosen;
}

bool summarise(const Tally& tally, std::ostream& out) {
  out << tally.passed << " passed, " << tally.failed << " failed";
  if (tally.skipped > 0) out << ", " << tally.skipped << " skipped";
  if (tally.unchecked > 0) out << ", " << tally.unchecked << " not checked";
  out << std::endl;
  return static_cast<bool>(out);
}

}  // namespace sha1vectors
