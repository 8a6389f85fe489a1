// SPDX-License-Identifier: MIT
// What a hash request reads besides the box's own text: a file the box's marker stands for, or a
// paste held back behind one; and the hashing of either in pieces, with turns for the window.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "digest/sha1digest.h"

namespace tester {

// A file to hash: the box shows its marker, "file: NAME · N bytes".
struct OpenFile {
  QString path, marker;
  qint64 size = 0;
  QString note;  // ends what the status line says of it
};

// Files up to this size keep their bytes once hashed, so that their rounds can be shown.
constexpr qint64 keptfilesize = qint64{4} << 20;

// A paste too big to show: the box shows its marker, "pasted: N characters".
struct HeldText {
  QString text, marker;
};

// Told how far a hash has come (bytes done); false stops it.
using Pace = std::function<bool(qint64 done)>;

// The digest of bytes, hashed in pieces; nothing when pace stopped it.
std::optional<basicutilities::Sha1Digest> hashpieces(const std::string& bytes, const Pace& pace);
// The digest of the file, streamed in pieces; nothing when pace stopped it, or (with the reason in
// problem) when the file could not be read whole or has changed size since it was opened. A file of
// up to keptfilesize leaves its bytes in kept.
std::optional<basicutilities::Sha1Digest> hashfile(const OpenFile& file, const Pace& pace, QString& problem, std::string& kept);

}  // namespace tester
