// SPDX-License-Identifier: MIT
#include "catalogue/catalogue.h"

#include <array>

namespace catalogue {
namespace {

std::string repeated(std::string_view piece, std::size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

}  // namespace

std::span<const Entry> entries() {
  static const std::array<Entry, 12> table{{
      {"Select a test vector to hash", "", ""},
      {"(Empty Message)", "", "DA39A3EE 5E6B4B0D 3255BFEF 95601890 AFD80709"},
      {"abc", "abc", "A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D"},
      {"The quick brown fox jumps over the lazy dog", "The quick brown fox jumps over the lazy dog",
       "2FD4E1C6 7A2D28FC ED849EE1 BB76E739 1B93EB12"},
      {"The quick brown fox jumps over the lazy cog", "The quick brown fox jumps over the lazy cog",
       "DE9F2C7F D25E1B3A FAD3E85A 0BD17D9B 100DB4B3"},
      {"a...a  (54 characters=1 block-1 after padding)", std::string(54, 'a'),
       "B05D71C6 4979CB95 FA74A33C DB31A40D 258AE02E"},
      {"a...a  (55 characters=1 block after padding)", std::string(55, 'a'),
       "C1C8BBDC 22796E28 C0E15163 D20899B6 5621D65A"},
      {"a...a  (56 characters=1 block+1 after padding)", std::string(56, 'a'),
       "C2DB330F 6083854C 99D4B5BF B6E8F29F 201BE699"},
      {"abcdbcde...mnopnopq", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983E44 1C3BD26E BAAE4AA1 F95129E5 E54670F1"},
      {"01234567...01234567 (80 itterations)", repeated("01234567", 80),
       "DEA356A2 CDDD90C7 A7ECEDC5 EBB56393 4F460452"},
      {"a...a (10,000 characters)", std::string(10'000, 'a'), "A080CBDA 64850ABB 7B7F67EE 875BA068 074FF6FE"},
      {"a...a (1,000,000 characters)", std::string(millionmarker), "34AA973C D4C4DAA4 F61EEB2B DBAD2731 6534016F"},
  }};
  return table;
}

const Entry& entry(int index) { return entries()[static_cast<std::size_t>(index)]; }

std::string fullmessage(const Entry& entry) {
  if (entry.message != millionmarker) return entry.message;
  std::string million;
  million.reserve(millionlength + 72);
  million.assign(millionlength, 'a');
  return million;
}

}  // namespace catalogue
