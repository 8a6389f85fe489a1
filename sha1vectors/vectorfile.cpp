#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "catalogue/catalogue.h"
#include "sha1vectors/records.h"

namespace sha1vectors {
namespace {

std::string describe(const std::string& file, int line, const std::string& problem) {
  return line > 0 ? file + ":" + std::to_string(line) + ": " + problem : file + ": " + problem;
}

// A regular file only: a device, a FIFO or a folder has no end to read to, or no lines.
std::vector<std::string> readlines(const std::string& path) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error) throw VectorFileError(path, 0, "cannot be read: " + error.message());
  if (!std::filesystem::is_regular_file(status)) throw VectorFileError(path, 0, "is not a regular file");
  const auto size = std::filesystem::file_size(path, error);
  if (!error && size > maxfilebytes) {
    throw VectorFileError(path, 0, "is larger than " + std::to_string(maxfilebytes >> 20) + " MiB, more than a vector file holds");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw VectorFileError(path, 0, std::string("cannot be read: ") + std::strerror(errno));
  std::vector<std::string> lines;
  std::uint64_t total = 0;
  for (std::string line; std::getline(in, line);) {
    // The file may have grown since its size was read.
    if ((total += line.size() + 1) > maxfilebytes) throw VectorFileError(path, 0, "grew past " + std::to_string(maxfilebytes >> 20) + " MiB while read");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  if (in.bad()) throw VectorFileError(path, 0, "cannot be read to its end");
  // A byte order mark, as some editors write, is no part of the first line.
  if (!lines.empty() && lines.front().starts_with("\xEF\xBB\xBF")) lines.front().erase(0, 3);
  return lines;
}

}  // namespace

VectorFileError::VectorFileError(const std::string& file, int line, const std::string& problem)
    : std::runtime_error(describe(file, line, problem)) {}

std::uint64_t Vector::hashes() const { return kind == Kind::message ? 1 : iterations; }

std::vector<Vector> readvectorfile(const std::string& path) {
  const std::vector<std::string> lines = readlines(path);
  std::vector<Vector> vectors = isnessie(lines) ? readnessie(path, lines) : readcavp(path, lines);
  if (vectors.empty()) throw VectorFileError(path, 0, "holds no test vectors (not a CAVP response file or NESSIE test-vector file?)");
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
