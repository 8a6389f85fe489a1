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
  std::size_t prefixes = 0;   // "0x", "0X" or "\x" before digits, read as C writes bytes
  bool zerox = false;         // a "0x" read as the digit 0 and a skipped x (no digit after it, or a digit before)
  bool odd = false;           // an odd count of digits: a leading 0 was added (to the whole, or to a prefixed run)
};

// The passes of a reading (hex: digits, then bytes; text: characters), for progress.
enum class Stage { digits, bytes, characters };
// Called with how far a pass has come (done of total, in characters or bytes) at its start and
// then every few thousand steps; returning false stops the reading.
using Pace = std::function<bool(Stage stage, std::size_t done, std::size_t total)>;

// The hexadecimal digits of text (either case), in pairs, each pair one byte; an odd count gets a
// leading 0. Blanks and line breaks separate pairs; any other character is skipped and counted.
// A C-style prefix ("0x" not after a digit, or "\x", before a digit) is no digit: its run of digits
// stands on its own, so "0x1, 0x2" is the bytes 01 02 as C reads it.
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

// Bytes as text that reads back as them and shows each: a line break only as CR LF (one line break in the box),
// the tab, and printable characters; no other control, none of the five bytes Windows-1252 leaves
// undefined.
struct AsText {
  std::u16string text;                       // empty when a byte has no such character
  std::optional<std::size_t> unshowable;     // the first such byte, from 0
};
AsText astext(std::string_view bytes);

}  // namespace input
