// SPDX-License-Identifier: MIT
// Finds how to call an unknown library's SHA-1: the exported functions whose names look like it,
// and the likely ways of calling them, each tried in a worker on known messages (a wrong guess may
// crash: the worker is there for that). The first way that gives SHA-1's digest of every message,
// given every way, is kept, with the context's size measured by the guard bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sha1vectors/implementations/library.h"

namespace sha1vectors {

// The names of the functions the shared object in file (ELF, or a Windows DLL) defines and exports;
// none when it is neither or exports nothing.
std::vector<std::string> exportedfunctions(std::string_view file);

// Of names, those that look like SHA-1's (sha1 or a word sha, and no HMAC, test or other use of
// it), sorted.
std::vector<std::string> sha1names(const std::vector<std::string>& names);

struct ProbeResult {
  std::vector<std::string> functions;  // the library's SHA-1-looking functions
  std::string builtin;                 // a built-in interface that works ("OpenSSL's interface")
  std::string description;             // else the description that works; both empty: none does
  std::size_t tried = 0;               // ways tried
};

// Probes the library of settings (path, timeout, worker, stop); the problem when it cannot even
// be loaded.
ProbeResult probe(const LibrarySettings& settings, std::string& problem);

}  // namespace sha1vectors
