// SPDX-License-Identifier: MIT
// The C interfaces a library's SHA-1 may offer, one row each: the functions by role, how big a
// context is, and small adapters that call each function with its own argument order. The
// options' choices, the order in which a library's interface is found, and the help all come from
// this table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sha1vectors {

enum class Role { oneshot, begin, update, end, endbits, contextsize };
inline constexpr std::size_t roles = 6;

// An interface's functions as a library has them, by role (nullptr: it has none).
using Functions = std::array<void*, roles>;

struct Interface {
  std::string_view name;   // as --abi takes it
  std::string_view title;  // "OpenSSL's interface"
  std::array<std::string_view, roles> symbols;  // by role; empty: the interface has no such role
  // The context's bytes; 0: the contextsize function says.
  std::size_t contextsize;
  // Calls of the library's functions, each in the order of its own arguments.
  void (*oneshot)(const Functions&, const unsigned char* data, std::size_t length, unsigned char* digest);
  void (*begin)(const Functions&, void* context);
  void (*update)(const Functions&, void* context, const unsigned char* data, std::size_t length);
  void (*end)(const Functions&, void* context, unsigned char* digest);
  // The digest after the top bits (1 to 7) of partial; only where the interface has endbits.
  void (*endbits)(const Functions&, void* context, unsigned char partial, unsigned bits, unsigned char* digest);
  std::size_t (*askcontextsize)(const Functions&);

  // The function names by role, renames applied.
  using Names = std::array<std::string, roles>;
  Names names() const;
};

// Every interface, in the order a library's is looked for.
std::span<const Interface> interfaces();
// "sha1abi, openssl or nettle".
std::string interfacechoices();

// Applies renames ("SHA1_Update=my_update,SHA1_Final=my_final", the interface's own names on the
// left) to names; the problem, if one of them is no function of the interface or not NAME=OTHER.
std::optional<std::string> rename(std::string_view renames, const Interface& interface, Interface::Names& names);

}  // namespace sha1vectors
