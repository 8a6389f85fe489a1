// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/interfaces.h"

#include <openssl/sha.h>
#include <nettle/sha1.h>

#include <algorithm>

namespace sha1vectors {
namespace {

using Byte = unsigned char;

template <class F>
F* as(const Functions& f, Role role) {
  return reinterpret_cast<F*>(f[static_cast<std::size_t>(role)]);
}

std::string quoted(std::string_view text) { return std::string(1, '"').append(text).append(1, '"'); }

// Rows in the order they are looked for: ours first, as a library may export it beside another.
const Interface table[] = {
    {"sha1abi", "sha1abi.h's interface",
     {"sha1abi_oneshot", "sha1abi_begin", "sha1abi_update", "sha1abi_end", "sha1abi_end_bits", "sha1abi_context_size"},
     0,
     [](const Functions& f, const Byte* data, std::size_t length, Byte* digest) { as<void(const Byte*, std::size_t, Byte*)>(f, Role::oneshot)(data, length, digest); },
     [](const Functions& f, void* context) { as<void(void*)>(f, Role::begin)(context); },
     [](const Functions& f, void* context, const Byte* data, std::size_t length) { as<void(void*, const Byte*, std::size_t)>(f, Role::update)(context, data, length); },
     [](const Functions& f, void* context, Byte* digest) { as<void(void*, Byte*)>(f, Role::end)(context, digest); },
     [](const Functions& f, void* context, Byte partial, unsigned bits, Byte* digest) {
       as<void(void*, Byte, unsigned, Byte*)>(f, Role::endbits)(context, partial, bits, digest);
     },
     [](const Functions& f) { return as<std::size_t()>(f, Role::contextsize)(); }},
    {"openssl", "OpenSSL's interface",
     {"SHA1", "SHA1_Init", "SHA1_Update", "SHA1_Final", "", ""},
     sizeof(SHA_CTX),
     [](const Functions& f, const Byte* data, std::size_t length, Byte* digest) { as<Byte*(const Byte*, std::size_t, Byte*)>(f, Role::oneshot)(data, length, digest); },
     [](const Functions& f, void* context) { as<int(void*)>(f, Role::begin)(context); },
     [](const Functions& f, void* context, const Byte* data, std::size_t length) { as<int(void*, const void*, std::size_t)>(f, Role::update)(context, data, length); },
     [](const Functions& f, void* context, Byte* digest) { as<int(Byte*, void*)>(f, Role::end)(digest, context); },
     nullptr, nullptr},
    {"nettle", "Nettle's interface",
     {"", "nettle_sha1_init", "nettle_sha1_update", "nettle_sha1_digest", "", ""},
     sizeof(struct sha1_ctx),
     nullptr,
     [](const Functions& f, void* context) { as<void(void*)>(f, Role::begin)(context); },
     [](const Functions& f, void* context, const Byte* data, std::size_t length) { as<void(void*, std::size_t, const Byte*)>(f, Role::update)(context, length, data); },
     [](const Functions& f, void* context, Byte* digest) { as<void(void*, std::size_t, Byte*)>(f, Role::end)(context, 20, digest); },
     nullptr, nullptr},
};

}  // namespace

Interface::Names Interface::names() const {
  Names given;
  std::copy(symbols.begin(), symbols.end(), given.begin());
  return given;
}

std::span<const Interface> interfaces() { return table; }

std::string interfacechoices() {
  std::string text;
  for (std::size_t i = 0; i < std::size(table); ++i) {
    if (i > 0) text += i + 1 == std::size(table) ? " or " : ", ";
    text += table[i].name;
  }
  return text;
}

std::optional<std::string> rename(std::string_view renames, const Interface& interface, Interface::Names& names) {
  while (!renames.empty()) {
    const std::string_view pair = renames.substr(0, renames.find(','));
    renames.remove_prefix(std::min(renames.size(), pair.size() + 1));
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == pair.size()) return quoted(pair) + " is not NAME=OTHER";
    const auto role = std::find(interface.symbols.begin(), interface.symbols.end(), pair.substr(0, equals));
    if (role == interface.symbols.end()) {
      return quoted(pair.substr(0, equals)) + " is no function of " + std::string(interface.title);
    }
    names[static_cast<std::size_t>(role - interface.symbols.begin())] = std::string(pair.substr(equals + 1));
  }
  return std::nullopt;
}

}  // namespace sha1vectors
