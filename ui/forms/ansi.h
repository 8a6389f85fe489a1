// SPDX-License-Identifier: MIT
// Text and bytes in Windows-1252, for the form layer's QStrings: the rules live in
// input/messagebytes.h; here they meet Qt.
#pragma once

#include <QString>
#include <QStringView>
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

// The text's UTF-16 code units, without a copy.
inline std::u16string_view utf16(const QString& text) {
  const QStringView view(text);
  return {view.utf16(), static_cast<std::size_t>(view.size())};
}

// One byte per character, line breaks as CR LF (input::towindows1252). Throws
// UnmappableCharacterError for the first character without a byte.
std::string toansi(const QString& text);

// The character of each byte. The inverse of toansi for text without line breaks.
QString fromansi(std::string_view bytes);

}  // namespace forms
