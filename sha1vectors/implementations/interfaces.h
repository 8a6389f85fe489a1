// SPDX-License-Identifier: MIT
// The C interfaces a library's SHA-1 may offer, each written as a short description: the function
// of each role with its arguments in their order, how big a context is, and what a call returns on
// success. The built-in rows are descriptions too, so a user's own description (--interface) is
// checked exactly as a known library is, and the help shows the rows as examples. The options'
// choices, the order in which a library's interface is found, and the help all come from the table.
//
//   context 92                                   bytes of a context (or: context size_function())
//   load gcry_check_version(0)                   once, when the library is loaded
//   setup mbedtls_sha1_init(ctx)                 before each hash's begin
//   begin mbedtls_sha1_starts_ret(ctx) == 0      what follows == or >= is success, as an int
//   update mbedtls_sha1_update_ret(ctx, data, len) == 0
//   end mbedtls_sha1_finish_ret(ctx, digest) == 0
//   free mbedtls_sha1_free(ctx)                  after each hash's end
//   oneshot mbedtls_sha1_ret(data, len, digest) == 0
//   endbits sha1abi_end_bits(ctx, partial, bits, digest)
//
// Arguments: ctx (the context), *ctx (the pointer a call stored in it), data, len, digest, partial
// and bits (a last partial byte and how many of its top bits count), whole numbers, "text", and
// &N (the address of a size holding N). "*ctx = f(...)" stores the pointer f returns in the
// context; "digest = f(...)" takes the 20 bytes at the pointer f returns. A null pointer returned
// there is a failed call. Statements end at ";" or a line's end; "#" begins a comment.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sha1vectors {

enum class Role { oneshot, begin, update, end, endbits, contextsize, load, setup, free };
inline constexpr std::size_t roles = 9;

// An interface's functions as a library has them, by role (nullptr: it has none).
using Functions = std::array<void*, roles>;

// The most arguments a call is given (all that x86-64 passes in registers).
inline constexpr std::size_t mostarguments = 6;

struct Argument {
  enum class Kind { context, handle, data, length, digest, partial, bits, number, text, cell };
  Kind kind = Kind::number;
  std::uint64_t number = 0;  // a number's value (a negative one as the machine holds it), a cell's
  std::string text;
};

// One role's call: its function, its arguments, what its result is.
struct Call {
  enum class Result { plain, handle, digest };  // "*ctx = f()", "digest = f()"
  enum class Test { none, equals, atleast };
  std::string function;
  std::vector<Argument> arguments;
  Result result = Result::plain;
  Test test = Test::none;
  std::int64_t success = 0;
  // Why a call that returned returned failed: "kcapi_md_init() returned -97 (success: >= 0)".
  std::string refused(std::int64_t returned) const;
};

struct Description {
  std::array<std::optional<Call>, roles> calls;  // by role
  std::size_t contextsize = 0;                   // 0: the contextsize call says
  const std::optional<Call>& call(Role role) const { return calls[static_cast<std::size_t>(role)]; }

  // The function names by role (empty: no call).
  using Names = std::array<std::string, roles>;
  Names names() const;
  // Applies renames ("SHA1_Update=my_update,SHA1_Final=my_final", the description's own names on
  // the left); the problem, if one of them is no function of it (of title) or not NAME=OTHER.
  std::optional<std::string> rename(std::string_view renames, std::string_view title);
};

// Reads a description; the problem, naming the statement, when it is none.
std::optional<std::string> describe(std::string_view text, Description& description);

struct Interface {
  std::string_view name;         // as --abi takes it
  std::string_view title;        // "OpenSSL's interface"
  std::string_view description;  // as describe() reads it
  Description described() const;
};

// The title of an interface given with --interface, as messages name it.
inline constexpr std::string_view describedtitle = "the interface described";

// Every interface, in the order a library's is looked for.
std::span<const Interface> interfaces();
// "sha1abi, openssl or nettle".
std::string interfacechoices();

}  // namespace sha1vectors
