/* SPDX-License-Identifier: MIT
 * A SHA-1 library with OpenSSL's interface and, as FAULT says, one of the faults real ones have
 * shipped; the tests check that sha1vectors --library catches and names each. */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
/* A crash is an exception here: raise() would only end the process with status 3. */
#define CRASH() RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, NULL)
#define PAUSE_MS(ms) Sleep(ms)
#define write _write
#else
#include <unistd.h>
#define CRASH() raise(SIGSEGV)
#define PAUSE_MS(ms) usleep((ms) * 1000)
#endif

#define CORRECT 0
#define COUNTER32 1 /* the bit count kept in 32 bits: wraps at 512 MiB */
#define LOSTDATA 2  /* an update that completes a half-full buffer drops the rest of its bytes */
#define BADPAD 3    /* with 56 to 63 bytes left, the length goes over the block's end, no block is added */
#define BIGDIGEST 4 /* the final writes 32 bytes of digest */
#define ZEROCRASH 5 /* a zero-length update crashes */
#define HANG 6      /* a message of 63 bytes never finishes */
#define ONESHOT 7   /* the one-shot call, a path of its own, drops the last byte of 64 and more */
#define FORKS 8     /* the final of "abc" leaves two processes behind, one in a session of its own */
#define PIPEWRITE 9 /* the final of a 3-byte message writes into the caller's descriptor 4 */
#define SLOWEND 10  /* right, but each final takes a fifth of a second */
#define EXITS 11    /* an update of 99 bytes ends the process */
#define BYTEAB 12   /* a message holding the byte 0xAB anywhere comes out wrong */
#define PAST512K 13 /* a message longer than 512 KiB comes out wrong */
#define LONGAB 14   /* a message of 65 bytes or more holding the byte 0xAB comes out wrong */
#define ORDIGEST 15  /* the digest is ORed into the caller's buffer: right only where it was zero */
#define SMALLSPLIT 16 /* an update that does not fill a half-full buffer is lost */
#define CHAINCRASH 17 /* the fifth final of a 20-byte message crashes (a chain's fifth hash or so) */
#define EMPTYLAST 18  /* an empty update on a half-full buffer crashes */
#define NEEDSUPDATE 19 /* right, but only when update was called at least once */
#define CHANGESINPUT 20 /* an update of 64 bytes or more rotates the caller's bytes in place after hashing them */
#define LOWBYTE 21    /* only the low byte of the length is written: wrong from 32 bytes */
#define LENGTH32 24   /* an update's bit count made in 32 bits (len << 3): wrong for one update of 2^29 bytes or more */
#define NARROW 25     /* the length parameter is 32 bits wide: wrong for one update of 2^32 bytes or more */
#define HIGHLOST 26   /* an update's length counted without its top 32 bits (as mbed TLS 2.28 does) */
#define BLOCKAT55 22  /* with 55 bytes in the last block (the 0x80 byte then ends at 56) a block is added */
#define CSTRING 23    /* the message is taken as a C string: the bytes from its first NUL are not hashed */

/* The size of OpenSSL's SHA_CTX, which callers allocate. */
typedef struct {
  uint32_t h[5];
  uint32_t low, high; /* the bit count */
  unsigned char buffer[64];
  uint32_t used;
} context;

#ifdef SHA1TESTER_HAVE_OPENSSL
/* The block function is OpenSSL's, which reads and writes only the five chaining values at the
 * start of its context, as ours has them: the faults here are all in what is around it, and the
 * long messages go at OpenSSL's speed. (Declared here: OpenSSL's header would clash with the
 * functions this file defines under OpenSSL's names.) */
void SHA1_Transform(void* c, const unsigned char* data);

