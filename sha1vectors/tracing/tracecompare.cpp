// SPDX-License-Identifier: MIT
#include "sha1vectors/tracing/tracecompare.h"

#include <algorithm>
#include <cctype>

#include "utilities/basicutilities.h"

namespace sha1vectors {
namespace {

using basicutilities::Sha1Words;
using basicutilities::wordhex;

bool hexword(std::string_view token, std::uint32_t& value) {
  if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) token.remove_prefix(2);
  if (token.empty() || token.size() > 8 || !std::all_of(token.begin(), token.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) return false;
  value = static_cast<std::uint32_t>(std::stoul(std::string(token), nullptr, 16));
  return true;
}

bool decimal(std::string_view token, std::uint64_t& value) {
  if (token.empty() || token.size() > 9 || !std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  value = std::stoull(std::string(token));
  return true;
}

// The words of a line that may be numbers: runs of letters and digits, less labels (a run just
// before "=") and words that are no number ("round", "block", "t").
std::vector<std::string_view> numbers(std::string_view line) {
  std::vector<std::string_view> found;
  for (std::size_t at = 0; at < line.size();) {
    if (std::isalnum(static_cast<unsigned char>(line[at])) == 0) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < line.size() && std::isalnum(static_cast<unsigned char>(line[end])) != 0) ++end;
    const std::string_view word = line.substr(at, end - at);
    std::size_t next = end;
    while (next < line.size() && line[next] == ' ') ++next;
    std::uint32_t ignored = 0;
    if ((next == line.size() || line[next] != '=') && hexword(word, ignored)) found.push_back(word);
    at = end;
  }
  return found;
}

// "W[16] = 1234ABCD", as --trace prints the schedule.
bool scheduleline(std::string_view line, unsigned& t, std::uint32_t& w) {
  const auto start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos || (line[start] != 'W' && line[start] != 'w')) return false;
  const auto parts = numbers(line.substr(start + 1));
  std::uint64_t index = 0;
  if (parts.size() != 2 || !decimal(parts[0], index) || index >= 80 || !hexword(parts[1], w)) return false;
  t = static_cast<unsigned>(index);
  return true;
}

struct RoundLine {
  std::optional<std::uint64_t> block;
  unsigned t = 0;
  Sha1Words state{};
  std::optional<std::uint32_t> w;
};

std::optional<RoundLine> roundline(std::string_view line) {
  const auto parts = numbers(line);
  if (parts.size() < 6 || parts.size() > 8) return std::nullopt;
  RoundLine round;
  std::size_t first = 0;
  std::uint64_t value = 0;
  // Seven numbers are a block and t before the words when the second is a short decimal, else
  // the words are followed by W[t].
  const bool numbered = parts.size() == 8 || (parts.size() == 7 && parts[1].size() <= 2 && decimal(parts[0], value) && decimal(parts[1], value));
  if (numbered) {
    if (!decimal(parts[0], value)) return std::nullopt;
    round.block = value;
    first = 1;
  }
  if (!decimal(parts[first], value) || value > 80) return std::nullopt;
  round.t = static_cast<unsigned>(value);
  for (std::size_t i = 0; i < 5; ++i) {
    if (!hexword(parts[first + 1 + i], round.state[i])) return std::nullopt;
  }
  if (first + 6 < parts.size()) {
    std::uint32_t w = 0;
    if (!hexword(parts[first + 6], w)) return std::nullopt;
    round.w = w;
  }
  return round;
}

// A difference: where, whose values, and the step that computes the value.
struct Parting {
  std::uint64_t block = 0;
  unsigned t = 0;
  bool schedule = false;       // W[t] differs, not the state
  int line = 0;
  std::string yours, right;
  std::string step;
};

const char* const variables = "abcde";

std::string roundfunction(unsigned t) {
  if (t < 20) return "Ch(b, c, d) = (b & c) | (~b & d)";
  if (t >= 40 && t < 60) return "Maj(b, c, d) = (b & c) | (b & d) | (c & d)";
  return "Parity(b, c, d) = b ^ c ^ d";
}

std::string words(const Sha1Words& state) {
  std::string text;
  for (const std::uint32_t word : state) {
    if (!text.empty()) text += ' ';
    text += wordhex(word);
  }
  return text;
}

std::string schedulestep(const basicutilities::Sha1BlockWorking& work, unsigned t) {
  const std::string name = "W[" + std::to_string(t) + "]";
  if (t < 16) return name + " is bytes " + std::to_string(4 * t) + " to " + std::to_string(4 * t + 3) + " of the block, read big-endian";
  const auto w = [&](unsigned back) { return "W[" + std::to_string(t - back) + "] " + wordhex(work.w[t - back]); };
  return name + " = rotl(" + w(3) + " ^ " + w(8) + " ^ " + w(14) + " ^ " + w(16) + ", 1)";
}

std::string roundstep(const basicutilities::Sha1BlockWorking& work, const basicutilities::RoundConstants& constants, unsigned t, std::size_t variable) {
  switch (variable) {
    case 0:
      return "a = rotl(a, 5) + f + e + K + W[" + std::to_string(t) + "], where f = " + roundfunction(t) + ", K = " + wordhex(constants[t / 20]) +
             " and W[" + std::to_string(t) + "] = " + wordhex(work.w[t]);
    case 1:
      return "b = the a that went into the round";
    case 2:
      return "c = rotl(b, 30), the b that went into the round rotated left by 30";
    case 3:
      return "d = the c that went into the round";
    default:
      return "e = the d that went into the round";
  }
}

// The first place where block work (SHA-1's) and the traced block part, if any.
std::optional<Parting> firstparting(const basicutilities::Sha1BlockWorking& work, const TracedBlock& traced,
                                    const basicutilities::RoundConstants& constants) {
  for (unsigned t = 0; t < 80; ++t) {
    Parting parting{work.index, t, false, traced.lines[t], {}, {}, {}};
    if (traced.w[t] && *traced.w[t] != work.w[t]) {
      parting.schedule = true;
      parting.yours = wordhex(*traced.w[t]);
      parting.right = wordhex(work.w[t]);
      parting.step = schedulestep(work, t);
      return parting;
    }
    if (!traced.rounds[t] || *traced.rounds[t] == work.rounds[t]) continue;
    const Sha1Words& yours = *traced.rounds[t];
    std::size_t variable = 0;
    while (yours[variable] == work.rounds[t][variable]) ++variable;
    parting.yours = words(yours);
    parting.right = words(work.rounds[t]);
    const Sha1Words& into = t == 0 ? work.before : work.rounds[t - 1];
    parting.step = std::string(1, variables[variable]) + " first: " + roundstep(work, constants, t, variable) + "\n  into the round: " + words(into);
    return parting;
  }
  return std::nullopt;
}

// Whether every value trace gives is variant's.
bool matches(std::string_view message, const basicutilities::Sha1Variant& variant, const basicutilities::RoundConstants& constants,
             const std::vector<TracedBlock>& trace) {
  bool same = true;
  std::size_t blocks = 0;
  basicutilities::sha1reference(message, variant, constants, [&](const basicutilities::Sha1BlockWorking& work) {
    ++blocks;
    if (same && work.index < trace.size()) same = !firstparting(work, trace[static_cast<std::size_t>(work.index)], constants);
  });
  return same && blocks >= trace.size();
}

// "; yours lacks round t=0 of block 1", when it lacks rounds within its blocks.
std::string missing(const std::vector<TracedBlock>& trace) {
  std::size_t count = 0;
  std::string first;
  for (std::size_t b = 0; b < trace.size(); ++b) {
    for (unsigned t = 0; t < 80; ++t) {
      if (trace[b].rounds[t]) continue;
      if (count++ == 0) first = "round t=" + std::to_string(t) + " of block " + std::to_string(b + 1);
    }
  }
  if (count == 0) return {};
  return "; yours lacks " + (count == 1 ? first : std::to_string(count) + " rounds, the first " + first);
}

std::string marks(const std::string& yours, const std::string& right) {
  std::string line;
  for (std::size_t i = 0; i < right.size(); ++i) line += yours[i] == right[i] ? ' ' : '^';
  return line.substr(0, line.find_last_not_of(' ') + 1);
}

// The lines of text, each with its number from 1, to fn.
template <class Fn>
void eachline(std::string_view text, Fn&& fn) {
  int number = 0;
  for (std::size_t at = 0; at <= text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    fn(text.substr(at, end - at), ++number);
    at = end + 1;
  }
}

// How a table numbers its rounds and blocks, from all its round lines: from 1 to 80 when some
// round is 80 and none is 0 (a table from 0 that lacks round 0 is still from 0); its first block's
// number.
struct Numbering {
  bool fromone = false;
  std::uint64_t firstblock = 0;
  std::uint64_t rounds = 0;
};

Numbering numbering(std::string_view text) {
  Numbering found;
  bool zero = false, eighty = false;
  eachline(text, [&](std::string_view line, int) {
    unsigned t = 0;
    std::uint32_t w = 0;
    if (scheduleline(line, t, w)) return;
    if (const auto round = roundline(line)) {
      if (found.rounds++ == 0) found.firstblock = round->block.value_or(0);
      zero = zero || round->t == 0;
      eighty = eighty || round->t == 80;
    }
  });
  found.fromone = eighty && !zero;
  return found;
}

// Where lines go: the block a round or a word belongs to, kept only up to the most a trace of the
// message can have, so that memory is bounded by blocks, not by lines.
class Placer {
 public:
  Placer(std::vector<TracedBlock>& blocks, std::size_t maxblocks) : blocks_(blocks), maxblocks_(maxblocks) {}
  TracedBlock* at(std::size_t block) {
    if (block >= maxblocks_) return nullptr;
    if (blocks_.size() <= block) blocks_.resize(block + 1);
    return &blocks_[block];
  }

