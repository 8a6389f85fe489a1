// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/interfaces.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace sha1vectors {
namespace {

// Rows in the order they are looked for: ours first, as a library may export it beside another;
// a row whose names another library also has after one whose names are its own. Context sizes are
// those of the libraries' own headers (Debian 12); a handle takes the place of a context where
// the library keeps the state itself.
const Interface table[] = {
    {"sha1abi", "sha1abi.h's interface",
     "oneshot sha1abi_oneshot(data, len, digest); begin sha1abi_begin(ctx); update sha1abi_update(ctx, data, len); "
     "end sha1abi_end(ctx, digest); endbits sha1abi_end_bits(ctx, partial, bits, digest); context sha1abi_context_size()"},
    {"openssl", "OpenSSL's interface",
     "oneshot SHA1(data, len, digest); begin SHA1_Init(ctx); update SHA1_Update(ctx, data, len); end SHA1_Final(digest, ctx); context 96"},
    {"nettle", "Nettle's interface",
     "begin nettle_sha1_init(ctx); update nettle_sha1_update(ctx, len, data); end nettle_sha1_digest(ctx, 20, digest); context 104"},
    {"libmd", "libmd's (BSD) interface",
     "begin SHA1Init(ctx); update SHA1Update(ctx, data, len); end SHA1Final(digest, ctx); context 96"},
    {"mbedtls2", "mbed TLS 2's interface",
     "setup mbedtls_sha1_init(ctx); begin mbedtls_sha1_starts_ret(ctx) == 0; update mbedtls_sha1_update_ret(ctx, data, len) == 0; "
     "end mbedtls_sha1_finish_ret(ctx, digest) == 0; free mbedtls_sha1_free(ctx); oneshot mbedtls_sha1_ret(data, len, digest) == 0; context 92"},
    {"mbedtls", "mbed TLS 3's interface",
     "setup mbedtls_sha1_init(ctx); begin mbedtls_sha1_starts(ctx) == 0; update mbedtls_sha1_update(ctx, data, len) == 0; "
     "end mbedtls_sha1_finish(ctx, digest) == 0; free mbedtls_sha1_free(ctx); oneshot mbedtls_sha1(data, len, digest) == 0; context 92"},
    {"wolfssl", "wolfSSL's interface",
     "begin wc_InitSha(ctx) == 0; update wc_ShaUpdate(ctx, data, len) == 0; end wc_ShaFinal(ctx, digest) == 0; free wc_ShaFree(ctx); context 128"},
    {"libgcrypt", "libgcrypt's interface",
     "load gcry_check_version(0); begin gcry_md_open(ctx, 2, 0) == 0; update gcry_md_write(*ctx, data, len); "
     "end digest = gcry_md_read(*ctx, 2); free gcry_md_close(*ctx); oneshot gcry_md_hash_buffer(2, digest, data, len); context 8"},
    {"libtomcrypt", "LibTomCrypt's interface",
     "begin sha1_init(ctx) == 0; update sha1_process(ctx, data, len) == 0; end sha1_done(ctx, digest) == 0; context 96"},
    {"rhash", "RHash's interface",
     "load rhash_library_init(); begin *ctx = rhash_init(8); update rhash_update(*ctx, data, len) == 0; end rhash_final(*ctx, digest) == 0; "
     "free rhash_free(*ctx); oneshot rhash_msg(8, data, len, digest) == 0; context 8"},
    {"glib", "GLib's GChecksum",
     "begin *ctx = g_checksum_new(1); update g_checksum_update(*ctx, data, len); end g_checksum_get_digest(*ctx, digest, &20); "
     "free g_checksum_free(*ctx); context 8"},
    {"gnutls", "GnuTLS's interface",
     "begin gnutls_hash_init(ctx, 3) == 0; update gnutls_hash(*ctx, data, len) == 0; end gnutls_hash_output(*ctx, digest); "
     "free gnutls_hash_deinit(*ctx, 0); oneshot gnutls_hash_fast(3, data, len, digest) == 0; context 8"},
    {"botan", "Botan's C interface",
     "begin botan_hash_init(ctx, \"SHA-1\", 0) == 0; update botan_hash_update(*ctx, data, len) == 0; end botan_hash_final(*ctx, digest) == 0; "
     "free botan_hash_destroy(*ctx); context 8"},
    {"libkcapi", "libkcapi's interface (the kernel's)",
     "begin kcapi_md_init(ctx, \"sha1\", 0) == 0; update kcapi_md_update(*ctx, data, len) >= 0; end kcapi_md_final(*ctx, digest, 20) >= 0; "
     "free kcapi_md_destroy(*ctx); oneshot kcapi_md_sha1(data, len, digest, 20) >= 0; context 8"},
};

constexpr std::string_view rolewords[roles] = {"oneshot", "begin", "update", "end", "endbits", "context", "load", "setup", "free"};

std::string quoted(std::string_view text) { return std::string(1, '"').append(text).append(1, '"'); }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// A description's statements, comments left out.
std::vector<std::string_view> statements(std::string_view text) {
  std::vector<std::string_view> found;
  std::size_t start = 0, cut = std::string_view::npos;  // cut: where a comment began
  bool intext = false;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\n';
    if (cut != std::string_view::npos && c != '\n') continue;
    if (c == '"') intext = !intext;
    if (c == '#' && !intext) cut = i;
    if (c != '\n' && (c != ';' || intext)) continue;
    if (auto statement = trimmed(text.substr(start, std::min(cut, i) - start)); !statement.empty()) found.push_back(statement);
    start = i + 1;
    cut = std::string_view::npos;
    intext = false;
  }
  return found;
}

