// SPDX-License-Identifier: MIT
// The sha1vectors program as a user runs it: options, files, commands, exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <tuple>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <sys/sysmacros.h>

#include <nlohmann/json.hpp>

#include "support/vectorfiles.h"
#include "sha1vectors/readers/acvp.h"
#include "sha1vectors/checking/checking.h"
#include "sha1vectors/implementations/command.h"
#include "sha1vectors/readers/vectorfile.h"

namespace {

namespace fs = std::filesystem;
// Runs sha1vectors as a user would, output not to a terminal.
struct Ran {
  int status;
  std::string out, err;
};

class Sha1vectorsProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program must stand a broken pipe on its own, not because a test runner ignores SIGPIPE.
    std::signal(SIGPIPE, SIG_DFL);
    folder_ = fs::temp_directory_path() / ("sha1vectors_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_ / "tmp");
  }
  void TearDown() override {
    EXPECT_TRUE(fs::is_empty(folder_ / "tmp")) << "temporary files were left behind";
    fs::remove_all(folder_);
  }

  std::string write(const std::string& name, const std::string& content) {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  // before is put in front of the program, as "timeout 1".
  Ran run(const std::string& arguments, const std::string& before = "") {
    const std::string err = (folder_ / "stderr").string();
    const std::string line = "TMPDIR=" + (folder_ / "tmp").string() + " " + before + " " + SHA1VECTORS_PROGRAM + " " + arguments + " 2>" + err;
    Ran result{};
    FILE* pipe = ::popen(line.c_str(), "r");
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    result.err.assign(std::istreambuf_iterator<char>(in), {});
    return result;
  }

  static std::string lastline(const std::string& text) {
    const auto end = text.find_last_not_of('\n');
    return text.substr(text.rfind('\n', end) + 1, end - text.rfind('\n', end));
  }

  // Three byte-oriented records (the 3-byte one is "abc") and one of 5 bits.
  const std::string small_ =
      "[L = 20]\n\nLen = 0\nMsg = 00\nMD = da39a3ee5e6b4b0d3255bfef95601890afd80709\n\n"
      "Len = 8\nMsg = 61\nMD = 86f7e437faa5a7fce15d1ddcb9eaeaea377667b8\n\n"
      "Len = 24\nMsg = 616263\nMD = a9993e364706816aba3e25717850c26c9cd0d89d\n\n"
      "Len = 5\nMsg = 48\nMD = 3320540d1c28b96ddd03eee1b186a8f2ae883fbe\n";
  fs::path folder_;
};

TEST_F(Sha1vectorsProgram, ChecksTheCatalogueByDefaultOrBesideFilesAndRefusesAWrongCall) {
  const Ran r = run("");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "11 passed, 0 failed\n");
  EXPECT_EQ(run("--catalogue " + write("small.rsp", small_)).out, "15 passed, 0 failed\n");
  for (const char* wrong : {"--no-such-option", "--timeout -1", "--timeout nan", "--timeout 1e10", "--timeout 0.0004", "--command ''"}) {
    EXPECT_EQ(run(wrong).status, 2) << wrong;
  }
}

// A failure shows in a log as on a terminal (output here is a pipe); --quiet leaves the summary
// alone, --verbose adds the passes.
TEST_F(Sha1vectorsProgram, ACorruptedDigestFailsAndIsShownWhereverOutputGoes) {
  std::string corrupted = small_;
  corrupted.replace(corrupted.find("a9993e36"), 8, "a9993e37");
  const std::string file = write("corrupted.rsp", corrupted);

  const Ran piped = run(file);
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.out, "FAIL " + file + ":11: Len = 24\n  expected a9993e374706816aba3e25717850c26c9cd0d89d\n"
                       "  computed a9993e364706816aba3e25717850c26c9cd0d89d\n                  ^                                \n3 passed, 1 failed\n");
  const Ran quiet = run("--quiet " + file);
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.out, "3 passed, 1 failed\n");

  const Ran verbose = run("--verbose " + file);
  EXPECT_EQ(verbose.status, 1);
  EXPECT_NE(verbose.out.find("ok   " + file + ":3: Len = 0\n"), std::string::npos) << verbose.out;
  EXPECT_NE(verbose.out.find(piped.out.substr(0, piped.out.find("3 passed"))), std::string::npos) << verbose.out;
}

// What is wrong is the reader's test; here what the program makes of it.
TEST_F(Sha1vectorsProgram, UnusableFilesAreReportedAndTheOthersStillChecked) {
  const std::string truncated = write("truncated.rsp", small_ + "\nLen = 8\nMsg = 61\n");
  const Ran r = run((folder_ / "missing.rsp").string() + " " + truncated + " " + write("good.rsp", small_));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.rsp: cannot be read"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("truncated.rsp:19: record \"Len = 8\" ends without its MD (nothing of it was checked)"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "4 passed, 0 failed\n") << "the usable file is still checked";
}

TEST_F(Sha1vectorsProgram, ChecksACommandAndSkipsBitOrientedVectorsForIt) {
  const std::string file = write("small.rsp", small_);
  const Ran right = run("--command sha1sum " + file);
  EXPECT_EQ(right.status, 0);
  EXPECT_EQ(right.out, "3 passed, 0 failed, 1 skipped\n");
  EXPECT_NE(right.err.find("skipped 1 bit-oriented vectors"), std::string::npos);
  EXPECT_EQ(run("--strict --command sha1sum " + file).status, 1) << "--strict: a skip fails the run";
  // Nothing checked is no success.
  const Ran none = run("--command sha1sum " + write("bits.rsp", small_.substr(small_.find("Len = 5"))));
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "0 passed, 0 failed, 1 skipped\n");
}

// Plain words start directly; anything the shell must read (a pipe, a builtin) goes through it.
TEST_F(Sha1vectorsProgram, StartsAPlainCommandDirectlyAndAnyOtherThroughTheShell) {
  const std::string file = write("one.rsp", "Len = 24\nMsg = 616263\nMD = a9993e364706816aba3e25717850c26c9cd0d89d\n");
  struct Case { const char* command; const char* how; };
  for (const auto& c : {Case{"sha1sum --binary", "directly"}, Case{"sha1sum | cat", "through /bin/sh -c"}, Case{"exec sha1sum", "through /bin/sh -c"}}) {
    const Ran r = run("-v --command '" + std::string(c.command) + "' " + file);
    EXPECT_EQ(lastline(r.out), "1 passed, 0 failed") << c.command;
    EXPECT_NE(r.err.find(std::string("the command runs ") + c.how), std::string::npos) << c.command << r.err;
  }
  // What stops every call is the run's problem, not a failure of the implementation: status 2.
  for (const auto& [command, before, said] : {std::tuple{"no-such-program-here", "", "cannot start no-such-program-here: no such program"},
                                              {"sha1sum {}", "TMPDIR=/no/such/folder", "cannot make a temporary folder /no/such/folder/"}}) {
    const Ran r = run("--command '" + std::string(command) + "' " + file, before);
    EXPECT_EQ(r.status, 2) << command;
    EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
  }
  // So is a folder for {} that goes (or fills up) mid-run: the calls after are not the command's.
  const Ran gone = run("-j 1 --command 'rm -r \"$(dirname {})\"; sha1sum {}' " + write("small.rsp", small_));
  EXPECT_EQ(gone.status, 2);
  EXPECT_NE(gone.err.find("cannot make the temporary file"), std::string::npos) << gone.err;
}

