// The tester's catalogue of published SHA-1 vectors: what the window offers and the command-line
// validator checks by default. No Qt, so both can use it.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace catalogue {

struct Entry {
  std::string_view text;      // as listed in the window's drop-down
  std::string message;        // what the message box shows (entry 11: the marker)
  std::string_view expected;  // digest text; empty for entry 0
};

// Entry 11's message is too large to show; the box holds this marker, and a hash request on
// exactly this text hashes millionlength characters "a".
inline constexpr std::string_view millionmarker = "a...a x 1,000,000";
inline constexpr std::size_t millionlength = 1'000'000;

// Entries 0 ("Select a test vector to hash") to 11.
std::span<const Entry> entries();

// The message an entry stands for: its message, or for the marker the million "a".
std::string fullmessage(const Entry& entry);

}  // namespace catalogue