 private:
  std::vector<TracedBlock>& blocks_;
  std::size_t maxblocks_;
};

// The block of round (read at line number): the one its number gives, or the next one where t
// starts again after last, else block.
std::size_t blockof(const RoundLine& round, const Numbering& numbered, int number, std::size_t block, unsigned last) {
  const std::string where = "line " + std::to_string(number) + ": ";
  if (round.t >= 80) throw TraceError(where + "round " + std::to_string(round.t) + " (a block has rounds 0 to 79)");
  if (!round.block) return round.t <= last && last != 80 ? block + 1 : block;
  if (*round.block < numbered.firstblock) throw TraceError(where + "block " + std::to_string(*round.block) + " after block " + std::to_string(numbered.firstblock));
  // A trace holds no more blocks than rounds: a number past that is no block of it.
  if (*round.block - numbered.firstblock >= numbered.rounds) throw TraceError(where + "block " + std::to_string(*round.block) + ", far past the trace's other blocks");
  return static_cast<std::size_t>(*round.block - numbered.firstblock);
}

}  // namespace

std::vector<TracedBlock> readtrace(std::string_view text, std::size_t maxblocks) {
  const Numbering numbered = numbering(text);
  if (numbered.rounds == 0) throw TraceError("no line reads as a round: \"t a b c d e\" in hexadecimal, as --trace prints them");
  std::vector<TracedBlock> blocks;
  Placer place(blocks, maxblocks);
  std::size_t scheduleblock = 0, block = 0;
  unsigned lastw = 80, last = 80;
  eachline(text, [&](std::string_view line, int number) {
    unsigned t = 0;
    std::uint32_t w = 0;
    if (scheduleline(line, t, w)) {
      if (t <= lastw && lastw != 80) ++scheduleblock;
      lastw = t;
      if (TracedBlock* traced = place.at(scheduleblock)) traced->w[t] = w;
      return;
    }
    auto round = roundline(line);
    if (!round) return;
    if (numbered.fromone) --round->t;
    block = blockof(*round, numbered, number, block, last);
    last = round->t;
    if (TracedBlock* traced = place.at(block)) {
      traced->rounds[round->t] = round->state;
      traced->lines[round->t] = number;
      if (round->w) traced->w[round->t] = round->w;
    }
  });
  return blocks;
}