TEST_F(Sha1vectorsProgram, CommandsThatHangFailOrPrintNothingFailWithTheReason) {
  const std::string file = write("one.rsp", "Len = 24\nMsg = 616263\nMD = a9993e364706816aba3e25717850c26c9cd0d89d\n");
  // Closing its outputs does not stop the clock.
  for (const char* command : {"sleep 30", "sha1sum; exec >&- 2>&-; sleep 30"}) {
    const Ran hangs = run("-v --timeout 0.2 --command '" + std::string(command) + "' " + file);
    EXPECT_EQ(hangs.status, 1);
    EXPECT_NE(hangs.out.find("Len = 24: the command did not finish within 0.2 s"), std::string::npos) << command << hangs.out;
  }
  // The command gets default signal handling, so a writer whose reader has gone ends (this loop
  // ignores its write errors, as many programs do).
  EXPECT_EQ(run("--timeout 5 --command '(while :; do echo y; done) | head -1 >/dev/null; sha1sum' " + file).status, 0);
  // Time this program spends stopped (Ctrl+Z) is not the command's: this one stops it for 1.5 s.
  EXPECT_EQ(run("-v --timeout 0.5 --command '(sleep 1.5; kill -CONT $PPID) & kill -STOP $PPID; sha1sum' " + file).out, "ok   " + file + ":1: Len = 24\n1 passed, 0 failed\n");

  const Ran silent = run("-v --command 'cat > /dev/null' " + file);
  EXPECT_NE(silent.out.find("Len = 24: the command printed nothing"), std::string::npos) << silent.out;

  const Ran failing = run("-v --command 'echo broken >&2; exit 3' " + file);
  EXPECT_NE(failing.out.find("Len = 24: the command exited with status 3: broken"), std::string::npos) << failing.out;
  EXPECT_EQ(lastline(failing.out), "0 passed, 1 failed");

  // A command that leaves without reading a long message must not take sha1vectors with it.
  const std::string longmessage = write("long.rsp", "Len = 8388608\nMsg = " + std::string(2 << 20, '6') + "\nMD = " + std::string(40, '0') + "\n");
  const Ran unread = run("-v --command true " + longmessage);
  EXPECT_EQ(unread.status, 1);
  EXPECT_NE(unread.out.find("the command printed nothing"), std::string::npos) << unread.out;
}

// In the background, in a session of its own, after a timeout: nothing outlives the run.
TEST_F(Sha1vectorsProgram, NothingTheCommandStartedOutlivesTheRun) {
  const std::string file = write("one.rsp", "Len = 24\nMsg = 616263\nMD = a9993e364706816aba3e25717850c26c9cd0d89d\n");
  const std::string later = "sleep 0.6; touch " + (folder_ / "survivor").string();
  struct Case {
    std::string command, summary;
  };
  for (const Case& c : {Case{"(" + later + ") & sleep 30", "0 passed, 1 failed"}, Case{"sha1sum; (" + later + ") &", "1 passed, 0 failed"},
                        Case{"setsid sh -c \"" + later + "\" & sleep 0.05; sha1sum", "1 passed, 0 failed"}}) {
    EXPECT_EQ(run("--quiet --timeout 0.2 --command '" + c.command + "' " + file).out, c.summary + "\n") << c.command;
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    EXPECT_FALSE(fs::exists(folder_ / "survivor")) << c.command;
  }
}

// A message of 1 GiB, a 64-byte piece repeated: streamed through the engine and a command.
TEST_F(Sha1vectorsProgram, ChecksAGibibyteMessageWithoutHoldingIt) {
  const std::string file = write("gib.txt", "Set 1, vector#  0:\n  message=16777216 times \"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno\"\n"
                                            "  hash=7789F0C9EF7BFC40D93311143DFBE69E2017F592\n\n");
  EXPECT_EQ(run(file).out, "1 passed, 0 failed\n");
  EXPECT_EQ(run("--timeout 60 --command sha1sum " + file).out, "1 passed, 0 failed\n");
}

// However the calls are made, a run reads as the serial run on the engine.
TEST_F(Sha1vectorsProgram, JobsAndCallsOfManyFilesGiveTheSerialResult) {
  std::ifstream published(testsupport::vectorpath("cavp/SHA1Monte.rsp"));
  std::string monte(std::istreambuf_iterator<char>(published), {});
  monte = monte.substr(0, monte.find("COUNT = 3"));
  const std::string others = write("bytes.rsp", small_.substr(0, small_.find("Len = 5")) + "Len = 8\nMsg = 62\nMD = " + std::string(40, '0') + "\n") + " " +
                             write("nessie.txt", "Set 1, vector#  2:\n  message=\"abc\"\n  hash=A9993E364706816ABA3E25717850C26C9CD0D89D\n"
                                                 "  iterated 10 times=" + std::string(40, '0') + "\n");
  const std::string files = write("monte.rsp", monte) + " " + others;
  const std::string serial = run("-v -j 1 " + files).out;
  EXPECT_EQ(lastline(serial), "7 passed, 2 failed");
  for (const char* arguments : {"-j 2", "-j 1 --command 'sha1sum {}'", "-j 2 --command 'sha1sum {}'"}) {
    EXPECT_EQ(run("-v " + std::string(arguments) + " " + files).out, serial) << arguments;
  }
  EXPECT_EQ(run("-v -j 2 --command sha1sum " + others).out, run("-v -j 1 " + others).out);
}

// NIST's folder of a vector set: the registration holds no tests, the internal projection holds
// the prompt's tests with their answers; each vsId is checked once, the projection alone too. A
// registration alone is no vector file.
TEST_F(Sha1vectorsProgram, ReadsNistsFolderOfAVectorSet) {
  nlohmann::json projection = testsupport::withoutlargedata(testsupport::acvpsample("prompt.json"));
  const nlohmann::json results = testsupport::withoutlargedata(testsupport::acvpsample("expectedResults.json"));
  for (std::size_t g = 0; g < projection["testGroups"].size(); ++g) {
    for (std::size_t t = 0; t < projection["testGroups"][g]["tests"].size(); ++t) projection["testGroups"][g]["tests"][t].update(results["testGroups"][g]["tests"][t]);
  }
  fs::create_directories(folder_ / "nist");
  write("nist/prompt.json", testsupport::withoutlargedata(testsupport::acvpsample("prompt.json")).dump());
  write("nist/expectedResults.json", results.dump());
  write("nist/internalProjection.json", projection.dump());
  write("nist/registration.json", R"({"algorithm": "SHA-1", "revision": "1.0", "messageLength": [{"min": 0, "max": 65536, "increment": 8}]})");
  const Ran folder = run((folder_ / "nist").string());
  EXPECT_EQ(folder.out, "260 passed, 0 failed\n");
  EXPECT_EQ(folder.status, 0);
  EXPECT_EQ(run((folder_ / "nist" / "internalProjection.json").string()).out, "260 passed, 0 failed\n");
  // Away from its vector set, a registration is a file that yields no vector, beside good files too.
  const Ran registration = run((folder_ / "nist" / "registration.json").string() + " " + write("small.rsp", small_));
  EXPECT_EQ(registration.status, 2);
  EXPECT_NE(registration.err.find("registration.json: holds no vectors"), std::string::npos) << registration.err;
}

