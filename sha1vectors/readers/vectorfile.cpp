// SPDX-License-Identifier: MIT
#include "sha1vectors/readers/vectorfile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "catalogue/catalogue.h"
#include "sha1vectors/readers/fields.h"
#include "sha1vectors/readers/formats.h"
#include "sha1vectors/process/process.h"

namespace sha1vectors {

std::string_view withoutbyteordermark(std::string_view content) {
  return content.starts_with("\xEF\xBB\xBF") ? content.substr(3) : content;
}

std::string filelocation(const std::string& file, int line) { return line > 0 ? file + ":" + std::to_string(line) : file; }

// A regular file only: a device, a FIFO or a folder has no end to read to, or no lines.
std::string readregularfile(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(process::filepath(path), error);
  if (error) throw VectorFileError(path, 0, "cannot be read: " + error.message());
  if (!std::filesystem::is_regular_file(status)) throw VectorFileError(path, 0, "is not a regular file");
  const std::string toolarge = "is larger than " + std::to_string(maxfilebytes >> 20) + " MiB, more than a vector file holds";
  if (std::filesystem::file_size(process::filepath(path), error) > maxfilebytes && !error) throw VectorFileError(path, 0, toolarge);
  std::ifstream in(process::filepath(path), std::ios::binary);
  if (!in) throw VectorFileError(path, 0, std::string("cannot be read: ") + std::strerror(errno));
  std::string content;
  char buffer[64 * 1024];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    content.append(buffer, static_cast<std::size_t>(in.gcount()));
    // The file may have grown since its size was read.
    if (content.size() > maxfilebytes) throw VectorFileError(path, 0, toolarge);
  }
  if (in.bad()) throw VectorFileError(path, 0, "cannot be read to its end");
  return content;
}

VectorFileError::VectorFileError(const std::string& file, int line, const std::string& problem)
    : std::runtime_error(filelocation(file, line) + ": " + problem) {}

std::vector<Vector> readvectorfile(const std::string& path) { return readvectortext(path, readregularfile(path)); }

std::vector<Vector> readvectortext(const std::string& name, std::string_view content) {
  content = withoutbyteordermark(content);
  std::vector<std::string_view> lines;  // views of content, not copies: a file may be a quarter of a gibibyte
  while (!content.empty()) {
    const auto end = content.find('\n');
    std::string_view line = content.substr(0, end);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.emplace_back(line);
  }
  std::vector<Vector> vectors = isnessie(lines) ? readnessie(name, lines) : readcavp(name, lines);
  if (vectors.empty()) throw VectorFileError(name, 0, "holds no test vectors (not a CAVP response file or NESSIE test-vector file?)");
  return vectors;
}

std::vector<Vector> cataloguevectors() {
  std::vector<Vector> vectors;
  const auto entries = catalogue::entries();
  for (std::size_t i = catalogue::promptentry + 1; i < entries.size(); ++i) {
    Vector v;
    v.file = "catalogue";
    v.line = static_cast<int>(i);
    v.name = std::string(entries[i].text);
    v.message = catalogue::fullmessage(entries[i]);
    v.expected = basicutilities::parsedigest(entries[i].expected).value();
    vectors.push_back(std::move(v));
  }
  return vectors;
}

}  // namespace sha1vectors
