// SPDX-License-Identifier: MIT
// What bytes a message box means, as the window, its status line and its tests read it.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <optional>
#include <string>

#include "input/messagebytes.h"

namespace {

// Each hex text against how it must read: the fault each row catches is in its comment.
TEST(ReadHex, TakesDigitsInPairsAndSaysWhatItSkipped) {
  struct Case {
    std::u16string text;
    std::string bytes;
    std::size_t skipped;
    char32_t firstskipped;
    std::size_t prefixes;
    bool zerox, odd;
  };
  const Case cases[] = {
      {u"", "", 0, 0, 0, false, false},
      {u"61 62 63 ", "abc", 0, 0, 0, false, false},
      {u"6162\r\n\t63", "abc", 0, 0, 0, false, false},              // line breaks and tabs separate
      {u"61\u00A062\u200363\u3000", "abc", 0, 0, 0, false, false},  // so do Unicode's spaces
      {u"aBcD", "\xAB\xCD", 0, 0, 0, false, false},                 // either case
      {u"abc", "\x0A\xBC", 0, 0, 0, false, true},                   // odd: a leading 0, not a trailing one
      {u"6g1", "\x61", 1, U'g', 0, false, false},                   // a skipped letter keeps no digit
      {u"0x61 0X62", "ab", 0, 0, 2, false, false},                  // C's prefix is no digit
      {u"{0x61,\\x62,0x6}", "ab\x06", 4, U'{', 3, false, true},    // "\x" too; 0x6 is 06, not 6 paired on
      {u"0x1 02", std::string("\x01\x02", 2), 0, 0, 1, false, true},  // the run ends at a blank
      {u"10x5 0x", "\x10P", 2, U'x', 0, true, false},             // after a digit, or before none: 0 is a digit
      {u"x0", std::string(1, '\0'), 1, U'x', 0, false, true},       // an x before a 0 is no "0x"
      {u"\U0001F600 61", "a", 1, U'\U0001F600', 0, false, false},   // a character beyond 16 bits is one
      {u"\xD800" u"61", "a", 1, 0xD800, 0, false, false},           // a lone surrogate is one character too
  };
  for (const Case& c : cases) {
    const auto read = input::readhex(c.text);
    ASSERT_TRUE(read);
    const std::string where(c.text.begin(), c.text.end());  // for the message only
    EXPECT_EQ(read->bytes, c.bytes) << where;
    EXPECT_EQ(read->skipped, c.skipped) << where;
    EXPECT_EQ(read->firstskipped, c.firstskipped) << where;
    EXPECT_EQ(read->prefixes, c.prefixes) << where;
    EXPECT_EQ(read->zerox, c.zerox) << where;
    EXPECT_EQ(read->odd, c.odd) << where;
  }
}

// Hex mode's bytes shown as text only where text mode reads every character back as its byte.
TEST(AsText, ShowsBytesOnlyWhereTextModeReadsThemBack) {
  struct Case {
    std::string bytes;
    std::u16string text;
    std::optional<std::size_t> unshowable;
  };
  const Case cases[] = {
      {"abc\r\nd\te\x80\xFF", u"abc\nd\te\u20AC\u00FF", std::nullopt},  // CR LF is one line break
      {"ab\n", u"", 2},                                                   // a lone LF would come back as CR LF
      {"a\rb", u"", 1},
      {std::string("a\0", 2), u"", 1},                                    // a control shows as nothing
      {"a\x81", u"", 1},                                                  // undefined in Windows-1252
      {"\x7F", u"", 0},
  };
  for (const Case& c : cases) {
    const input::AsText shown = input::astext(c.bytes);
    EXPECT_EQ(shown.text, c.text);
    EXPECT_EQ(shown.unshowable, c.unshowable);
    if (!shown.unshowable) {
      EXPECT_EQ(input::towindows1252(shown.text).bytes, c.bytes) << "does not read back";
    }
  }
}

// Pace is told both passes, from their start, and a false from it stops the reading.
TEST(ReadHex, TellsItsPaceAndStopsWhenTold) {
  const std::u16string text(10000, u'6');
  std::size_t calls = 0, bytecalls = 0;
  const auto read = input::readhex(text, [&](input::Stage stage, std::size_t done, std::size_t total) {
    EXPECT_LE(done, total);
    ++calls;
    bytecalls += stage == input::Stage::bytes ? 1 : 0;
    return true;
  });
  ASSERT_TRUE(read);
  EXPECT_EQ(read->bytes, std::string(5000, 'f'));
  EXPECT_EQ(calls - bytecalls, 3U);  // at 0, 4096 and 8192 characters
  EXPECT_EQ(bytecalls, 2U);          // at 0 and 4096 bytes
  for (const input::Stage stop : {input::Stage::digits, input::Stage::bytes}) {
    EXPECT_FALSE(input::readhex(text, [&](input::Stage stage, std::size_t done, std::size_t) { return !(stage == stop && done > 0); }));
  }
}

// Byte b through the system's own Windows-1252 table (the C library's, or Windows'); nothing where
// the code page leaves it undefined.
std::optional<char16_t> systemwindows1252(char b) {
  char16_t out = 0;
#ifdef _WIN32
  wchar_t wide = 0;
  if (::MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, &b, 1, &wide, 1) != 1) return std::nullopt;
  out = static_cast<char16_t>(wide);
#else
  static const iconv_t convert = iconv_open("UTF-16LE", "CP1252");
  char* from = &b;
  auto* to = reinterpret_cast<char*>(&out);
  std::size_t inleft = 1, outleft = sizeof out;
  if (convert == reinterpret_cast<iconv_t>(-1) || iconv(convert, &from, &inleft, &to, &outleft) == static_cast<std::size_t>(-1)) return std::nullopt;
#endif
  return out;
}