// One message that hangs, among 68 at 17 a call: its calls run out of time and are halved until
// it is alone, and only it fails.
TEST_F(Sha1vectorsProgram, AMessageThatHangsFailsAloneInCallsOfMany) {
  const std::string files = write("small.rsp", small_) + " " + testsupport::vectorpath("cavp/SHA1ShortMsg.rsp");
  const Ran r = run("-v -j 1 --timeout 0.5 --command 'if grep -qx abc {}; then sleep 30; fi; sha1sum {}' " + files);
  EXPECT_EQ(lastline(r.out), "67 passed, 1 failed, 1 skipped") << r.out;
  EXPECT_NE(r.out.find("Len = 24: the command did not finish within 0.5 s"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("a call of 17 messages failed or ran out of time as a whole; asking again in calls of 8 and 9"), std::string::npos) << r.err;
}

// Ctrl+C, or any signal that would end it: the calls going on end at once, what was checked is
// told, no temporary file is left, and the status says which signal it was.
TEST_F(Sha1vectorsProgram, AnInterruptedRunStopsAndSaysWhatItChecked) {
  for (const auto& [signal, status] : {std::pair{"INT", 130}, {"QUIT", 131}, {"USR1", 138}}) {
    const auto start = std::chrono::steady_clock::now();
    const Ran r = run("--command 'sleep 20; sha1sum {}' " + write("small.rsp", small_), "timeout --preserve-status -s " + std::string(signal) + " 1");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(r.status, status) << signal;
    EXPECT_EQ(r.out, "0 passed, 0 failed, 1 skipped, 3 not checked\n");
    EXPECT_TRUE(fs::is_empty(folder_ / "tmp")) << "temporary files were left behind after SIG" << signal;
  }
}

TEST_F(Sha1vectorsProgram, AWriteErrorOnTheOutputIsStatus2) {
  const int status = std::system((std::string(SHA1VECTORS_PROGRAM) + " >/dev/full 2>/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
}


// The sample set in both JSON forms, on the engine and through a command that takes files (its
// gibibyte message streamed in); a wrong answer in each group kind is found with its tcId.
TEST_F(Sha1vectorsProgram, ChecksAnAcvpSetInEitherFormAndFindsEachWrongAnswer) {
  const std::string folder = testsupport::vectorpath("acvp");
  EXPECT_EQ(run(folder).out, "261 passed, 0 failed\n");
  EXPECT_EQ(run("--command 'sha1sum {}' " + folder).out, "133 passed, 0 failed, 128 skipped\n");

  nlohmann::json results = testsupport::acvpsample("expectedResults.json");
  std::string tcids;
  for (auto& group : results["testGroups"]) {
    auto& test = group["tests"].back();
    auto& md = test.contains("md") ? test["md"] : test["resultsArray"].back()["md"];
    md = std::string(40, '0');
    tcids += std::to_string(test["tcId"].get<int>()) + " ";
  }
  const auto wire = [](const nlohmann::json& set) { return nlohmann::json::array({{{"acvVersion", "1.0"}}, set}).dump(); };
  // The prompt in acvptool's wrapper, as BoringSSL's test data have it.
  const nlohmann::json acvptool = {{"url", "/acvp/v1/testSessions/1/vectorSets/59825"}, {"vectorSetUrls", {"/acvp/v1/testSessions/1/vectorSets/59825"}}};
  const Ran r = run("-v " + write("prompt.json", nlohmann::json::array({acvptool, testsupport::acvpsample("prompt.json")}).dump()) + " " +
                    write("results.json", wire(results)));
  EXPECT_EQ(lastline(r.out), "256 passed, 5 failed");
  for (std::size_t at = 0, end; (end = tcids.find(' ', at)) != std::string::npos; at = end + 1) {
    EXPECT_NE(r.out.find("FAIL " + (folder_ / "prompt.json").string() + ": tcId " + tcids.substr(at, end - at) + " ("), std::string::npos) << r.out;
  }

  // Unpaired halves are unusable.
  const Ran alone = run(write("other.json", wire(results).replace(wire(results).find("59825"), 5, "59826")) + " " + folder + "/prompt.json");
  EXPECT_EQ(alone.status, 2);
  EXPECT_NE(alone.err.find("the prompt of vsId 59826 is not among the files"), std::string::npos) << alone.err;
  EXPECT_NE(alone.err.find("the expected results of vsId 59825 are not among the files"), std::string::npos) << alone.err;
  // Two answer files that disagree: neither is taken, in either order; the same answers twice are.
  for (const std::string& files : {folder + "/expectedResults.json " + (folder_ / "results.json").string(), (folder_ / "results.json").string() + " " + folder + "/expectedResults.json"}) {
    const Ran both = run(folder + "/prompt.json " + files);
    EXPECT_EQ(both.status, 2) << files;
    EXPECT_NE(both.err.find("its answers to vsId 59825 are not those of"), std::string::npos) << both.err;
  }
  EXPECT_EQ(run(folder + " " + folder + "/expectedResults.json").status, 0);
}

// From a prompt alone: the answers, equal to the published ones; a command that gives none leaves
// the file as it was.
TEST_F(Sha1vectorsProgram, WritesTheAnswersToAPromptAloneWholeOrNotAtAll) {
  const std::string prompt = write("prompt.json", testsupport::withoutlargedata(testsupport::acvpsample("prompt.json")).dump());
  const std::string response = write("response.json", "as it was");
  EXPECT_EQ(run(prompt + " --acvp-response " + response).status, 0);
  std::ifstream in(response);
  const nlohmann::json written = nlohmann::json::parse(in);
  EXPECT_EQ(written[0]["acvVersion"], "1.0");
  EXPECT_EQ(written[1]["vsId"], 59825);
  EXPECT_EQ(written[1]["testGroups"], testsupport::withoutlargedata(testsupport::acvpsample("expectedResults.json"))["testGroups"]);

  // To standard output, "-" or its name: the JSON alone there, the verdicts on standard error.
  for (const char* out : {"-", "/dev/stdout"}) {
    const Ran piped = run(prompt + " --acvp-response " + out);
    EXPECT_EQ(piped.status, 0) << out;
    EXPECT_EQ(nlohmann::json::parse(piped.out, nullptr, false)[1]["testGroups"], written[1]["testGroups"]) << out;
    EXPECT_NE(piped.err.find("0 passed, 0 failed"), std::string::npos) << piped.err;
  }
  // A library whose splits of one message disagree has no answer to give for it (the byte-oriented
  // group alone: such a library takes no other).
  nlohmann::json bytes = testsupport::acvpsample("prompt.json");
  bytes["testGroups"] = nlohmann::json::array({bytes["testGroups"][0]});
  const Ran split = run("--no-long --library " + std::string(FAULTY_LIBRARIES) + "/faultysha1-lostdata.so " + write("bytes.json", bytes.dump()) +
                        " --acvp-response " + response);
  EXPECT_EQ(split.status, 1);
  EXPECT_NE(split.err.find("no response written: the implementation gave different digests for the same message given in different splits, for tcId "),
            std::string::npos) << split.err;

  write("response.json", "as it was");
  const Ran failing = run("--command false " + prompt + " --acvp-response " + response);
  EXPECT_EQ(failing.status, 1);
  EXPECT_NE(failing.err.find("no response written: no answer for tcId"), std::string::npos) << failing.err;
  std::ifstream unchanged(response);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(unchanged), {}), "as it was");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 5) << "prompt.json, bytes.json, response.json, stderr and tmp only";

  // Through a link to a file elsewhere: that file is replaced and keeps its mode, the link stays.
  fs::create_directories(folder_ / "elsewhere");
  const fs::path real = write("elsewhere/real.json", "old"), link = folder_ / "link.json";
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(real, mode);
  fs::create_symlink(real, link);
  EXPECT_EQ(run(prompt + " --acvp-response " + link.string()).status, 0);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::status(real).permissions(), mode);
  EXPECT_GT(fs::file_size(real), 1000U);
  // A device is written to, never replaced (a node of the null device of our own, where we may make
  // one, so that a fault cannot replace the system's); a folder is refused, as a wrong call.
  const fs::path device = folder_ / "null";
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    EXPECT_EQ(run(prompt + " --acvp-response " + device.string()).status, 0);
    EXPECT_TRUE(fs::is_character_file(device));
  }
  EXPECT_EQ(run(prompt + " --acvp-response " + (folder_ / "elsewhere").string()).status, 2);
  // So is a file that is read, under any name: it would be lost.
  fs::copy(prompt, folder_ / "elsewhere" / "prompt.json");
  const Ran over = run((folder_ / "elsewhere").string() + " --acvp-response " + (folder_ / "elsewhere" / "." / "prompt.json").string());
  EXPECT_EQ(over.status, 2);
  EXPECT_NE(over.err.find("which is read"), std::string::npos) << over.err;
  EXPECT_EQ(fs::file_size(folder_ / "elsewhere" / "prompt.json"), fs::file_size(prompt));
}

