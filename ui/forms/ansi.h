// Text and bytes in Windows-1252: every message typed as text is hashed as these bytes. The code
// page is fixed, so that a digest never depends on the machine's locale.
#pragma once

#include <QString>
#include <stdexcept>
#include <string>
#include <string_view>

namespace forms {

// A character of the text that has no byte in Windows-1252.
class UnmappableCharacterError : public std::runtime_error {
 public:
  UnmappableCharacterError(char32_t character, qsizetype position);
  char32_t character() const { return character_; }
  qsizetype position() const { return position_; }  // 1-based, in characters

 private:
  char32_t character_;
  qsizetype position_;
};

// One byte per character. A line break (LF, CR LF, CR, or U+2028/U+2029) becomes CR LF, so that a
// message typed over several lines hashes the same on every system. Throws UnmappableCharacterError
// for the first character without a byte.
std::string toansi(const QString& text);

// The character of each byte. The inverse of toansi for text without line breaks.
QString fromansi(std::string_view bytes);

// The byte of one character, or -1 when it has none (line breaks are not special here).
int ansicode(char32_t character);

}  // namespace forms
