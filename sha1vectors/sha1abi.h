/* SPDX-License-Identifier: MIT
 * sha1abi.h: the interface sha1vectors --library checks when a library exports it. Write these
 * functions over your SHA-1, build it as a shared library, and run
 *     sha1vectors --library ./libmysha1.so
 * to check it against every vector set, in many splits of every message, in a worker process of its
 * own (a crash fails one vector, not the run).
 *
 * Required:
 *   sha1abi_context_size  the bytes a context takes; the checker gives each context exactly this
 *                         many (suitably aligned) and watches the bytes around them
 *   sha1abi_begin         starts a hash in context
 *   sha1abi_update        adds length bytes (length may be 0, data then may be NULL)
 *   sha1abi_end           writes the 20-byte digest, H0 first and each word big-endian
 * Optional:
 *   sha1abi_oneshot       the digest of data in one call
 *   sha1abi_end_bits      as sha1abi_end, after appending the top bits (1 to 7) of partial, most
 *                         significant first: bit-oriented vectors are checked only when it exists */
#ifndef SHA1VECTORS_SHA1ABI_H
#define SHA1VECTORS_SHA1ABI_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

size_t sha1abi_context_size(void);
void sha1abi_begin(void* context);
void sha1abi_update(void* context, const unsigned char* data, size_t length);
void sha1abi_end(void* context, unsigned char digest[20]);

void sha1abi_oneshot(const unsigned char* data, size_t length, unsigned char digest[20]);
void sha1abi_end_bits(void* context, unsigned char partial, unsigned bits, unsigned char digest[20]);

#ifdef __cplusplus
}
#endif

#endif
