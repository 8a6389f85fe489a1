#include "ui/forms/ansi.h"

#include <QList>
#include <QStringView>
#include <array>

namespace forms {
namespace {

// Unicode of bytes 0x80..0x9F. The five bytes Windows-1252 leaves undefined map to the C1 control
// of the same value, as Windows itself does, so that every byte has a character and back.
constexpr std::array<char16_t, 32> highcontrols{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string describe(char32_t character, qsizetype position) {
  const QString code = QString::number(static_cast<uint>(character), 16).toUpper().rightJustified(4, u'0');
  return QString("The character U+%1 at position %2 of the message has no byte in Windows-1252, so the "
                 "message cannot be hashed as text. Remove it, or enter the bytes in hex mode.")
      .arg(code)
      .arg(position)
      .toStdString();
}

bool islinebreak(char32_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

}  // namespace

UnmappableCharacterError::UnmappableCharacterError(char32_t character, qsizetype position)
    : std::runtime_error(describe(character, position)), character_(character), position_(position) {}

int ansicode(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<int>(character);
  for (std::size_t i = 0; i < highcontrols.size(); ++i) {
    if (highcontrols[i] == character) return static_cast<int>(0x80 + i);
  }
  return -1;
}

std::string toansi(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  qsizetype position = 0;
  char32_t previous = 0;
  for (const char32_t c : QStringView(text).toUcs4()) {
    ++position;
    if (islinebreak(c)) {
      // The LF of a CR LF pair is the same line break as its CR.
      if (!(c == u'\n' && previous == u'\r')) bytes += "\r\n";
    } else {
      const int code = ansicode(c);
      if (code < 0) throw UnmappableCharacterError(c, position);
      bytes += static_cast<char>(static_cast<unsigned char>(code));
    }
    previous = c;
  }
  return bytes;
}

QString fromansi(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    text += byte >= 0x80 && byte < 0xA0 ? QChar(highcontrols[byte - 0x80U]) : QChar(byte);
  }
  return text;
}

}  // namespace forms