static void block(uint32_t h[5], const unsigned char* p) { SHA1_Transform(h, p); }
#else
/* Where there is no OpenSSL (Windows), a plain one: none of the faults is in it. */
static uint32_t rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
static void block(uint32_t h[5], const unsigned char* p) {
  uint32_t w[80], a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int t = 0; t < 16; ++t) w[t] = (uint32_t)p[4 * t] << 24 | (uint32_t)p[4 * t + 1] << 16 | (uint32_t)p[4 * t + 2] << 8 | p[4 * t + 3];
  for (int t = 16; t < 80; ++t) w[t] = rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
  for (int t = 0; t < 80; ++t) {
    const uint32_t f = t < 20 ? (b & c) | (~b & d) : t < 40 || t >= 60 ? b ^ c ^ d : (b & c) | (b & d) | (c & d);
    const uint32_t k = t < 20 ? 0x5A827999 : t < 40 ? 0x6ED9EBA1 : t < 60 ? 0x8F1BBCDC : 0xCA62C1D6;
    const uint32_t next = rotl(a, 5) + f + e + k + w[t];
    e = d, d = c, c = rotl(b, 30), b = a, a = next;
  }
  h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}
#endif

int SHA1_Init(context* c) {
  static const uint32_t start[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  memcpy(c->h, start, sizeof start);
  c->low = c->high = c->used = 0;
  return 1;
}

static int update(context* c, const void* data, size_t length) {
  if (FAULT == EXITS && length == 99) _exit(0);
  /* Marked in the count's top bit, which no message here reaches, for the final. */
  if ((FAULT == BYTEAB || FAULT == LONGAB) && length > 0 && memchr(data, 0xAB, length) != NULL) c->high |= 0x80000000u;
  const unsigned char* p = data;
  if (FAULT == ZEROCRASH && length == 0) CRASH();
  if (FAULT == EMPTYLAST && length == 0 && c->used > 0) CRASH();
  if (FAULT == NEEDSUPDATE) c->high |= 0x80000000u;
  if (FAULT == SMALLSPLIT && c->used > 0 && c->used + length < 64) length = 0;
  if (FAULT == NARROW) length = (uint32_t)length;
  const uint64_t counted = FAULT == LENGTH32 ? (uint32_t)(length << 3) : FAULT == HIGHLOST ? (uint64_t)(uint32_t)length * 8 : (uint64_t)length * 8;
  uint64_t bits = ((uint64_t)c->high << 32 | c->low) + counted;
  c->low = (uint32_t)bits;
  c->high = FAULT == COUNTER32 ? 0 : (uint32_t)(bits >> 32);
  if (c->used > 0) {
    size_t take = 64 - c->used < length ? 64 - c->used : length;
    memcpy(c->buffer + c->used, p, take);
    c->used += (uint32_t)take;
    p += take;
    length -= take;
    if (c->used < 64) return 1;
    block(c->h, c->buffer);
    c->used = 0;
    if (FAULT == LOSTDATA) return 1;
  }
  for (; length >= 64; p += 64, length -= 64) block(c->h, p);
  memcpy(c->buffer, p, length);
  c->used = (uint32_t)length;
  return 1;
}

int SHA1_Update(context* c, const void* data, size_t length) {
  if (FAULT == CSTRING) length = strnlen(data, length);  /* cut within each update; one call cuts the message */
  const int done = update(c, data, length);
  if (FAULT == CHANGESINPUT && length >= 64) {
    unsigned char* bytes = (unsigned char*)(uintptr_t)data;
    const unsigned char first = bytes[0];
    memmove(bytes, bytes + 1, length - 1);
    bytes[length - 1] = first;
  }
  return done;
}

/* Pads after the top bits (0 to 7) of partial, and writes the digest. */
static void finish(context* c, unsigned char* digest, unsigned char partial, unsigned bits) {
  const uint64_t count = ((uint64_t)c->high << 32 | c->low) + bits;
  c->buffer[c->used++] = (unsigned char)((partial & (0xFF00 >> bits)) | (0x80 >> bits));
  if ((c->used > 56 || (FAULT == BLOCKAT55 && c->used == 56)) && FAULT != BADPAD) {
    memset(c->buffer + c->used, 0, 64 - c->used);
    block(c->h, c->buffer);
    c->used = 0;
  }
  memset(c->buffer + c->used, 0, 64 - c->used);
  for (int i = 0; i < (FAULT == LOWBYTE ? 1 : 8); ++i) c->buffer[63 - i] = (unsigned char)(count >> (8 * i));
  block(c->h, c->buffer);
  for (int i = 0; i < 20; ++i) digest[i] = (unsigned char)(c->h[i / 4] >> (24 - 8 * (i % 4)));
}

/* A process that outlives the call, its number written to the file $FAULTY_PIDS names. */
#ifdef _WIN32
/* This program again, suspended, so that it stays until something ends it; the second tries to
 * leave the job it was started in. */
static void leavebehind(int ownsession) {
  wchar_t self[MAX_PATH];
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION started;
  if (GetModuleFileNameW(NULL, self, MAX_PATH) == 0) return;
  const DWORD flags = CREATE_SUSPENDED | (ownsession ? CREATE_BREAKAWAY_FROM_JOB | CREATE_NEW_PROCESS_GROUP : 0);
  if (!CreateProcessW(self, NULL, NULL, NULL, FALSE, flags, NULL, NULL, &startup, &started) &&
      !CreateProcessW(self, NULL, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup, &started)) {
    return;
  }
  const char* record = getenv("FAULTY_PIDS");
  FILE* out = record != NULL ? fopen(record, "a") : NULL;
  if (out != NULL) fprintf(out, "%lu\n", (unsigned long)started.dwProcessId), fclose(out);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
}
#else
static void leavebehind(int ownsession) {
  if (fork() != 0) return;
  if (ownsession) setsid();
  const char* record = getenv("FAULTY_PIDS");
  FILE* out = record != NULL ? fopen(record, "a") : NULL;
  if (out != NULL) fprintf(out, "%d\n", (int)getpid()), fclose(out);
  sleep(30);
  _exit(0);
}
#endif

int SHA1_Final(unsigned char* digest, context* c) {
  if (FAULT == BYTEAB || FAULT == LONGAB) {
    const int marked = (int)(c->high >> 31);
    c->high &= 0x7FFFFFFFu;
    if (marked && (FAULT == BYTEAB || c->low >= 65 * 8)) c->h[4] ^= 1;
  }
  if (FAULT == NEEDSUPDATE) {
    if (!(c->high >> 31)) c->h[4] ^= 1;
    c->high &= 0x7FFFFFFFu;
  }
  static int twenties = 0;
  if (FAULT == CHAINCRASH && c->low == 160 && c->high == 0 && ++twenties == 5) CRASH();
  if (FAULT == SLOWEND) PAUSE_MS(200);
  if (FAULT == PAST512K && c->low > 512 * 1024 * 8) c->h[4] ^= 1;
  if (FAULT == PIPEWRITE && c->low == 24 && c->high == 0 && write(4, "sixteen bytes!!!", 16) != 16) return 0;
  if (FAULT == FORKS && c->low == 24 && c->high == 0) {
    leavebehind(0);
    leavebehind(1);
  }
  if (FAULT == HANG && c->low == 63 * 8 && c->high == 0) {
    for (volatile int forever = 1; forever;) {
    }
  }
  unsigned char made[20];
  finish(c, made, 0, 0);
  for (int i = 0; i < 20; ++i) digest[i] = FAULT == ORDIGEST ? (unsigned char)(digest[i] | made[i]) : made[i];
  if (FAULT == BIGDIGEST) memset(digest + 20, 0, 12);
  return 1;
}

unsigned char* SHA1(const unsigned char* data, size_t length, unsigned char* digest) {
  context c;
  SHA1_Init(&c);
  SHA1_Update(&c, data, FAULT == ONESHOT && length >= 64 ? length - 1 : length);
  SHA1_Final(digest, &c);
  return digest;
}
