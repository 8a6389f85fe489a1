#include <gtest/gtest.h>

#include "ui/forms/ansi.h"

namespace {

TEST(Windows1252, EveryByteHasACharacterAndBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r' && b != '\n') all += static_cast<char>(b);
  }
  EXPECT_EQ(forms::toansi(forms::fromansi(all)), all);
  EXPECT_EQ(forms::fromansi("\x80\x9F"), QString::fromUtf8("\xE2\x82\xAC\xC5\xB8"));  // euro, Y diaeresis
}

TEST(Windows1252, LineBreaksBecomeCrLf) {
  EXPECT_EQ(forms::toansi("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(forms::toansi(QString("x") + QChar(0x2029) + "y"), "x\r\ny");
}

TEST(Windows1252, NamesTheFirstCharacterWithoutAByteAndItsPosition) {
  try {
    forms::toansi(QString::fromUtf8("ab\xF0\x9F\x98\x80\xE4\xB8\xAD"));  // U+1F600 then U+4E2D
    FAIL() << "no error";
  } catch (const forms::UnmappableCharacterError& error) {
    EXPECT_EQ(error.character(), U'\U0001F600');
    EXPECT_EQ(error.position(), 3);
    EXPECT_NE(std::string(error.what()).find("U+1F600 at position 3"), std::string::npos) << error.what();
  }
  EXPECT_THROW(forms::toansi(QString(QChar(0x0080))), forms::UnmappableCharacterError)
      << "U+0080 is not the byte 80, which is the euro sign";
}

}  // namespace
