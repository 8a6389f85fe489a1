// SPDX-License-Identifier: MIT
#include "ui/forms/ansi.h"

#include "input/messagebytes.h"

namespace forms {
namespace {

std::string describe(char32_t character, qsizetype position) {
  const QString code = QString::number(static_cast<uint>(character), 16).toUpper().rightJustified(4, u'0');
  return QString("The character U+%1 at position %2 of the message has no byte in Windows-1252, so the "
                 "message cannot be hashed as text. Remove it, or enter the bytes in hex mode.")
      .arg(code)
      .arg(position)
      .toStdString();
}

}  // namespace

UnmappableCharacterError::UnmappableCharacterError(char32_t character, qsizetype position)
    : std::runtime_error(describe(character, position)), character_(character), position_(position) {}

std::string toansi(const QString& text) {
  input::Encoded encoded = input::towindows1252(utf16(text));
  if (encoded.unmappable) throw UnmappableCharacterError(encoded.unmappable->character, static_cast<qsizetype>(encoded.unmappable->position));
  return std::move(encoded.bytes);
}

QString fromansi(std::string_view bytes) { return QString::fromStdU16String(input::fromwindows1252(bytes)); }

}  // namespace forms