// Reads one statement's words, numbers, texts and marks from the left.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool done() {
    skip();
    return text_.empty();
  }
  bool take(std::string_view mark) {
    skip();
    if (text_.substr(0, mark.size()) != mark) return false;
    text_.remove_prefix(mark.size());
    return true;
  }
  std::optional<std::string> word() {
    skip();
    std::size_t n = 0;
    while (n < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[n])) != 0 || text_[n] == '_')) ++n;
    if (n == 0 || std::isdigit(static_cast<unsigned char>(text_[0])) != 0) return std::nullopt;
    std::string found(text_.substr(0, n));
    text_.remove_prefix(n);
    return found;
  }
  std::optional<std::uint64_t> number() {
    skip();
    const bool negative = !text_.empty() && text_[0] == '-';
    const std::string digits(text_.substr(negative ? 1 : 0, text_.find_first_of(" \t,;()", 1) - (negative ? 1 : 0)));
    if (digits.empty() || std::isdigit(static_cast<unsigned char>(digits[0])) == 0) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const std::uint64_t value = std::strtoull(digits.c_str(), &end, 0);
    if (*end != '\0' || errno == ERANGE) return std::nullopt;
    text_.remove_prefix(digits.size() + (negative ? 1 : 0));
    return negative ? 0 - value : value;
  }
  std::optional<std::string> text() {
    skip();
    if (text_.empty() || text_[0] != '"') return std::nullopt;
    const std::size_t close = text_.find('"', 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string found(text_.substr(1, close - 1));
    text_.remove_prefix(close + 1);
    return found;
  }
  std::string_view rest() {
    skip();
    return text_;
  }

 private:
  void skip() {
    while (!text_.empty() && std::isspace(static_cast<unsigned char>(text_[0]))) text_.remove_prefix(1);
  }
  std::string_view text_;
};

std::optional<Argument> argument(Reader& in) {
  using Kind = Argument::Kind;
  if (in.take("*")) return in.take("ctx") ? std::optional(Argument{Kind::handle, 0, {}}) : std::nullopt;
  if (in.take("&")) {
    const auto size = in.number();
    return size ? std::optional(Argument{Kind::cell, *size, {}}) : std::nullopt;
  }
  if (auto text = in.text()) return Argument{Kind::text, 0, *text};
  if (auto number = in.number()) return Argument{Kind::number, *number, {}};
  const auto word = in.word();
  static constexpr std::pair<std::string_view, Kind> words[] = {{"ctx", Kind::context}, {"data", Kind::data},     {"len", Kind::length},
                                                                {"digest", Kind::digest}, {"partial", Kind::partial}, {"bits", Kind::bits}};
  for (const auto& [name, kind] : words) {
    if (word == name) return Argument{kind, 0, {}};
  }
  return std::nullopt;
}

// "f(args) == 0" after the role word and any result.
std::optional<std::string> readcall(Reader& in, Call& call) {
  const auto function = in.word();
  if (!function || !in.take("(")) return "expected a function and its arguments in brackets";
  call.function = *function;
  while (!in.take(")")) {
    if (!call.arguments.empty() && !in.take(",")) return "expected \",\" or \")\" at " + quoted(in.rest());
    const std::string_view at = in.rest();
    auto given = argument(in);
    if (!given) return quoted(trimmed(at.substr(0, at.find_first_of(",)")))) + " is no argument: ctx, *ctx, data, len, digest, partial, bits, a number, \"text\" or &N";
    call.arguments.push_back(std::move(*given));
    if (call.arguments.size() > mostarguments) {
      std::string toomany = "more than ";  // appended, not added: -Wrestrict
      return toomany.append(std::to_string(mostarguments)).append(" arguments");
    }
  }
  if (in.take("==")) call.test = Call::Test::equals;
  if (call.test == Call::Test::none && in.take(">=")) call.test = Call::Test::atleast;
  if (call.test != Call::Test::none) {
    const auto success = in.number();
    if (!success) return "expected the number a successful call returns after == or >=";
    call.success = static_cast<std::int64_t>(*success);
  }
  if (!in.done()) return "unexpected " + quoted(in.rest());
  return std::nullopt;
}

bool passes(const Call& call, Argument::Kind kind) {
  return std::any_of(call.arguments.begin(), call.arguments.end(), [&](const Argument& given) { return given.kind == kind; });
}

