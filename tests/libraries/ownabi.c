/* SPDX-License-Identifier: MIT
 * A right SHA-1 behind sha1abi.h, the interface sha1vectors installs, with the bit-oriented ending:
 * the one the bit-oriented vector sets are checked through. */
#define FAULT 0
#include "faultysha1.c"

#include "sha1vectors/sha1abi.h"

/* HUGECONTEXT claims a wrong size: 2^40 bytes (2^31 where size_t has 32 bits). */
#if defined(HUGECONTEXT) && SIZE_MAX > 0xFFFFFFFFu
#define CONTEXTSIZE ((size_t)1 << 40)
#elif defined(HUGECONTEXT)
#define CONTEXTSIZE ((size_t)1 << 31)
#else
#define CONTEXTSIZE sizeof(context)
#endif
size_t sha1abi_context_size(void) { return CONTEXTSIZE; }
void sha1abi_begin(void* c) { SHA1_Init(c); }
void sha1abi_update(void* c, const unsigned char* data, size_t length) { SHA1_Update(c, data, length); }
void sha1abi_end(void* c, unsigned char digest[20]) { SHA1_Final(digest, c); }
void sha1abi_oneshot(const unsigned char* data, size_t length, unsigned char digest[20]) { SHA1(data, length, digest); }

void sha1abi_end_bits(void* c, unsigned char partial, unsigned bits, unsigned char digest[20]) { finish(c, digest, partial, bits); }