// A wrong digest that a classic mistake gives is named as that mistake; a right one in a form no
// tool reads is said to be right.
TEST_F(Sha1vectorsProgram, NamesTheClassicMistakeBehindEachWrongDigest) {
  const std::string file = write("small.rsp", small_);
  const std::string swapped = write("swapped.sh", "sha1sum | cut -c1-40 | sed 's/\\(..\\)\\(..\\)\\(..\\)\\(..\\)/\\4\\3\\2\\1/g'\n");
  const Ran wrong = run("--verbose --command 'sh " + swapped + "' " + file);
  EXPECT_NE(wrong.out.find("FAIL " + file + ":11: Len = 24\n  expected a9993e36"), std::string::npos) << wrong.out;
  std::size_t named = 0;
  for (std::size_t at = 0; (at = wrong.out.find("likely cause: the digest's words are written little-endian", at)) != std::string::npos; ++at) ++named;
  EXPECT_EQ(named, 3U) << wrong.out;
  // Right, but in a form no tool reads as a digest: that is no mistake in SHA-1.
  const std::string colons = write("colons.sh", "sha1sum | cut -c1-40 | sed 's/../&:/g'\n");
  const Ran misprinted = run("--verbose --command 'sh " + colons + "' " + file);
  EXPECT_NE(misprinted.out.find("printed no digest: \"a9:99:3e"), std::string::npos) << misprinted.out;
  EXPECT_NE(misprinted.out.find("likely cause: none in SHA-1: the digest is right"), std::string::npos) << misprinted.out;
}

// The README's worked example: a SHA-1 written apart from ours, with SHA-0's slip, found by its
// digests and by its trace.
TEST_F(Sha1vectorsProgram, FindsTheSlipInTheWorkedExampleByDigestAndByTrace) {
  const Ran checked = run("--verbose --command " + std::string(MYSHA1_PROGRAM) + " " + write("small.rsp", small_));
  EXPECT_EQ(checked.status, 1);
  EXPECT_NE(checked.out.find("computed 0164b8a914cd2a5e74c4f7ff082c4d97f1edf880"), std::string::npos) << "NIST's SHA-0 of \"abc\"\n" << checked.out;
  EXPECT_NE(checked.out.find("likely cause: SHA-0"), std::string::npos) << checked.out;
  const std::string mine = (folder_ / "mine.txt").string();
  ASSERT_EQ(std::system(("printf abc | " + std::string(MYSHA1_PROGRAM) + " --trace >" + mine).c_str()), 0);
  const Ran compared = run("--trace abc --trace-compare " + mine);
  EXPECT_EQ(compared.status, 1);
  // SHA-0 and SHA-1 part where the schedule first rotates: W[16] makes round 16's a.
  EXPECT_TRUE(compared.out.starts_with("the traces part at block 1 of 1, round t=16 (line 17 of yours)\n")) << compared.out;
  EXPECT_NE(compared.out.find("\nlikely cause: SHA-0"), std::string::npos) << compared.out;
}

// Libraries of OpenSSL's interface, each with one fault real ones have shipped, and the real
// Whether done holds within a few seconds, looking every 10 ms.
bool waitfor(const std::function<bool()>& done) {
  for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
    if (done()) return true;
  }
  return done();
}

// Busy loops on processor 0 while it lives, so that whatever else runs there gets a quarter of it.
class BusyProcessor {
 public:
  BusyProcessor() {
    for (pid_t& loop : loops_) {
      if ((loop = ::fork()) == 0) {
        ::execlp("taskset", "taskset", "-c", "0", "sh", "-c", "while :; do :; done", static_cast<char*>(nullptr));
        ::_exit(127);
      }
    }
  }
  ~BusyProcessor() {
    for (const pid_t loop : loops_) {
      ::kill(loop, SIGKILL);
      ::waitpid(loop, nullptr, 0);
    }
  }
  BusyProcessor(const BusyProcessor&) = delete;
  BusyProcessor& operator=(const BusyProcessor&) = delete;

 private:
  pid_t loops_[3]{};
};

// The machine's load is not the implementation's: on a processor shared four ways, a correct
// library (its long messages included: one update of 4 GiB is one call) and a correct command that works for
// a while pass on a tight --timeout, while one that spins, sleeps or hangs still fails for it.
TEST_F(Sha1vectorsProgram, AScarceProcessorFailsNoCorrectImplementation) {
  const BusyProcessor busy;
  const std::string pinned = "taskset -c 0", short_ = testsupport::vectorpath("cavp/SHA1ShortMsg.rsp");
  const std::string libraries = std::string(FAULTY_LIBRARIES) + "/faultysha1-";
  const Ran library = run("--timeout 0.3 --library " + libraries + "correct.so " + short_, pinned);
  EXPECT_EQ(library.out, "67 passed, 0 failed\n") << "the long messages too";
  const std::string one = write("one.rsp", small_.substr(0, small_.find("Len = 8")));
  ASSERT_EQ(::mkfifo((folder_ / "in").c_str(), 0600), 0) << "input that never comes";
  const std::string working = "i=0; while [ $i -lt 150000 ]; do i=$((i+1)); done; sha1sum";  // a tenth of a second alone
  EXPECT_EQ(run("--timeout 0.3 --command '" + working + "' " + one, pinned).out, "1 passed, 0 failed\n");
  const struct {
    std::string options, says;
  } stuck[] = {
      {"--command 'while :; do :; done' " + one, "Len = 0: the command did not finish within 0.3 s"},
      {"--command 'sleep 30' " + one, "Len = 0: the command did not finish within 0.3 s"},
      {"--command 'sha1sum >/dev/null; read line <" + (folder_ / "in").string() + "' " + one, "Len = 0: the command did not finish within 0.3 s"},
      {"--no-long --library " + libraries + "hang.so " + short_, "Len = 504: the library did not finish within 0.3 s (one call of SHA1())"},
  };
  for (const auto& c : stuck) {
    const Ran r = run("--timeout 0.3 " + c.options, pinned);
    EXPECT_EQ(r.status, 1) << c.options;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.options << "\n" << r.out.substr(0, 2000);
  }
}

