// SPDX-License-Identifier: MIT
#include "ui/tester/sources.h"

#include <QFile>

#include "ui/tester/statusline.h"

namespace tester {
namespace {

// Read and hashed in pieces of this size, a few milliseconds each.
constexpr std::size_t piece = std::size_t{1} << 20;

}  // namespace

std::optional<basicutilities::Sha1Digest> hashpieces(const std::string& bytes, const Pace& pace) {
  basicutilities::Sha1Stream stream;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    stream.add(std::string_view(bytes).substr(at, piece));
    if (!pace(static_cast<qint64>(at))) return std::nullopt;
  }
  return stream.finish();
}

std::optional<basicutilities::Sha1Digest> hashfile(const OpenFile& file, const Pace& pace, QString& problem) {
  QFile in(file.path);
  if (!in.open(QIODevice::ReadOnly)) {
    problem = "cannot be read: " + in.errorString();
    return std::nullopt;
  }
  basicutilities::Sha1Stream stream;
  std::string chunk(piece, '\0');
  qint64 done = 0;
  for (qint64 n; (n = in.read(chunk.data(), static_cast<qint64>(piece))) != 0;) {
    if (n < 0) {
      problem = "cannot be read: " + in.errorString();
      return std::nullopt;
    }
    stream.add(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
    done += n;
    if (!pace(done)) return std::nullopt;
  }
  if (done != file.size) {
    problem = QString("changed while it was read: %1, not the %2 it had; open it again")
                  .arg(bytecount(static_cast<std::size_t>(done)), bytecount(static_cast<std::size_t>(file.size)));
    return std::nullopt;
  }
  return stream.finish();
}

}  // namespace tester