// Each byte 80..FF against the system's own Windows-1252 table, and back.
TEST(Windows1252, EveryByteMapsAsTheCodePageSaysAndBack) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::u16string character = input::fromwindows1252(byte);
    // The undefined bytes are their C1 controls (Windows' own table says so too).
    EXPECT_EQ(character, std::u16string(1, systemwindows1252(byte[0]).value_or(static_cast<char16_t>(b)))) << "byte " << b;
    EXPECT_EQ(input::towindows1252(character).bytes, byte) << "byte " << b;
  }
}

TEST(Windows1252, EveryLineBreakBecomesCrLf) {
  EXPECT_EQ(input::towindows1252(u"a\nb\r\nc\rd\u2028e\u2029f\r\r").bytes, "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n\r\n");
}

TEST(Windows1252, NamesTheFirstCharacterWithoutAByteAndItsPosition) {
  const auto encoded = input::towindows1252(u"ab\U0001F600\u4E2D");
  ASSERT_TRUE(encoded.unmappable);
  EXPECT_EQ(encoded.unmappable->character, U'\U0001F600');
  EXPECT_EQ(encoded.unmappable->position, 3U);
  EXPECT_TRUE(encoded.bytes.empty());
  EXPECT_TRUE(input::towindows1252(u"\u0080").unmappable) << "U+0080 is not the byte 80, which is the euro sign";
}

// A command line's UTF-8: each malformed byte is one U+FFFD, so no malformed input can pass for a
// character that has a byte.
TEST(FromUtf8, DecodesWellFormedCharactersAndMarksEveryOtherByte) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"a\xC3\xA9", u"a\u00E9"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},                   // beyond 16 bits: a surrogate pair
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                          // overlong "/", in two bytes
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},                // and in three
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                // a surrogate's own code
      {"\xE2\x82", u"\uFFFD\uFFFD"},                          // cut short
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},      // past U+10FFFF
  };
  for (const auto& [utf8, utf16] : cases) EXPECT_EQ(input::fromutf8(utf8), utf16) << utf8;
}

}  // namespace
