/* SPDX-License-Identifier: MIT
 * A right SHA-1 behind an interface of its own, with nothing else exported, for --probe to find:
 * as libmd's copies of the public sha1.c have it (STYLE 0: the digest first in the final, a 32-bit
 * length) or as mbed TLS has it (STYLE 1: the context first everywhere, an init and a free around,
 * 0 returned for success). */
#define FAULT 0
#include "faultysha1.c"

#ifdef _WIN32
#define EXPORT __declspec(dllexport) /* then only these are exported */
#else
#define EXPORT __attribute__((visibility("default")))
#endif

#if STYLE == 0
EXPORT void MySHA1Init(void* c) { SHA1_Init(c); }
EXPORT void MySHA1Update(void* c, const unsigned char* data, unsigned length) { SHA1_Update(c, data, length); }
EXPORT void MySHA1Final(unsigned char digest[20], void* c) { SHA1_Final(digest, c); }
#else
EXPORT void my_sha1_init(void* c) { memset(c, 0, sizeof(context)); }
EXPORT int my_sha1_starts(void* c) { return SHA1_Init(c) == 1 ? 0 : 1; }
EXPORT int my_sha1_update(void* c, const unsigned char* data, size_t length) { return SHA1_Update(c, data, length) == 1 ? 0 : 1; }
EXPORT int my_sha1_finish(void* c, unsigned char digest[20]) { return SHA1_Final(digest, c) == 1 ? 0 : 1; }
EXPORT void my_sha1_free(void* c) { memset(c, 0, sizeof(context)); }
#endif