// OpenSSL and Nettle: what the run says of each.
TEST_F(Sha1vectorsProgram, ChecksALibraryAndNamesTheCallThatWentWrong) {
  const std::string cavp = std::string(SHA1TESTER_VECTOR_DIR) + "/cavp/";
  const std::string files = cavp + "SHA1ShortMsg.rsp " + cavp + "SHA1LongMsg.rsp " + cavp + "SHA1Monte.rsp";  // chains run in the worker
  const struct {
    std::string library, options;
    int status;
    std::string says;
  } cases[] = {
      {"correct", "", 0, "long-message check"},  // the long message included
      {"counter32", "", 1, "likely cause: the bit count is kept in 32 bits"},
      {"lostdata", "--no-long", 1, ": updates of 1, 162 bytes\n"},
      // Only one update of the long message, from memory mapped again and again, meets these two.
      {"length32", "", 1, "likely cause: one update's length is made a bit count in 32 bits (len << 3)"},
      {"narrow", "", 1, "likely cause: the length is taken in 32 bits (an unsigned int where size_t belongs)"},
      {"highlost", "", 1, "likely cause: one update's length loses its top 32 bits in the count"},
      {"badpad", "--no-long", 1, "likely cause: with 56 to 63 bytes in the last block the padding adds no block"},
      {"bigdigest", "--no-long", 1, "the library wrote 12 bytes past the 20-byte digest (one call of SHA1())"},
      {"zerocrash", "--no-long", 1, "Len = 8: the library crashed: signal 11 (SIGSEGV, Segmentation fault) (updates of 0, 1, 0 bytes; in update 1, SHA1_Update())"},
      {"hang", "--no-long --timeout 0.5", 1, "Len = 504: the library did not finish within 0.5 s (one call of SHA1())"},
      {"oneshot", "--no-long", 1, "Len = 512: one call of SHA1()\n"},
      {"pipewrite", "--no-long", 1, "Len = 24: the library wrote into the worker's answer pipe, garbling its answer ("},
      {"ordigest", "--no-long", 1, "Len = 0\n  expected da39a3ee"},  // right only on zeroed memory: the buffers are not zeroed
      {"emptylast", "--no-long", 1, "Len = 8: the library crashed: signal 11 (SIGSEGV, Segmentation fault) (updates of 0, 1, 0 bytes; in update 3, SHA1_Update())"},
      {"needsupdate", "--no-long", 0, " passed, 0 failed\n"},  // the empty message too gets its update
      {"changesinput", "--no-long", 1, "Len = 512: the library changed the message bytes it was given: SHA1() wrote into its input (one call of SHA1())"},
      {"blockat55", "--no-long", 1, "likely cause: with exactly 55 bytes in the last block the padding adds a block"},
      {"cstring", "--no-long", 1, "likely cause: the message is taken as a C string"},
      {"smallsplit", "--no-long", 1, "SHA1Monte.rsp:10: COUNT = 0: hash 1 of the chain, updates of 1, 1, 1, "},  // a chain's first hash in splits
  };
  for (const auto& c : cases) {
    const std::string library = c.library.find(".so") != std::string::npos ? c.library : std::string(FAULTY_LIBRARIES) + "/faultysha1-" + c.library + ".so";
    const Ran r = run("--verbose --seed 1 --library " + library + " " + c.options + " " + files);
    EXPECT_EQ(r.status, c.status) << c.library << "\n" << r.err;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.library << ": " << r.out.substr(0, 2000);
  }
  // Our own interface, with the ending that takes bits: bit-oriented vectors are checked, none skipped.
  // With ACVP's alternate Monte Carlo test alone (its chain cuts every message to the seed's bits).
  const auto alternate = [](nlohmann::json set) {
    auto& groups = set["testGroups"];
    groups.erase(std::remove_if(groups.begin(), groups.end(), [](const nlohmann::json& group) { return group["tgId"] != 4; }), groups.end());
    return set.dump();
  };
  const std::string prompt = write("prompt.json", alternate(testsupport::acvpsample("prompt.json")));
  const std::string results = write("expectedResults.json", alternate(testsupport::acvpsample("expectedResults.json")));
  const std::string cavpbit = std::string(SHA1TESTER_VECTOR_DIR) + "/cavp-bit/";
  const Ran bits = run("--library " + std::string(FAULTY_LIBRARIES) + "/ownabi.so --no-long " + cavpbit + "SHA1ShortMsg.rsp " + cavpbit + "SHA1Monte.rsp " +
                       prompt + " " + results);
  EXPECT_EQ(bits.status, 0);
  EXPECT_EQ(bits.out, "713 passed, 0 failed\n");
  // What cannot be checked at all is unusable input.
  for (const std::string& wrong : {"--library " + (folder_ / "missing.so").string(), std::string("--library libc.so.6"), std::string("--library libcrypto.so.3 --abi nettle"),
                                  std::string("--library libcrypto.so.3 --symbols SHA1_Update"), std::string("--library libcrypto.so.3 --command sha1sum")}) {
    EXPECT_EQ(run(wrong).status, 2) << wrong;
  }
  // The long message's digest fits a 32-bit count and a length written in one byte alike: the cause
  // named is the one that fits the short messages that failed before it.
  const Ran lowbyte = run("--library " + std::string(FAULTY_LIBRARIES) + "/faultysha1-lowbyte.so " + cavp + "SHA1ShortMsg.rsp");
  EXPECT_NE(lowbyte.out.find("likely cause: only the length's low byte is written"), std::string::npos);
  EXPECT_EQ(lowbyte.out.find("kept in 32 bits"), std::string::npos) << lowbyte.out.substr(lowbyte.out.size() - 1000);
  // The long message meets a half-full buffer: data lost there is found past 2^32 bits too.
  EXPECT_NE(run("--library " + std::string(FAULTY_LIBRARIES) + "/faultysha1-lostdata.so " + cavp + "SHA1ShortMsg.rsp").out.find("FAIL long-message check: "),
            std::string::npos);
  // A chain: a crash at its sixth hash is told there; a slow one (0.2 s a hash) is no hang.
  const std::string iterated = write("iterated.txt", "Set 1, vector#  2:\n  message=\"abc\"\n  hash=A9993E364706816ABA3E25717850C26C9CD0D89D\n"
                                                     "  iterated 10 times=94EBC0D3C81B61EB98670666F5FDE68560C4E165\n");
  EXPECT_NE(run("--no-long --library " + std::string(FAULTY_LIBRARIES) + "/faultysha1-chaincrash.so " + iterated).out.find(
                "iterated 10 times: iteration 6: the library crashed: signal 11"),
            std::string::npos);
  EXPECT_EQ(run("--no-long --timeout 0.5 --library " + std::string(FAULTY_LIBRARIES) + "/faultysha1-slowend.so " + iterated).out, "2 passed, 0 failed\n");
  // A slow library is failed for a slow call, not for a message's many calls; a worker that ends in
  // a call is told with that call.
  const std::string hundred = write("hundred.rsp", "Len = 800\nMsg = " + std::string(200, 'a') + "\nMD = 7a86b804961d5d32c3413afa060bfcdb6b20ddcc\n");
  const std::string libs = std::string(FAULTY_LIBRARIES) + "/faultysha1-";
  EXPECT_EQ(run("--no-long --timeout 0.5 --library " + libs + "slowend.so " + hundred).out, "1 passed, 0 failed\n") << "thirteen calls of 0.2 s";
  EXPECT_NE(run("--no-long --seed 1 --library " + libs + "exits.so " + hundred).out.find(
                "Len = 800: the worker ended with status 0 (updates of 1, 99 bytes; in update 2, SHA1_Update())"),
            std::string::npos);

  // What the library starts, in the worker's process group or in a session of its own, ends with
  // the run.
  const std::string pids = (folder_ / "pids").string();
  EXPECT_EQ(run("--no-long --library " + std::string(FAULTY_LIBRARIES) + "/faultysha1-forks.so " + cavp + "SHA1ShortMsg.rsp", "FAULTY_PIDS=" + pids).status, 0);
  std::ifstream recorded(pids);
  int left = 0;
  for (pid_t pid; recorded >> pid; ++left) {
    EXPECT_TRUE(waitfor([pid] { return ::kill(pid, 0) != 0; })) << "process " << pid << " outlived the run";
  }
  EXPECT_GE(left, 2);
}

