/* SPDX-License-Identifier: MIT
 * A SHA-1 as a learner might write it, with one classic slip: the message schedule is missing its
 * rotation by one bit, which makes it SHA-0. The README's worked example finds the slip with
 * sha1vectors. Build: cc -O2 -o mysha1 examples/mysha1.c
 * Usage: mysha1 < FILE          prints the digest of standard input, as sha1sum does
 *        mysha1 --trace < FILE  prints "t a b c d e" after every round instead */
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

static uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

static void block(uint32_t h[5], const unsigned char* p, int trace) {
  static const uint32_t k[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};
  uint32_t w[80], a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int t = 0; t < 16; ++t) w[t] = (uint32_t)p[4 * t] << 24 | (uint32_t)p[4 * t + 1] << 16 | (uint32_t)p[4 * t + 2] << 8 | p[4 * t + 3];
  for (int t = 16; t < 80; ++t) w[t] = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16]; /* the slip: no rotl(..., 1) */
  for (int t = 0; t < 80; ++t) {
    uint32_t f = t < 20 ? (b & c) | (~b & d) : (t >= 40 && t < 60) ? (b & c) | (b & d) | (c & d) : b ^ c ^ d;
    uint32_t next = rotl(a, 5) + f + e + k[t / 20] + w[t];
    e = d, d = c, c = rotl(b, 30), b = a, a = next;
    if (trace) printf("%2d: %08X %08X %08X %08X %08X\n", t, a, b, c, d, e);
  }
  h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}

int main(int argc, char** argv) {
  const int trace = argc > 1 && strcmp(argv[1], "--trace") == 0;
  uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  unsigned char buffer[128];
  uint64_t length = 0;
  size_t held = 0, got;
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY); /* text mode would turn CR LF into LF and stop at 0x1A */
#endif
  while ((got = fread(buffer + held, 1, 64 - held, stdin)) > 0) {
    held += got;
    length += got;
    if (held == 64) block(h, buffer, trace), held = 0;
  }
  buffer[held++] = 0x80;
  size_t end = held <= 56 ? 64 : 128;
  memset(buffer + held, 0, end - held);
  for (int i = 0; i < 8; ++i) buffer[end - 1 - i] = (unsigned char)((length * 8) >> (8 * i));
  for (size_t at = 0; at < end; at += 64) block(h, buffer + at, trace);
  if (!trace) printf("%08x%08x%08x%08x%08x  -\n", h[0], h[1], h[2], h[3], h[4]);
  return 0;
}
