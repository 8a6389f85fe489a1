// SPDX-License-Identifier: MIT
#include "ui/tester/sources.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "ui/tester/statusline.h"

namespace tester {
namespace {

// Read and hashed in pieces of this size, a few milliseconds each.
constexpr std::size_t piece = std::size_t{1} << 20;

// Opens path for reading if it is still a regular file; the reason when it is not or cannot be.
// Platform seam: on POSIX a FIFO put where the file was would hold open() (and the window) for good,
// so it is opened without waiting and looked at before anything is read.
bool openregular(const QString& path, QFile& in, QString& problem) {
#if defined(Q_OS_UNIX)
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || ::fstat(fd, &status) != 0) {
    problem = "cannot be read: " + QString::fromLocal8Bit(std::strerror(errno));
    if (fd >= 0) ::close(fd);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(fd);
    problem = "is no longer a regular file; open it again";
    return false;
  }
  if (in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return true;
  ::close(fd);
#else
  in.setFileName(path);
  if (!QFileInfo(path).isFile()) {
    problem = "is no longer a regular file; open it again";
    return false;
  }
  if (in.open(QIODevice::ReadOnly)) return true;
#endif
  problem = "cannot be read: " + in.errorString();
  return false;
}

}  // namespace

std::optional<basicutilities::Sha1Digest> hashpieces(const std::string& bytes, const Pace& pace) {
  basicutilities::Sha1Stream stream;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    stream.add(std::string_view(bytes).substr(at, piece));
    if (!pace(static_cast<qint64>(at))) return std::nullopt;
  }
  return stream.finish();
}

std::optional<basicutilities::Sha1Digest> hashfile(const OpenFile& file, const Pace& pace, QString& problem, std::string& kept) {
  kept.clear();
  QFile in;
  if (!openregular(file.path, in, problem)) return std::nullopt;
  basicutilities::Sha1Stream stream;
  std::string chunk(piece, '\0');
  qint64 done = 0;
  for (qint64 n; (n = in.read(chunk.data(), static_cast<qint64>(piece))) != 0;) {
    if (n < 0) {
      problem = "cannot be read: " + in.errorString();
      return std::nullopt;
    }
    stream.add(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
    if (file.size <= keptfilesize && done + n <= keptfilesize) kept.append(chunk.data(), static_cast<std::size_t>(n));
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