// Debian's SHA-1 libraries are each found by their own interface, not a dependency's, and pass; the
// kernel's, where the system refuses it, is told once, before any vector.
TEST_F(Sha1vectorsProgram, DebiansLibrariesPassThroughTheirOwnInterfaces) {
  const std::string cavp = std::string(SHA1TESTER_VECTOR_DIR) + "/cavp/";
  const std::string files = cavp + "SHA1ShortMsg.rsp " + cavp + "SHA1Monte.rsp";
  const struct {
    std::string library, has;
  } libraries[] = {
      {"libcrypto.so.3", "OpenSSL's interface"},          {"libnettle.so.8", "Nettle's interface"},
      {"libmd.so.0", "libmd's (BSD) interface"},           {"libmbedcrypto.so.7", "mbed TLS 2's interface"},
      {"libwolfssl.so.35", "wolfSSL's interface"},         {"libgcrypt.so.20", "libgcrypt's interface"},
      {"libtomcrypt.so.1", "LibTomCrypt's interface"},     {"librhash.so.0", "RHash's interface"},
      {"libglib-2.0.so.0", "GLib's GChecksum"},            {"libgnutls.so.30", "GnuTLS's interface"},
      {"libbotan-2.so.19", "Botan's C interface"},
  };
  for (const auto& l : libraries) {
    const Ran r = run("--verbose --no-long --seed 1 --library " + l.library + " " + files);
    EXPECT_EQ(r.status, 0) << l.library << "\n" << r.err;
    EXPECT_NE(r.err.find(l.library + " has " + l.has + ":"), std::string::npos) << r.err;
    EXPECT_EQ(lastline(r.out), "165 passed, 0 failed") << l.library;
  }
  const Ran kernel = run("--no-long --library libkcapi.so.1 " + files);
  if (kernel.status != 0) {
    EXPECT_EQ(kernel.status, 2);
    EXPECT_NE(kernel.err.find("libkcapi.so.1: cannot hash here: given \"abc\", kcapi_md_init() returned "), std::string::npos) << kernel.err;
    EXPECT_LE(std::count(kernel.err.begin(), kernel.err.end(), '\n'), 3) << kernel.err;
  }
}

// An interface no row has, described on the command line or in a file: checked as a known one is;
// what looks like a wrong description is said to be one.
TEST_F(Sha1vectorsProgram, ChecksADescribedInterfaceAndTellsAWrongDescription) {
  const std::string cavp = std::string(SHA1TESTER_VECTOR_DIR) + "/cavp/";
  const std::string other = "--no-long --seed 1 --library " + std::string(FAULTY_LIBRARIES) + "/otherabi.so --interface ";
  const std::string right = "setup other_init(ctx); begin other_start(ctx) == 0; update other_add(ctx, data, len) == 0; end other_result(ctx, digest) == 0";
  const std::string file = write("other.interface", "# the library's own words\nsetup other_init(ctx)\nbegin other_start(ctx) == 0\n"
                                                    "update other_add(ctx, data, len) == 0\nend other_result(ctx, digest) == 0  # context first\ncontext 100\n");
  const struct {
    std::string call;
    int status;
    std::string says;
  } cases[] = {
      {other + "'" + right + "; context 100' " + cavp + "SHA1ShortMsg.rsp", 0, "65 passed, 0 failed\n"},
      {other + file + " " + cavp + "SHA1ShortMsg.rsp", 0, "65 passed, 0 failed\n"},
      // It refuses updates past 4 KiB: the call, its update and what it returned are named.
      {other + file + " " + cavp + "SHA1LongMsg.rsp", 1, "Len = 32984: a call failed: other_add() returned -1 (success: == 0) in update 1 (one update)"},
      {other + "'" + right + "; context 16' " + cavp + "SHA1ShortMsg.rsp", 1,
       "past the context (16 bytes, as described); if it does on every message, the description's context size is probably too small"},
      {other + "'setup other_init(ctx); begin other_start(ctx); update other_add(ctx, data, len); end other_result(digest, ctx); context 100' " + cavp +
           "SHA1ShortMsg.rsp",
       1,
       "past the 20-byte digest; if it does on every message, the description probably gives digest where"},
      {other + "'" + right + "; context 100' --abi openssl", 2, "--abi excludes --interface"},
      // Without the setup, the start refuses: told once, before any vector.
      {other + "'begin other_start(ctx) == 0; update other_add(ctx, data, len); end other_result(ctx, digest); context 100' " + cavp + "SHA1ShortMsg.rsp", 2,
       "cannot hash here: given \"abc\", other_start() returned -1 (success: == 0) (nothing was checked)"},
      // LibTomCrypt's end takes the context first: given OpenSSL's order it writes nothing.
      {"--no-long --library libtomcrypt.so.1 --interface 'begin sha1_init(ctx); update sha1_process(ctx, data, len); end sha1_done(digest, ctx); context 96' " +
           cavp + "SHA1ShortMsg.rsp",
       1, "the digest was never written: its 20 bytes are still the fill pattern CC; is digest the argument where the end writes it?"},
      {other + "'begin other_start(ctx); update other_add(ctx, data); end other_result(ctx, digest); context 96'", 2,
       "--interface: \"update other_add(ctx, data)\": it must be given data and len"},
      {other + "missing.interface", 2, "--interface missing.interface: no description (it has no brackets) and no file of one"},
  };
  for (const auto& c : cases) {
    const Ran r = run(c.call);
    EXPECT_EQ(r.status, c.status) << c.call << "\n" << r.err;
    EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << c.call << ": " << (r.out + r.err).substr(0, 2000);
  }
}

