// SPDX-License-Identifier: MIT
// basicutilities: word operations, field extraction, hexadecimal conversions and the alert seam.
// No Qt here: the engine, the tester window and the command-line validator all link this.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "utilities/hex.h"

namespace basicutilities {

// A 32-bit value held in a signed integer and read as unsigned (two's complement).
using Word = std::int32_t;

// ---- Word operations --------------------------------------------------------------------------
// All computed on unsigned 32-bit values, so no input can overflow a signed type.

// (a + b) modulo 2^32.
Word wordadd(Word a, Word b) noexcept;
// x rotated left by n for n in 1..31; x unchanged for any other n (no reduction modulo 32).
Word rleft(Word x, std::int16_t n) noexcept;
// Logical shift right: x for n <= 0, 0 for n >= 32.
Word sright(Word x, std::int16_t n) noexcept;
// Shift left, bits leaving the top dropped: x for n <= 0, 0 for n >= 32.
Word sleft(Word x, std::int16_t n) noexcept;
// The rightmost min(width, 8) characters of v's 8-digit upper-case hexadecimal form;
// "" for a width of 0 or less.
std::string wordtohex(Word v, std::int16_t width);
// The 8 upper-case digits of an unsigned 32-bit value.
std::string wordhex(std::uint32_t value);

// ---- Field extraction -------------------------------------------------------------------------

// One of three jobs, chosen by field:
//   -1        trim: strip delimiter characters (a one-character delimiter) from both ends; the
//             caller's text becomes its left-trimmed form;
//   <= 0      count the fields, returned as decimal text;
//   1..8000   return that field ("" when there are fewer); above 8000: "".
// A delimiter of " " or "" splits on whitespace: runs of blanks fold to one, leading blanks go,
// and (except for trim) the caller's delimiter becomes " ".
// A multi-character delimiter is searched with overlaps: each search starts one character after
// the start of the previous occurrence, so a field can begin with the delimiter's tail.
std::string parsefield(std::string& text, std::int32_t& field, std::string& delimiter);

// ---- Hexadecimal conversions ------------------------------------------------------------------

// Raised by hextodec when an 8-character text whose first character is not a hexadecimal digit
// (rewritten to "F") would need more than 31 bits.
class HexOverflowError : public std::overflow_error {
 public:
  using std::overflow_error::overflow_error;
};

// The value of the first blank-separated word of text, digits in either case, as a 32-bit
// two's-complement number: 8 digits starting 8..F give negative values. A character that is not a
// hexadecimal digit counts as 0 in its place: "1G" is 16, not 1.
// Side effect: an 8-character text whose first character is not 0..7 has that character
// rewritten in place to the digit worth 8 less ("F" for a non-digit).
// More than 8 characters: alerts the user ("Internal error") and returns 0, text untouched.
// Throws HexOverflowError as described above.
std::int32_t hextodec(std::string& text);

// value in upper-case hexadecimal, negative values in the width of their own type (4 digits for
// 16 bits, 8 for 32), zero-filled on the left to at most 18 + digits characters and cut to the
// rightmost width characters. A width of 0 or less gives "".
std::string dectohex(std::int16_t value, int width);
std::string dectohex(std::int32_t value, int width);

// ---- Alerts -----------------------------------------------------------------------------------

// Shows title and message to the user and returns true when they answered OK. What shows it is
// the installed handler (the GUI installs a modal dialog); with none, both go to standard error
// and the answer is false.
using AlertHandler = std::function<bool(const std::string& title, const std::string& message)>;
bool alertuser(const std::string& title, const std::string& message);
// Installs handler (an empty one restores the standard-error fallback); returns the previous one.
AlertHandler setalerthandler(AlertHandler handler);

// ---- Start-up ---------------------------------------------------------------------------------

// "1.00.03" for version 1.0.3: the minor and revision numbers as their last two digits, widened
// with zeros; the major number as it is. Version numbers are never negative.
std::string versiontext(int major, int minor, int revision);

// Control-character strings, filled once by initcontrolchars at start-up.
inline std::string tabchar, lfchar, ffchar, crchar, escchar, quotechar, bschar, delchar, crlf, ackchar, nakchar;
void initcontrolchars();

}  // namespace basicutilities
