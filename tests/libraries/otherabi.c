/* SPDX-License-Identifier: MIT
 * A right SHA-1 behind an interface no table row has, which a description must name: the context
 * first everywhere, 0 returned for success, a context of 100 bytes that other_init must have marked
 * before other_start, and updates of at most 4096 bytes (a longer one is refused with -1, as
 * libraries with a fixed buffer do). */
#define FAULT 0
#include "faultysha1.c"

static const char mark[4] = "SHA";

void other_init(void* c) { memcpy((char*)c + sizeof(context), mark, sizeof mark); }
int other_start(void* c) { return memcmp((char*)c + sizeof(context), mark, sizeof mark) != 0 ? -1 : SHA1_Init(c) == 1 ? 0 : -1; }
int other_add(void* c, const unsigned char* data, size_t length) { return length > 4096 ? -1 : SHA1_Update(c, data, length) == 1 ? 0 : -1; }
int other_result(void* c, unsigned char digest[20]) { return SHA1_Final(digest, c) == 1 ? 0 : -1; }
