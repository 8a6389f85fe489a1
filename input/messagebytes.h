// SPDX-License-Identifier: MIT
// What bytes a message box means: its text in Windows-1252 (text mode) or the bytes its
// hexadecimal digits spell (hex mode). No Qt: the window, its status line and the tests all read a
// box through these rules. Text arrives as UTF-16, the form the window's widgets keep it in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace input {

// ---- Hex mode ---------------------------------------------------------------------------------

// How a hex text was read.
struct HexReading {
  std::string bytes;
  std::size_t skipped = 0;    // characters that are neither digits nor blanks
  char32_t firstskipped = 0;  // the first of them
  bool zerox = false;         // a "0x" whose 0 was read as a digit and x skipped
  bool odd = false;           // an odd count of digits: a leading 0 was added
};

// The passes of a reading (hex: digits, then bytes; text: characters), for progress.
enum class Stage { digits, bytes, characters };
// Called with how far a pass has come (done of total, in characters or bytes) at its start and
// then every few thousand steps; returning false stops the reading.
using Pace = std::function<bool(Stage stage, std::size_t done, std::size_t total)>;

// The hexadecimal digits of text (either case), in pairs, each pair one byte; an odd count gets a
// leading 0. Blanks and line breaks separate pairs; any other character is skipped and counted.
// nullopt only when pace stopped the reading.
std::optional<HexReading> readhex(std::u16string_view text, const Pace& pace = {});

// ---- Text mode: Windows-1252 -------------------------------------------------------------------

// A character without a byte, and where it stands (1-based, in characters).
struct Unmappable {
  char32_t character = 0;
  std::size_t position = 0;
};

struct Encoded {
  std::string bytes;                      // empty when a character had no byte
  std::optional<Unmappable> unmappable;  // the first such character
};

// One byte per character, so that a digest never depends on the machine's locale. A line break
// (LF, CR LF, CR, or U+2028/U+2029) becomes CR LF, so that a message typed over several lines
// hashes the same on every system.
Encoded towindows1252(std::u16string_view text);
// The same, with pace told of the characters done (Stage::characters); nullopt only when pace
// stopped it.
std::optional<Encoded> towindows1252(std::u16string_view text, const Pace& pace);

// UTF-8 (a command line's text) as UTF-16; a byte that is no part of a well-formed character
// becomes U+FFFD, which has no byte in Windows-1252.
std::u16string fromutf8(std::string_view text);

// The character of each byte: the inverse of towindows1252 for text without line breaks.
std::u16string fromwindows1252(std::string_view bytes);

}  // namespace input