// --probe on a system library: a built-in interface needs no description, and libc has no SHA-1.
// (The libraries of interfaces of their own are probed in everysystem_test.cpp.)
TEST_F(Sha1vectorsProgram, ProbeFindsHowToCallALibraryAndPrintsTheLineThatChecksIt) {
  const std::string shortmsg = std::string(SHA1TESTER_VECTOR_DIR) + "/cavp/SHA1ShortMsg.rsp";
  const Ran probed = run("--probe --library libcrypto.so.3");
  EXPECT_EQ(probed.status, 0) << probed.err;
  EXPECT_NE(probed.out.find("sha1vectors --library 'libcrypto.so.3'\n"), std::string::npos) << probed.out << probed.err;
  const Ran none = run("--probe --library libc.so.6");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("ways tried gives SHA-1's digest: describe the interface with --interface"), std::string::npos) << none.err;
  EXPECT_EQ(run("--probe --library libcrypto.so.3 " + shortmsg).status, 2) << "it checks nothing";
}

// A file that holds no vectors is unusable, not a run with nothing to check.
TEST_F(Sha1vectorsProgram, AFileWithoutVectorsIsUnusable) {
  const Ran r = run(write("none.rsp", "# CAVS 11.0\n# nothing here\n"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("none.rsp: holds no test vectors"), std::string::npos) << r.err;
}

// Refused, with the reason: what a script with an unset variable runs, a folder or a pipe named
// bare, a rename of no function, a seed past 64 bits, random messages with nothing to check.
TEST_F(Sha1vectorsProgram, RefusesACallThatChecksNothingAndSaysWhy) {
  ASSERT_EQ(::mkfifo((folder_ / "pipe").c_str(), 0600), 0);
  const struct {
    std::string call, says;
  } refused[] = {
      {"--library ''", "--library needs the path of a library"},
      {"--library tmp", "./tmp is a folder, not a library"},
      {"--library pipe", "./pipe is not a regular file"},
      {"--library libcrypto.so.3 --symbols NoSuch=x", "--symbols: NoSuch=x renames no interface's functions"},
      {"--library libcrypto.so.3 --abi openssl --symbols NoSuch=x", "--symbols: \"NoSuch\" is no function of OpenSSL's interface"},
      {"--library libcrypto.so.3 --seed 99999999999999999999", "--seed: must be a whole number from 0 to 18446744073709551615"},
      {"--random 5", "name it with --library, --harness or --command"},
      {"--library " + std::string(FAULTY_LIBRARIES) + "/reexport.so",  // the dependency's SHA-1 is not the library's
       "has no SHA-1 of its own: OpenSSL's interface (SHA1_Init, ...) comes from " + std::string(FAULTY_LIBRARIES) + "/faultysha1-correct.so"},
      {"--harness ' '", "--harness needs a command to run"},
      {"--harness cat --library libcrypto.so.3", "--library excludes --harness"},
      {"--abi sha1abi --library " + std::string(FAULTY_LIBRARIES) + "/ownabi-hugecontext.so", "says its context takes 1099511627776 bytes (sha1abi_context_size()), not 1 byte to 1 MiB"},
  };
  for (const auto& c : refused) {
    const Ran r = run(c.call, "cd " + folder_.string() + " &&");
    EXPECT_EQ(r.status, 2) << c.call;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.call << ": " << r.err;
  }
}

// Random messages find a fault the published sets miss, shrink it to the shortest message, and
// give a record that fails again when checked as a file.
TEST_F(Sha1vectorsProgram, RandomMessagesFindAFaultAndShrinkItToARecordThatChecksAgain) {
  const std::string lostdata = std::string(FAULTY_LIBRARIES) + "/faultysha1-lostdata.so";
  const Ran found = run("--random 2000 --seed 3 --library " + lostdata);
  EXPECT_EQ(found.status, 1);
  // 65 bytes: the shortest that one byte and then the rest carries past a block's end.
  EXPECT_NE(found.out.find("shrunk: Len = 520: updates of 1, 64 bytes\n"), std::string::npos) << found.out;
  EXPECT_NE(found.out.find("Msg = " + std::string(130, '0') + "\n"), std::string::npos) << "the simplest bytes: " << found.out;
  const auto record = found.out.find("[L = 20]");
  ASSERT_NE(record, std::string::npos) << found.out;
  const std::string saved = write("found.rsp", found.out.substr(record, found.out.rfind("MD = ") + 46 - record));
  EXPECT_EQ(lastline(run("--library " + lostdata + " --no-long " + saved).out), "0 passed, 1 failed");
  EXPECT_EQ(run(saved).out, "1 passed, 0 failed\n") << "the record holds SHA-1's own digest";
  // Through a command, and where the library is right.
  const Ran sha0 = run("--random 50 --seed 3 --command " + std::string(MYSHA1_PROGRAM));
  EXPECT_NE(sha0.out.find("shrunk: Len = 0\n"), std::string::npos) << sha0.out;
  EXPECT_EQ(run("--random 2000 --library " + std::string(FAULTY_LIBRARIES) + "/faultysha1-correct.so").out, "2000 passed, 0 failed\n");
  EXPECT_EQ(run("--random 5 " + saved).status, 2) << "random messages or FILEs, not both";
  // A fault of one byte value anywhere shrinks to that byte alone, cut from both ends; one of length
  // only, past 512 KiB, to its shortest failing length in a few halvings, not one call a length;
  // the same seed finds the same with any number of jobs.
  const std::string libs = std::string(FAULTY_LIBRARIES) + "/faultysha1-";
  const Ran byte = run("--random 200 --seed 5 --library " + libs + "byteab.so");
  EXPECT_NE(byte.out.find("shrunk: Len = 8\n"), std::string::npos) << byte.out;
  EXPECT_NE(byte.out.find("\nMsg = ab\n"), std::string::npos) << byte.out;
  // Where the fault needs a length and a byte, the byte stays and the others go to zero.
  const Ran both = run("--random 200 --seed 5 --library " + libs + "longab.so");
  const auto msg = both.out.find("\nMsg = ");
  ASSERT_NE(msg, std::string::npos) << both.out;
  std::string pairs = both.out.substr(msg + 7, 130);
  EXPECT_EQ(std::count(pairs.begin(), pairs.end(), 'a'), 1) << pairs;
  pairs.erase(std::remove(pairs.begin(), pairs.end(), '0'), pairs.end());
  EXPECT_EQ(pairs, "ab") << "65 bytes, one of them 0xAB and the rest zero: " << both.out;
  const Ran long_ = run("--random 40 --seed 1 --max-length 1048576 --library " + libs + "past512k.so");
  EXPECT_NE(long_.out.find("shrunk: Len = 4194312"), std::string::npos) << long_.out.substr(0, 300);
  for (const char* jobs : {"-j 1", "-j 8"}) {
    EXPECT_EQ(run("--random 2000 --seed 3 " + std::string(jobs) + " --library " + lostdata).out, found.out) << jobs;
  }
  // An implementation that takes text: the NUL it cannot take is not what is found, and the fault
  // it has shrinks to text ("a"), not to zeros.
  EXPECT_NE(run("--random 2000 --seed 3 --library " + libs + "cstring.so").out.find("\nMsg = 00\n"), std::string::npos);
  for (const char* bytes : {"nonzero", "printable"}) {
    EXPECT_EQ(run("--random 2000 --seed 3 --random-bytes " + std::string(bytes) + " --library " + libs + "cstring.so").out, "2000 passed, 0 failed\n") << bytes;
  }
  std::string as;
  for (int i = 0; i < 65; ++i) as += "61";
  const Ran text = run("--random 2000 --seed 3 --random-bytes printable --library " + lostdata);
  EXPECT_NE(text.out.find("\nMsg = " + as + "\n"), std::string::npos) << text.out;
}

// A trace of text is the trace of its Windows-1252 bytes; what cannot be read is a wrong call.
TEST_F(Sha1vectorsProgram, TracesOneMessageGivenAsTextOrAsHex) {
  const Ran text = run("--trace 'ab\xC3\xA9'");  // "abé", as a UTF-8 terminal gives it
  EXPECT_EQ(text.status, 0);
  EXPECT_NE(text.out.find("W[0] = 6162E980\n"), std::string::npos) << text.out.substr(0, 300);
  EXPECT_EQ(run("--trace-hex '61 62 E9'").out, text.out);
  for (const char* wrong : {"--trace-hex 6g", "--trace-hex 616", "--trace '\xE4\xB8\xAD'", "--trace abc x.rsp", "--trace a --trace-hex 61"}) {
    EXPECT_EQ(run(wrong).status, 2) << wrong;
  }
  // Compared: agreeing, parting, and no trace at all; the message is needed.
  std::string traced = text.out;
  EXPECT_EQ(run("--trace-hex 6162E9 --trace-compare " + write("same.txt", traced)).status, 0);
  traced[traced.find("t=79: ") + 6] ^= 1;
  const Ran parted = run("--trace-hex 6162E9 --trace-compare - <" + write("parted.txt", traced));
  EXPECT_EQ(parted.status, 1);
  EXPECT_TRUE(parted.out.starts_with("the traces part at block 1 of 1, round t=79")) << parted.out;
  for (const std::string& wrong : {"--trace abc --trace-compare " + write("none.txt", "no rounds here\n"), "--trace abc --trace-compare " + (folder_ / "missing").string(),
                                   "--trace-compare " + write("alone.txt", text.out)}) {
    EXPECT_EQ(run(wrong).status, 2) << wrong;
  }
}

// The shipped harnesses pass every shipped vector file (their bit-oriented vectors skipped), the
// long message and random messages, every split included.
TEST_F(Sha1vectorsProgram, TheExampleHarnessesPassEverything) {
  const std::string vectors = std::string(SHA1TESTER_VECTOR_DIR);
  const std::string files = vectors + "/cavp/*.rsp " + vectors + "/nessie/* " + vectors + "/acvp";
  for (const std::string harness : {"python3 " EXAMPLE_HARNESSES "/sha1_harness.py", "node " EXAMPLE_HARNESSES "/sha1_harness.js"}) {
    const Ran all = run("--harness '" + harness + "' " + files);
    EXPECT_EQ(lastline(all.out), "1014 passed, 0 failed, 1024 skipped") << harness << "\n" << all.out << all.err;
    EXPECT_EQ(run("--quiet --random 2000 --harness '" + harness + "'").out, "2000 passed, 0 failed\n") << harness;
  }
}

// A harness over a SHA-1 with a classic fault fails, with the way that shows it named.
TEST_F(Sha1vectorsProgram, AFaultyImplementationBehindAHarnessIsCaught) {
  const std::string vectors = std::string(SHA1TESTER_VECTOR_DIR);
  const Ran lost = run("--no-long --harness 'python3 " FAULTY_HARNESSES "/faultysha1.py lostbyte' " + vectors + "/cavp/SHA1LongMsg.rsp");
  EXPECT_EQ(lost.status, 1);
  EXPECT_NE(lost.out.find(": updates of 1, "), std::string::npos) << lost.out;
  const Ran counted = run("--harness 'node " FAULTY_HARNESSES "/faultysha1.js bitcount32' " + write("small.rsp", small_));
  EXPECT_NE(counted.out.find("FAIL long-message check"), std::string::npos) << counted.out;
  EXPECT_NE(counted.out.find("likely cause: the bit count is kept in 32 bits"), std::string::npos) << counted.out;
  EXPECT_EQ(lastline(counted.out), "3 passed, 1 failed, 1 skipped");
}

// A harness that ends, hangs, prints garbage or answers another end is told so, naming the call;
// one that cannot answer the empty message is refused before anything is checked.
TEST_F(Sha1vectorsProgram, AHarnessThatGoesWrongIsToldSo) {
  const std::string file = write("small.rsp", small_);
  const struct {
    std::string fault, timeout, said;
  } cases[] = {
      {"exits", "10", "the harness ended with status 5 (one update)"},
      {"hangs", "0.3", "the harness did not finish within 0.3 s (one update)"},
      {"garbage", "10", "the harness answered \"hello\" to end 2, not 40 hex digits, a blank and 2 (one update)"},
      {"renumbers", "10", "the harness answered \"da39a3ee5e6b4b0d3255bfef95601890afd80709 1\" to end 2, not 40 hex digits, a blank and 2"},
      {"closes", "10", "the harness ended with status 0 (one update)"},
  };
  for (const auto& c : cases) {
    const Ran r = run("--no-long --timeout " + c.timeout + " --harness 'python3 " FAULTY_HARNESSES "/faultysha1.py " + c.fault + "' " + file);
    EXPECT_EQ(r.status, 1) << c.fault;
    EXPECT_NE(r.out.find("Len = 0: " + c.said), std::string::npos) << c.fault << "\n" << r.out;
    EXPECT_EQ(lastline(r.out), "0 passed, 3 failed, 1 skipped") << c.fault;
  }
  // Starting is no call: an interpreter slow to start (cold caches on a busy machine) is not failed
  // for a call's --timeout.
  const Ran slow = run("--no-long --timeout 0.3 --harness 'python3 " FAULTY_HARNESSES "/faultysha1.py slowstart' " + file);
  EXPECT_EQ(lastline(slow.out), "3 passed, 0 failed, 1 skipped") << slow.err;
  const Ran missing = run("--harness no-such-harness " + file);
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("--harness no-such-harness: the harness ended with status 127, asked for the empty message's digest"), std::string::npos) << missing.err;
  const Ran wrong = run("--harness 'echo 0000000000000000000000000000000000000000 1; cat >/dev/null' " + file);
  EXPECT_NE(wrong.err.find("answered a wrong digest for the empty message"), std::string::npos) << wrong.err;
}

}  // namespace