// Whether a role's call can be given an argument of kind.
bool givable(Role role, Argument::Kind kind) {
  using Kind = Argument::Kind;
  switch (kind) {
    case Kind::data:
    case Kind::length: return role == Role::oneshot || role == Role::update;
    case Kind::digest: return role == Role::oneshot || role == Role::end || role == Role::endbits;
    case Kind::partial:
    case Kind::bits: return role == Role::endbits;
    case Kind::context:
    case Kind::handle: return role != Role::oneshot && role != Role::load && role != Role::contextsize;
    case Kind::number:
    case Kind::text:
    case Kind::cell: return true;
  }
  return false;
}

// What each role's call must be given, and may not be.
std::optional<std::string> fits(Role role, const Call& call) {
  using Kind = Argument::Kind;
  const bool ends = givable(role, Kind::digest);
  for (const Argument& given : call.arguments) {
    if (!givable(role, given.kind)) return "this call has no such argument to give (data and len go to update and oneshot, digest to an end)";
  }
  if (givable(role, Kind::data) && !(passes(call, Kind::data) && passes(call, Kind::length))) return "it must be given data and len";
  if (ends && !passes(call, Kind::digest) && call.result != Call::Result::digest) return "it must be given digest, or return it (digest = ...)";
  if (role == Role::endbits && !(passes(call, Kind::partial) && passes(call, Kind::bits))) return "it must be given partial and bits";
  if (call.result == Call::Result::handle && role != Role::begin) return "only begin can store a pointer in the context (*ctx = ...)";
  if (call.result == Call::Result::digest && !ends) return "only an end can return the digest (digest = ...)";
  return std::nullopt;
}

std::optional<std::string> readstatement(std::string_view statement, Description& description) {
  Reader in(statement);
  const auto word = in.word();
  const auto role = std::find(std::begin(rolewords), std::end(rolewords), word.value_or(""));
  if (role == std::end(rolewords)) return "it does not begin with a role: oneshot, begin, update, end, endbits, context, load, setup or free";
  const auto index = static_cast<std::size_t>(role - std::begin(rolewords));
  if (description.calls[index] || (index == static_cast<std::size_t>(Role::contextsize) && description.contextsize != 0)) return "a second " + std::string(*role);
  Call call;
  if (index == static_cast<std::size_t>(Role::contextsize)) {
    if (auto size = in.number()) {
      if (*size == 0 || *size > (std::uint64_t{1} << 20) || !in.done()) return "a context takes 1 byte to 1 MiB";
      description.contextsize = static_cast<std::size_t>(*size);
      return std::nullopt;
    }
  } else if (in.take("*")) {
    if (!in.take("ctx") || !in.take("=")) return "expected *ctx = before the function";
    call.result = Call::Result::handle;
  } else if (Reader ahead = in; ahead.word() == "digest" && ahead.take("=") && !ahead.take("=")) {
    in = ahead;
    call.result = Call::Result::digest;
  }
  if (auto problem = readcall(in, call)) return problem;
  if (auto problem = fits(static_cast<Role>(index), call)) return problem;
  description.calls[index] = std::move(call);
  return std::nullopt;
}

}  // namespace

std::string Call::refused(std::int64_t returned) const {
  if (result != Result::plain) return function + "() returned a null pointer";
  return function + "() returned " + std::to_string(returned) + " (success: " + (test == Test::equals ? "== " : ">= ") + std::to_string(success) + ")";
}

Description::Names Description::names() const {
  Names names;
  for (std::size_t role = 0; role < roles; ++role) {
    if (calls[role]) names[role] = calls[role]->function;
  }
  return names;
}

std::optional<std::string> Description::rename(std::string_view renames, std::string_view title) {
  while (!renames.empty()) {
    const std::string_view pair = renames.substr(0, renames.find(','));
    renames.remove_prefix(std::min(renames.size(), pair.size() + 1));
    const std::size_t equals = pair.find('=');
    if (equals == std::string_view::npos || equals == 0 || equals + 1 == pair.size()) return quoted(pair) + " is not NAME=OTHER";
    const auto call = std::find_if(calls.begin(), calls.end(), [&](const auto& c) { return c && c->function == pair.substr(0, equals); });
    if (call == calls.end()) return quoted(pair.substr(0, equals)) + " is no function of " + std::string(title);
    (*call)->function = std::string(pair.substr(equals + 1));
  }
  return std::nullopt;
}

std::optional<std::string> describe(std::string_view text, Description& description) {
  description = Description{};
  for (const std::string_view statement : statements(text)) {
    if (auto problem = readstatement(statement, description)) return quoted(statement) + ": " + *problem;
  }
  for (const Role role : {Role::begin, Role::update, Role::end}) {
    if (!description.call(role)) return "no " + std::string(rolewords[static_cast<std::size_t>(role)]) + ": begin, update and end are needed";
  }
  if (description.contextsize == 0 && !description.call(Role::contextsize)) return "no context: say how many bytes it takes (context 96) or which function says";
  return std::nullopt;
}

Description Interface::described() const {
  Description parsed;
  describe(description, parsed);
  return parsed;
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

}  // namespace sha1vectors
