// SPDX-License-Identifier: MIT
// A SHA-1 digest in the forms tools print and people paste. No Qt: the window's Expected box and
// the validator's reading of a command's output share these rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "digest/sha1digest.h"

namespace input {

// The digest a line of a tool's output gives: its first word (sha1sum's "d  file", with the
// backslash sha1sum puts before an escaped name's digest) or its last ("SHA1(file)= d", BSD's
// "SHA1 (file) = d", a bare digest), as exactly 40 hexadecimal digits in either case; or five
// groups of eight at its start (digesttext's form). Digits anywhere else (a file's path) are none.
std::optional<basicutilities::Sha1Digest> digestinline(std::string_view line);

// What an expected-digest box holds: a digest, or why it is none (empty for an empty box).
struct DigestReading {
  std::optional<basicutilities::Sha1Digest> digest;
  std::string problem;
  // A paste of several lines that give digests (sha1sum over several files): how many, and which
  // was taken (from 0).
  std::size_t digests = 0, taken = 0;
  bool named = false;  // the line taken names the file asked for
  bool operator==(const DigestReading&) const = default;
};

// Reads a pasted digest: a tool's output line (above; also PowerShell's Get-FileHash row,
// "SHA1 d path", and openssl dgst -c's "SHA1(file)= a9:99:3e:..."), 40 digits with blanks or colons
// anywhere ("A9:99:3E:..."), "0x" before them, or base64 (28 characters with its "=", or 27
// without). Of several lines that give digests, the first that names named (a file's name), else
// the first. For anything else the problem says what is wrong with the word that looks most like a
// digest: "Expected holds 39 hex digits, a digest has 40".
DigestReading readdigest(std::u16string_view text, std::u16string_view named = {});

}  // namespace input