TraceComparison comparetrace(std::string_view message, const basicutilities::RoundConstants& constants, const std::vector<TracedBlock>& trace) {
  std::optional<Parting> parting;
  std::size_t blocks = 0;
  basicutilities::sha1reference(message, {}, constants, [&](const basicutilities::Sha1BlockWorking& work) {
    ++blocks;
    if (!parting && work.index < trace.size()) parting = firstparting(work, trace[static_cast<std::size_t>(work.index)], constants);
  });
  TraceComparison result;
  const std::string size = "the message's " + std::to_string(message.size()) + " bytes pad to " + std::to_string(blocks) + (blocks == 1 ? " block" : " blocks");
  if (!parting && trace.size() > blocks) {
    result.report = "the traces part after block " + std::to_string(blocks) + ": yours goes on past it, but " + size + "\n";
  } else if (parting) {
    const std::string where = parting->schedule ? "W[" + std::to_string(parting->t) + "]" : "round t=" + std::to_string(parting->t);
    result.report = "the traces part at block " + std::to_string(parting->block + 1) + " of " + std::to_string(blocks) + ", " + where;
    result.report += (parting->line > 0 ? " (line " + std::to_string(parting->line) + " of yours)" : "") + "\n";
    result.report += "  yours  " + parting->yours + "\n  SHA-1  " + parting->right + "\n         " + marks(parting->yours, parting->right) + "\n";
    result.report += "  " + parting->step + "\n";
  } else {
    result.agree = true;
    std::size_t given = 0;
    for (const TracedBlock& block : trace) given += static_cast<std::size_t>(std::count_if(block.rounds.begin(), block.rounds.end(), [](const auto& r) { return r.has_value(); }));
    result.report = "the traces agree: " + std::to_string(given) + " rounds compared; " + size + missing(trace) + "\n";
    return result;
  }
  for (const auto& mistake : basicutilities::classicmistakes()) {
    if (matches(message, mistake.variant, constants, trace)) {
      result.report += "likely cause: " + std::string(mistake.name) + "\n";
      break;
    }
  }
  return result;
}

}  // namespace sha1vectors
