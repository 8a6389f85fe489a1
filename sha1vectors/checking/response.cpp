// SPDX-License-Identifier: MIT
#include "sha1vectors/checking/response.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <stdexcept>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/process/process.h"
#include "utilities/hex.h"

namespace sha1vectors {

using json = nlohmann::json;

namespace {

// The answers' digits, test by test; a message the implementation gave different digests for,
// split in different ways, has no answer to give: such tcIds are gathered, for the run to refuse.
class Answers {
 public:
  explicit Answers(const std::atomic<bool>& stop) : stop_(stop) {}

  std::string operator()(const AcvpTest& test, const Verdict& verdict) {
    if (stop_) throw std::runtime_error("interrupted");
    if (!verdict.computed) {
      throw std::runtime_error("no answer for tcId " + std::to_string(test.tcid) + ": " +
                               (verdict.reason.empty() ? "the implementation gave none" : verdict.reason));
    }
    // Appended, not added to literals: GCC 12 sees a false overlap there (-Wrestrict).
    const std::string tcid = std::string(1, ' ').append(std::to_string(test.tcid)).append(1, ',');
    if (verdict.waysdisagree && disagreed_.find(tcid) == std::string::npos) disagreed_ += tcid;
    return basicutilities::hexencode(*verdict.computed);
  }
  // Throws when any message's splits disagreed.
  void refuseany() {
    if (disagreed_.empty()) return;
    disagreed_.pop_back();
    throw std::runtime_error("the implementation gave different digests for the same message given in different splits, for tcId" + disagreed_);
  }

 private:
  const std::atomic<bool>& stop_;
  std::string disagreed_;
};

}  // namespace

std::string acvpresponse(const AcvpPrompt& prompt, Implementation& implementation, unsigned jobs, const std::atomic<bool>& stop) {
  Answers answer(stop);
  // Single messages together, as checking runs them.
  std::vector<const Vector*> singles;
  for (const AcvpTest& test : prompt.tests) {
    if (test.type != "MCT") singles.push_back(&test.vector);
  }
  std::map<const Vector*, Verdict> verdicts;
  checkvectors(singles, implementation, jobs, stop, [&](std::size_t i, const Verdict& verdict) { verdicts[singles[i]] = verdict; });

  json groups = json::array();
  for (const AcvpTest& test : prompt.tests) {
    if (groups.empty() || groups.back()["tgId"] != test.tgid) groups.push_back({{"tgId", test.tgid}, {"tests", json::array()}});
    json answered = {{"tcId", test.tcid}};
    if (test.type != "MCT") {
      const auto verdict = verdicts.find(&test.vector);
      answered["md"] = answer(test, verdict != verdicts.end() ? verdict->second : Verdict{});
    } else {
      // Each result seeds the next: the chain runs on from the implementation's own.
      Vector vector = test.vector;
      answered["resultsArray"] = json::array();
      for (std::uint64_t j = 0; j < acvpmctresults; ++j) {
        const Verdict verdict = check(vector, implementation, &stop);
        answered["resultsArray"].push_back({{"md", answer(test, verdict)}});
        reseed(vector, *verdict.computed);
      }
    }
    groups.back()["tests"].push_back(std::move(answered));
  }
  answer.refuseany();
  const json response = json::array({{{"acvVersion", prompt.acvversion}}, {{"vsId", prompt.vsid}, {"testGroups", std::move(groups)}}});
  return response.dump(2) + "\n";
}

namespace {

namespace fs = std::filesystem;

void writeto(const fs::path& path, const std::string& text, std::ios::openmode mode) {
  std::ofstream out(path, std::ios::binary | mode);
  out << text;
  out.flush();
  if (!out) throw OutputError("cannot write " + process::filename(path) + ": " + std::strerror(errno));
}

// A name that stands for one of this process's open files, as /dev/stdout does.
bool isopenfile(const std::string& path) {
  return path.starts_with("/dev/std") || path.starts_with("/dev/fd/") || path.starts_with("/proc/self/fd/");
}

}  // namespace

void writeatomically(const std::string& path, const std::string& text) {
  if (path == "-") {
    std::cout << text << std::flush;
    if (!std::cout) throw OutputError("cannot write to standard output");
    return;
  }
  std::error_code error;
  const fs::file_status status = fs::status(process::filepath(path), error);  // of what a link leads to
  if (isopenfile(path) || fs::is_character_file(status) || fs::is_fifo(status)) return writeto(process::filepath(path), text, std::ios::out);
  if (fs::exists(status) && !fs::is_regular_file(status)) throw OutputError(path + " is neither a regular file nor a device to write to");
  // Beside the file a link leads to, so that the link stays and the rename stays on one file system.
  const fs::path target = fs::weakly_canonical(process::filepath(path), error);
  if (error) throw OutputError("cannot find where " + path + " leads: " + error.message());
  fs::path temporary = target;
  temporary += ".partial-" + std::to_string(process::selfid());
  try {
    writeto(temporary, text, std::ios::trunc);
    if (fs::exists(status)) fs::permissions(temporary, status.permissions());  // the file keeps its mode
    fs::rename(temporary, target);
  } catch (const std::exception& failure) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw OutputError(std::string("cannot replace ") + path + ": " + failure.what());
  }
}

}  // namespace sha1vectors
