/* SPDX-License-Identifier: MIT
 * A right SHA-1 behind sha1abi.h, the interface sha1vectors installs, with the bit-oriented ending:
 * the one the bit-oriented vector sets are checked through. */
#define FAULT 0
#include "faultysha1.c"

#include "sha1vectors/sha1abi.h"

size_t sha1abi_context_size(void) { return sizeof(context); }
void sha1abi_begin(void* c) { SHA1_Init(c); }
void sha1abi_update(void* c, const unsigned char* data, size_t length) { SHA1_Update(c, data, length); }
void sha1abi_end(void* c, unsigned char digest[20]) { SHA1_Final(digest, c); }
void sha1abi_oneshot(const unsigned char* data, size_t length, unsigned char digest[20]) { SHA1(data, length, digest); }

void sha1abi_end_bits(void* state, unsigned char partial, unsigned bits, unsigned char digest[20]) {
  context* c = state;
  /* The partial byte's top bits, then the padding's 1 bit right after them. */
  const uint64_t count = ((uint64_t)c->high << 32 | c->low) + bits;
  c->buffer[c->used++] = (unsigned char)((partial & (0xFF00 >> bits)) | (0x80 >> bits));
  if (c->used > 56) {
    memset(c->buffer + c->used, 0, 64 - c->used);
    block(c->h, c->buffer);
    c->used = 0;
  }
  memset(c->buffer + c->used, 0, 64 - c->used);
  for (int i = 0; i < 8; ++i) c->buffer[63 - i] = (unsigned char)(count >> (8 * i));
  block(c->h, c->buffer);
  for (int i = 0; i < 20; ++i) digest[i] = (unsigned char)(c->h[i / 4] >> (24 - 8 * (i % 4)));
}
