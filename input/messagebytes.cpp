// SPDX-License-Identifier: MIT
#include "input/messagebytes.h"

#include <array>

#include "utilities/basicutilities.h"

namespace input {
namespace {

// Unicode of bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined map to the C1 control
// of the same value, as Windows itself does, so that every byte has a character and back.
constexpr std::array<char16_t, 32> highcontrols{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Pace is asked this often, in characters or bytes.
constexpr std::size_t pacestep = 4096;

bool islinebreak(char32_t c) { return c == U'\n' || c == U'\r' || c == 0x2028 || c == 0x2029; }

// Unicode's white space: ASCII's blanks and line ends, and the space, line and paragraph separators.
bool isblank(char32_t c) {
  return c == U' ' || (c >= U'\t' && c <= U'\r') || c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// The character that starts at text[at], and how many code units it takes (a lone surrogate is
// a character of its own).
char32_t characterat(std::u16string_view text, std::size_t at, std::size_t& units) {
  const char16_t first = text[at];
  units = 1;
  if (first >= 0xD800 && first < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000) {
    units = 2;
    return 0x10000 + ((static_cast<char32_t>(first) - 0xD800) << 10) + (static_cast<char32_t>(text[at + 1]) - 0xDC00);
  }
  return first;
}

bool paced(const Pace& pace, Stage stage, std::size_t done, std::size_t total) {
  return !pace || done % pacestep != 0 || pace(stage, done, total);
}

// The byte of one character, or -1 when it has none (line breaks are not special here).
int windows1252code(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<int>(character);
  for (std::size_t i = 0; i < highcontrols.size(); ++i) {
    if (highcontrols[i] == character) return static_cast<int>(0x80 + i);
  }
  return -1;
}

// The character that text starts with in UTF-8, and its length in bytes; U+FFFD, one byte long,
// for a byte that starts no well-formed character (overlong forms, surrogates and values past
// Unicode are none).
char32_t utf8character(std::string_view text, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[0]);
  length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
  static constexpr char32_t leadbits[] = {0, 0x7F, 0x1F, 0x0F, 0x07}, least[] = {0, 0, 0x80, 0x800, 0x10000};
  bool wellformed = length != 0 && length <= text.size();
  char32_t c = wellformed ? lead & leadbits[length] : 0;
  for (std::size_t i = 1; wellformed && i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    wellformed = (next & 0xC0U) == 0x80;
    c = c << 6 | (next & 0x3FU);
  }
  if (wellformed && c >= least[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) return c;
  length = 1;
  return 0xFFFD;
}

// Whether a C prefix starts at text[at], which holds c: "0x" not after a digit, or "\x", and
// a digit after it.
bool prefixat(std::u16string_view text, std::size_t at, char32_t c, char32_t previous) {
  return (c == U'\\' || (c == U'0' && !basicutilities::ishexdigit(previous))) && at + 2 < text.size() &&
         (text[at + 1] == u'x' || text[at + 1] == u'X') && basicutilities::ishexdigit(char32_t{text[at + 2]});
}

// A character of a hex text that is no digit: a blank separates, anything else is counted.
void skip(HexReading& reading, char32_t c, char32_t previous) {
  if (isblank(c)) return;
  if (reading.skipped++ == 0) reading.firstskipped = c;
  reading.zerox = reading.zerox || (previous == U'0' && (c == U'x' || c == U'X'));
}

}  // namespace

std::optional<HexReading> readhex(std::u16string_view text, const Pace& pace) {
  HexReading reading;
  std::string digits;
  digits.reserve(text.size());  // growing by copies would hold a long reading up for tens of milliseconds
  char32_t previous = 0;
  constexpr std::size_t none = std::string::npos;
  std::size_t prefixedrun = none;  // where the digits after a prefix began
  // A prefixed run of odd length gets its own leading 0, as C reads 0x1.
  const auto endrun = [&] {
    if (prefixedrun != none && (digits.size() - prefixedrun) % 2 != 0) {
      digits.insert(prefixedrun, 1, '0');
      reading.odd = true;
    }
    prefixedrun = none;
  };
  for (std::size_t at = 0, units = 1; at < text.size(); at += units) {
    if (!paced(pace, Stage::digits, at, text.size())) return std::nullopt;
    const char32_t c = characterat(text, at, units);
    const bool prefix = prefixat(text, at, c, previous);
    if (prefix || !basicutilities::ishexdigit(c)) endrun();
    if (prefix) {
      ++reading.prefixes;
      prefixedrun = digits.size();
      units = 2;
    } else if (basicutilities::ishexdigit(c)) {
      digits += static_cast<char>(c);
    } else {
      skip(reading, c, previous);
    }
    previous = prefix ? U'x' : c;
  }
  endrun();
  reading.odd = reading.odd || digits.size() % 2 != 0;
  if (digits.size() % 2 != 0) digits.insert(0, 1, '0');
  reading.bytes.reserve(digits.size() / 2);
  for (std::size_t p = 0; p < digits.size(); p += 2) {
    if (!paced(pace, Stage::bytes, p / 2, digits.size() / 2)) return std::nullopt;
    std::string pair = digits.substr(p, 2);
    reading.bytes += static_cast<char>(basicutilities::hextodec(pair));
  }
  return reading;
}

Encoded towindows1252(std::u16string_view text) { return *towindows1252(text, {}); }

std::optional<Encoded> towindows1252(std::u16string_view text, const Pace& pace) {
  Encoded encoded;
  encoded.bytes.reserve(text.size());
  std::size_t position = 0;
  char32_t previous = 0;
  for (std::size_t at = 0, units = 1; at < text.size(); at += units) {
    if (!paced(pace, Stage::characters, at, text.size())) return std::nullopt;
    const char32_t c = characterat(text, at, units);
    ++position;
    if (islinebreak(c)) {
      // The LF of a CR LF pair is the same line break as its CR.
      if (!(c == U'\n' && previous == U'\r')) encoded.bytes += "\r\n";
    } else if (const int code = windows1252code(c); code >= 0) {
      encoded.bytes += static_cast<char>(static_cast<unsigned char>(code));
    } else {
      encoded.bytes.clear();
      encoded.unmappable = Unmappable{c, position};
      return encoded;
    }
    previous = c;
  }
  return encoded;
}

std::u16string fromutf8(std::string_view text) {
  std::u16string out;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = 1;
    const char32_t c = utf8character(text.substr(at), length);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    at += length;
  }
  return out;
}

std::u16string fromwindows1252(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    text += byte >= 0x80 && byte < 0xA0 ? highcontrols[byte - 0x80U] : static_cast<char16_t>(byte);
  }
  return text;
}

AsText astext(std::string_view bytes) {
  AsText shown;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') {
      shown.text += u'\n';
      ++at;
      continue;
    }
    const char16_t character = byte >= 0x80 && byte < 0xA0 ? highcontrols[byte - 0x80U] : static_cast<char16_t>(byte);
    const bool control = (character < 0x20 && character != u'\t') || (character >= 0x7F && character < 0xA0);
    if (control) {
      shown = {{}, at};
      return shown;
    }
    shown.text += character;
  }
  return shown;
}

}  // namespace input
