// SPDX-License-Identifier: MIT
// A digest as people paste it into the Expected box: each form read, anything else said why not.
#include <gtest/gtest.h>

#include <string>

#include "input/digestforms.h"

namespace {

// Each text against the digest it must read as (abc's) or the reason it must give; the fault each
// row catches is in its comment.
TEST(ReadDigest, TakesTheFormsToolsPrintAndSaysWhyAnythingElseIsNone) {
  const std::string abc = "a9993e364706816aba3e25717850c26c9cd0d89d";
  struct Case {
    std::u16string text;
    std::string problem;  // empty: reads as abc's digest
  };
  const Case cases[] = {
      {u"A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D", ""},
      {u"a9993e364706816aba3e25717850c26c9cd0d89d  -", ""},                       // sha1sum: digest first
      {u"\\a9993e364706816aba3e25717850c26c9cd0d89d  a\\nb", ""},                 // sha1sum on an escaped name
      {u"SHA1(stdin)= a9993e364706816aba3e25717850c26c9cd0d89d", ""},             // openssl: digest last
      {u"A9:99:3E:36:47:06:81:6A:BA:3E:25:71:78:50:C2:6C:9C:D0:D8:9D", ""},       // colons between pairs
      {u"0xa9993e364706816aba3e25717850c26c9cd0d89d", ""},                        // a "0x" before it
      {u"0XA9993E364706816ABA3E25717850C26C9CD0D89D", ""},                        // or "0X"
      {u"\ta9993e364706816aba3e2571 7850c26c9cd0d89d ", ""},                      // blanks anywhere
      {u"qZk+NkcGgWq6PiVxeFDCbJzQ2J0=", ""},                                      // base64
      {u"qZk-NkcGgWq6PiVxeFDCbJzQ2J0", ""},                                       // URL-safe base64, no "="
      {u"a9993e364706816aba3e25717850c26c9cd0d89", "Expected holds 39 hex digits, a digest has 40"},
      {u"a9993e364706816aba3e25717850c26c9cd0d89d0", "Expected holds 41 hex digits, a digest has 40"},
      {u"a9993e364706816aba3e25717850c26c9cd0d89  -", "Expected holds 39 hex digits, a digest has 40"},  // the digest, not the "-"
      {u"A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D0", "Expected holds 41 hex digits, a digest has 40"},  // nine in a group
      {u"qZk+NkcGgWq6PiVxeFDCbJzQ2J1=", "Expected holds \"q\", which is not a hex digit"},  // bits past the 20 bytes
      {u"a9993e364706816aba3e25717850c26c9cd0d8\u00E9d", "Expected holds a character that no digest form has"},
      {u"hello", "Expected holds \"h\", which is not a hex digit"},
      {u"SHA1    A9993E364706816ABA3E25717850C26C9CD0D89D    C:\\abc.txt", ""},     // PowerShell's Get-FileHash row
      {u"Algorithm Hash Path\r\n--------- ---- ----\r\nSHA1 A9993E364706816ABA3E25717850C26C9CD0D89D C:\\abc.txt", ""},  // its whole table
      {u"SHA1(abc.txt)= a9:99:3e:36:47:06:81:6a:ba:3e:25:71:78:50:c2:6c:9c:d0:d8:9d", ""},  // openssl dgst -c
      {u"the digest a9993e364706816aba3e25717850c26c9cd0d89d is", "Expected holds a digest among words no tool prints around one; paste the digest alone"},
      {u"one\ntwo", "Expected holds 2 lines and none gives a digest"},
  };
  for (const Case& c : cases) {
    const input::DigestReading read = input::readdigest(c.text);
    const std::string where(c.text.begin(), c.text.end());  // for the message only
    EXPECT_EQ(read.problem, c.problem) << where;
    EXPECT_EQ(read.digest ? basicutilities::digesthex(*read.digest) : "", c.problem.empty() ? abc : "") << where;
  }
  EXPECT_EQ(input::readdigest(u" "), input::DigestReading{}) << "a blank box is no problem";
}

// A paste of sha1sum over several files: the line naming the file asked for, else the first, and
// how many there were.
TEST(ReadDigest, OfSeveralLinesTakesTheNamedFilesOrTheFirst) {
  const std::u16string lines = u"da39a3ee5e6b4b0d3255bfef95601890afd80709  empty.txt\n"
                               u"a9993e364706816aba3e25717850c26c9cd0d89d  abc.txt\n";
  const input::DigestReading named = input::readdigest(lines, u"abc.txt");
  ASSERT_TRUE(named.digest);
  EXPECT_EQ(basicutilities::digesthex(*named.digest), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(named.digests, 2U);
  EXPECT_TRUE(named.named);
  const input::DigestReading first = input::readdigest(lines, u"other.txt");
  ASSERT_TRUE(first.digest);
  EXPECT_EQ(basicutilities::digesthex(*first.digest), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_FALSE(first.named);
  EXPECT_EQ(first.taken, 0U);
}

}  // namespace
