#include <cerrno>
#include <cstring>
#include <fstream>

#include "catalogue/catalogue.h"
#include "sha1vectors/records.h"

namespace sha1vectors {
namespace {

std::string describe(const std::string& file, int line, const std::string& problem) {
  return line > 0 ? file + ":" + std::to_string(line) + ": " + problem : file + ": " + problem;
}

std::vector<std::string> readlines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw VectorFileError(path, 0, std::string("cannot be read: ") + std::strerror(errno));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  if (in.bad()) throw VectorFileError(path, 0, "cannot be read to its end");
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
