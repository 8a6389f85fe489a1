// SPDX-License-Identifier: MIT
#include "sha1vectors/checking/response.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "sha1vectors/checking/checking.h"
#include "utilities/hex.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace sha1vectors {

using json = nlohmann::json;

std::string acvpresponse(const AcvpPrompt& prompt, Implementation& implementation, unsigned jobs, const std::atomic<bool>& stop) {
  const auto answer = [&](const AcvpTest& test, const Verdict& verdict) {
    if (stop) throw std::runtime_error("interrupted");
    if (!verdict.computed) {
      throw std::runtime_error("no answer for tcId " + std::to_string(test.tcid) + ": " +
                               (verdict.reason.empty() ? "the implementation gave none" : verdict.reason));
    }
    return basicutilities::hexencode(*verdict.computed);
  };
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
  const json response = json::array({{{"acvVersion", prompt.acvversion}}, {{"vsId", prompt.vsid}, {"testGroups", std::move(groups)}}});
  return response.dump(2) + "\n";
}

void writeatomically(const std::string& path, const std::string& text) {
  const std::filesystem::path target(path);
  std::filesystem::path temporary = target;
  temporary += ".partial-" + std::to_string(
#if defined(__unix__) || defined(__APPLE__)
                                 ::getpid()
#else
                                 0
#endif
                             );
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw std::runtime_error("cannot write " + temporary.string());
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw std::runtime_error("cannot replace " + path + ": " + error.message());
  }
}

}  // namespace sha1vectors
