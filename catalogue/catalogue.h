// SPDX-License-Identifier: MIT
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
  std::string message;        // what the message box shows (the million entry: the marker)
  std::string_view expected;  // digest text; empty for the prompt
};

// The entries the program names; the others are only listed.
inline constexpr int promptentry = 0;        // "Select a test vector to hash": no message
inline constexpr int emptymessageentry = 1;  // the empty message
inline constexpr int millionentry = 11;      // one million "a", shown as the marker

// The million "a" are too many to show; the box holds this marker, and a hash request on exactly
// this text hashes millionlength characters "a".
inline constexpr std::string_view millionmarker = "a...a x 1,000,000";
inline constexpr std::size_t millionlength = 1'000'000;

// Every entry, the prompt first: the window lists them in this order.
std::span<const Entry> entries();
// One entry by its index; index must be within entries().
const Entry& entry(int index);

// The message an entry stands for: its message, or for the marker the million "a", built with room
// for the padding sha1digest appends so that it is never copied again.
std::string fullmessage(const Entry& entry);

}  // namespace catalogue
