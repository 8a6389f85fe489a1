// SPDX-License-Identifier: MIT
#include "sha1vectors/readers/inputs.h"

#include <algorithm>
#include <filesystem>
#include <variant>

#include "sha1vectors/process/process.h"

namespace sha1vectors {
namespace {

// A FILE that is a folder stands for the .json files in it; a folder that cannot be listed or has
// none is a problem of its own.
std::vector<std::string> expandfolders(const std::vector<std::string>& files, std::vector<std::string>& problems) {
  std::vector<std::string> expanded;
  for (const auto& file : files) {
    std::error_code error;
    if (!std::filesystem::is_directory(process::filepath(file), error)) {
      expanded.push_back(file);
      continue;
    }
    std::vector<std::string> inside;
    std::filesystem::directory_iterator entry(process::filepath(file), error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
      if (entry->path().extension() == ".json") inside.push_back(process::filename(entry->path()));
    }
    if (error) {
      problems.push_back(file + ": the folder cannot be read: " + error.message());
    } else if (inside.empty()) {
      problems.push_back(file + ": the folder holds no .json files (name vector files of other kinds one by one)");
    }
    std::sort(inside.begin(), inside.end());
    if (!error) expanded.insert(expanded.end(), inside.begin(), inside.end());
  }
  return expanded;
}

// Each prompt is checked against answers of its vsId: expected results, or the internal projection,
// which can stand for the prompt too; a vsId is checked once, whatever else answers it.
void pairacvp(Inputs& inputs, std::vector<AcvpResults>& results, std::vector<AcvpProjection>& projections, bool responding) {
  const auto prompted = [&](std::uint64_t vsid) {
    return std::any_of(inputs.prompts.begin(), inputs.prompts.end(), [vsid](const AcvpPrompt& prompt) { return prompt.vsid == vsid; });
  };
  for (AcvpProjection& projection : projections) {
    if (!prompted(projection.prompt.vsid)) inputs.prompts.push_back(std::move(projection.prompt));
    results.push_back(std::move(projection.results));
  }
  for (const auto& prompt : inputs.prompts) {
    const auto answers = [&](const auto& r) { return r.vsid == prompt.vsid; };
    const auto found = std::find_if(results.begin(), results.end(), answers);
    if (found == results.end()) {
      if (!responding) inputs.problems.push_back(prompt.file + ": the expected results of vsId " + std::to_string(prompt.vsid) + " are not among the files");
      continue;
    }
    // Answers that disagree leave no way to tell which are right, whichever came first.
    const auto other = std::find_if(found + 1, results.end(), [&](const auto& r) { return answers(r) && r.answers != found->answers; });
    if (other != results.end()) {
      inputs.problems.push_back(other->file + ": its answers to vsId " + std::to_string(prompt.vsid) + " are not those of " + found->file);
      continue;
    }
    try {
      inputs.sources.push_back({prompt.file, acvpvectors(prompt, *found)});
    } catch (const VectorFileError& error) {
      inputs.problems.emplace_back(error.what());
    }
  }
  for (const auto& unpaired : results) {
    if (!prompted(unpaired.vsid)) {
      inputs.problems.push_back(unpaired.file + ": the prompt of vsId " + std::to_string(unpaired.vsid) + " is not among the files");
    }
  }
}

}  // namespace

Inputs readinputs(const std::vector<std::string>& files, bool catalogue, bool responding) {
  Inputs inputs;
  if (files.empty() || catalogue) inputs.sources.push_back({"catalogue", cataloguevectors()});
  std::vector<AcvpResults> results;
  std::vector<AcvpProjection> projections;
  std::vector<std::string> registrations, acvpfiles;
  inputs.files = expandfolders(files, inputs.problems);
  for (const auto& file : inputs.files) {
    try {
      const std::string content = readregularfile(file);
      if (!isjson(content)) {
        inputs.sources.push_back({file, readvectortext(file, content)});
      } else {
        AcvpDocument document = readacvptext(file, content);
        (std::holds_alternative<AcvpRegistration>(document) ? registrations : acvpfiles).push_back(file);
        if (auto* prompt = std::get_if<AcvpPrompt>(&document)) inputs.prompts.push_back(std::move(*prompt));
        if (auto* answers = std::get_if<AcvpResults>(&document)) results.push_back(std::move(*answers));
        if (auto* projection = std::get_if<AcvpProjection>(&document)) projections.push_back(std::move(*projection));
      }
    } catch (const VectorFileError& error) {
      inputs.problems.emplace_back(error.what());
    } catch (const std::exception& error) {  // out of memory, say: this file is unusable, not the run
      inputs.problems.push_back(file + ": cannot be read: " + error.what());
    }
  }
  // A registration goes without saying beside its vector set's files; alone, it is a file that
  // yields nothing.
  const auto parent = [](const std::string& file) { return process::filepath(file).parent_path(); };
  for (const auto& registration : registrations) {
    if (std::none_of(acvpfiles.begin(), acvpfiles.end(), [&](const std::string& file) { return parent(file) == parent(registration); })) {
      inputs.problems.push_back(registration + ": holds no vectors: it is an ACVP registration (check the vector set's prompt and expected results)");
    }
  }
  pairacvp(inputs, results, projections, responding);
  return inputs;
}

}  // namespace sha1vectors
