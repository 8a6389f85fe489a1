// SPDX-License-Identifier: MIT
// A library with no SHA-1 of its own that depends on one that has: looked up through it, the
// dependency's functions are found, and must not pass for its own.
#include <stddef.h>

int SHA1_Init(void* context);

int reexport_uses(void* context) { return SHA1_Init(context); }
