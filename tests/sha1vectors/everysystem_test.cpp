// SPDX-License-Identifier: MIT
// sha1vectors as a user runs it, on Linux and on Windows alike (the Windows build runs these under
// wine): the published sets, file names, a command and libraries, with the same verdicts on both.
// The program is started through the product's own process layer, which is part of what is tested.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sha1vectors/process/process.h"
#include "support/vectorfiles.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
const std::string library = ".dll";
#else
const std::string library = ".so";
#endif

struct Ran {
  int status = -1;
  std::string out, err;
};

// Runs sha1vectors with words, its output and errors read to the end.
Ran run(std::vector<std::string> words) {
  using Flow = sha1vectors::process::Slot::Flow;
  words.insert(words.begin(), SHA1VECTORS_PROGRAM);
  sha1vectors::process::Child child;
  Ran ran;
  if (auto problem = child.start({words, false, true, {{0, Flow::null}, {1, Flow::fromchild}, {2, Flow::fromchild}}})) {
    ran.err = *problem;
    return ran;
  }
  char buffer[4096];
  while (child.open(1) || child.open(2)) {
    const std::vector<bool> ready = child.wait(std::chrono::milliseconds(1000), {1, 2});
    for (const std::size_t slot : {std::size_t{1}, std::size_t{2}}) {
      if (!ready[slot]) continue;
      const std::ptrdiff_t n = child.read(slot, buffer, sizeof buffer);
      if (n > 0) (slot == 1 ? ran.out : ran.err).append(buffer, static_cast<std::size_t>(n));
    }
  }
  const sha1vectors::process::Ending ending = child.end();
  if (ending.kind == sha1vectors::process::Ending::Kind::exited) ran.status = ending.code;
  return ran;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every shipped set passes on the engine, by its summary line (a program that does not start, as a
// 32-bit one under a wine that cannot run it, exits 0 with nothing said). Catches a reader that
// takes a file in text mode, and a build whose engine differs.
TEST(EverySystem, EveryShippedSetPassesWithTheSameCounts) {
  const struct {
    const char* file;
    const char* summary;
  } sets[] = {{"cavp/SHA1ShortMsg.rsp", "65 passed, 0 failed"},
              {"cavp/SHA1LongMsg.rsp", "64 passed, 0 failed"},
              {"cavp/SHA1Monte.rsp", "100 passed, 0 failed"},
              {"nessie/nessie-Sha-1-160.test-vectors", "passed, 0 failed"},
              {"acvp/prompt.json", "passed, 0 failed"}};
  for (const auto& set : sets) {
    const std::vector<std::string> words{testsupport::vectorpath(set.file)};
    std::vector<std::string> withresults = words;
    if (has(set.file, "prompt")) withresults.push_back(testsupport::vectorpath("acvp/expectedResults.json"));
    const Ran ran = run(withresults);
    EXPECT_EQ(ran.status, 0) << set.file << "\n" << ran.err;
    EXPECT_TRUE(has(ran.out, set.summary)) << set.file << "\n" << ran.out << ran.err;
  }
}

// A file named outside the ANSI code page, and one named by a path that starts with "/" (which a
// Windows-style option parser takes for an option), are read as any other.
TEST(EverySystem, FileNamesAreTakenAsTheyAre) {
  const fs::path folder = fs::temp_directory_path() / "sha1vectors-names";
  fs::create_directories(folder);
  const fs::path greek = folder / fs::path(u8"\u03C8.rsp");
  fs::copy_file(testsupport::vectorpath("cavp/SHA1ShortMsg.rsp"), greek, fs::copy_options::overwrite_existing);
  const Ran named = run({sha1vectors::process::filename(greek)});
  EXPECT_TRUE(has(named.out, "65 passed, 0 failed")) << named.out << named.err;
  std::string rooted = fs::relative(testsupport::vectorpath("cavp/SHA1ShortMsg.rsp"), "/").generic_string();
  rooted.insert(0, 1, '/');  // not "/" + ...: -Wrestrict
  const Ran slashed = run({rooted});
  EXPECT_TRUE(has(slashed.out, "65 passed, 0 failed")) << slashed.out << slashed.err;
  // An ACVP response replaces the file that is there (the rename must replace on Windows too).
  const std::string response = sha1vectors::process::filename(folder / "response.json");
  std::ofstream(sha1vectors::process::filepath(response)) << "old";
  const Ran answered = run({testsupport::vectorpath("acvp/prompt.json"), "--acvp-response", response});
  std::ifstream written(sha1vectors::process::filepath(response));
  const std::string text((std::istreambuf_iterator<char>(written)), {});
  EXPECT_EQ(answered.status, 0) << answered.err;
  EXPECT_TRUE(has(text, "\"vsId\"")) << text;
  written.close();
  fs::remove_all(folder);
}

// A command (the README's example, built for this system) is fed each message on its standard
// input and its slip named: pipes, the command line and binary input all work.
TEST(EverySystem, ACommandIsCheckedAndItsSlipNamed) {
  const Ran ran = run({"--command", MYSHA1_PROGRAM, testsupport::vectorpath("cavp/SHA1ShortMsg.rsp")});
  EXPECT_EQ(ran.status, 1) << ran.err;
  EXPECT_TRUE(has(ran.out, "0 passed, 65 failed")) << ran.out << ran.err;
  EXPECT_TRUE(has(ran.out, "likely cause: SHA-0")) << ran.out;
}

// The suite's faulty libraries, each caught with the verdict it gets on every system: loading, the
// worker's pipes, a crash told as one, a call that never ends, a library writing into the pipe.
TEST(EverySystem, FaultyLibrariesGetTheSameVerdicts) {
  const struct {
    const char* fault;
    int status;
    const char* said;
  } faults[] = {{"correct", 0, "65 passed, 0 failed"},
                {"lowbyte", 1, "likely cause: only the length's low byte is written"},
                {"zerocrash", 1, "the library crashed: "},
                {"hang", 1, "the library did not finish within 2 s (one call of SHA1())"},
                {"pipewrite", 1, "the library wrote into the worker's answer pipe, garbling its answer (one call of SHA1())"},
                {"badpad", 1, "57 passed, 8 failed"}};
  for (const auto& f : faults) {
    const std::string path = std::string(FAULTY_LIBRARIES) + "/faultysha1-" + f.fault + library;
    const Ran ran = run({"--no-long", "--timeout", "2", "--library", path, testsupport::vectorpath("cavp/SHA1ShortMsg.rsp")});
    EXPECT_EQ(ran.status, f.status) << f.fault << "\n" << ran.out << ran.err;
    EXPECT_TRUE(has(ran.out, f.said)) << f.fault << "\n" << ran.out << ran.err;
  }
}

#ifdef _WIN32
// What a library starts ends with the run: each call's job object ends it, even a process started
// to break away from the job. (Linux's process groups and adopted strays: program_test.cpp.)
TEST(EverySystem, WhatALibraryStartsEndsWithTheRun) {
  const fs::path pids = fs::temp_directory_path() / "sha1vectors-pids.txt";
  fs::remove(pids);
  ::_putenv_s("FAULTY_PIDS", sha1vectors::process::filename(pids).c_str());
  const Ran ran = run({"--no-long", "--library", std::string(FAULTY_LIBRARIES) + "/faultysha1-forks" + library, testsupport::vectorpath("cavp/SHA1ShortMsg.rsp")});
  ::_putenv_s("FAULTY_PIDS", "");
  EXPECT_EQ(ran.status, 0) << ran.out << ran.err;
  std::ifstream recorded(pids);
  int left = 0;
  for (unsigned long pid = 0; recorded >> pid; ++left) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    const bool gone = process == nullptr || ::WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    if (process != nullptr) ::CloseHandle(process);
    EXPECT_TRUE(gone) << "process " << pid << " outlived the run";
  }
  EXPECT_GE(left, 2);
  recorded.close();
  fs::remove(pids);
}
#endif

// --probe reads the exports (ELF's dynamic symbols, a DLL's export table), finds how to call a
// library no row describes, and the line it prints checks it.
TEST(EverySystem, ProbeFindsHowToCallALibraryAndPrintsTheLineThatChecksIt) {
  const struct {
    const char* library;
    std::string line;
  } cases[] = {{"probe-mdstyle", "--interface 'begin MySHA1Init(ctx); update MySHA1Update(ctx, data, len); end MySHA1Final(digest, ctx); context 96'\n"},
               {"probe-mbedstyle",
                "--interface 'begin my_sha1_starts(ctx); update my_sha1_update(ctx, data, len); end my_sha1_finish(ctx, digest); free my_sha1_free(ctx); context 96'\n"}};
  for (const auto& c : cases) {
    const std::string path = std::string(FAULTY_LIBRARIES) + "/" + c.library + library;
    const Ran probed = run({"--probe", "--library", path});
    EXPECT_EQ(probed.status, 0) << probed.err;
    ASSERT_TRUE(has(probed.out, c.line)) << probed.out << probed.err;
    // The line's words: "sha1vectors", then options and values, the values in single quotes.
    std::vector<std::string> words;
    const std::string line = probed.out.substr(probed.out.rfind("sha1vectors --library"));
    for (std::size_t at = line.find(' ') + 1; at < line.size() && line[at] != '\n';) {
      const bool quoted = line[at] == '\'';
      const std::size_t end = quoted ? line.find('\'', at + 1) + 1 : line.find_first_of(" \n", at);
      words.push_back(quoted ? line.substr(at + 1, end - at - 2) : line.substr(at, end - at));
      at = end + 1;
    }
    words.insert(words.end(), {"--no-long", testsupport::vectorpath("cavp/SHA1ShortMsg.rsp")});
    const Ran checked = run(words);
    EXPECT_EQ(checked.out, "65 passed, 0 failed\n") << c.library << checked.err;
  }
}

}  // namespace
