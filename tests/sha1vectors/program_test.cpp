// The published vector sets on our engine, and the sha1vectors program as a user runs it.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "support/vectorfiles.h"
#include "sha1vectors/readers/acvp.h"
#include "sha1vectors/checking/checking.h"
#include "sha1vectors/implementations/command.h"
#include "sha1vectors/readers/vectorfile.h"

namespace {

namespace fs = std::filesystem;
using sha1vectors::Verdict;

struct FileSet {
  const char* path;
  std::size_t vectors;
};

// "cavp_SHA1ShortMsg_rsp" rather than the parameter's bytes.
std::string setname(const ::testing::TestParamInfo<FileSet>& info) {
  std::string name = info.param.path;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

class PublishedSet : public ::testing::TestWithParam<FileSet> {};

TEST_P(PublishedSet, EveryVectorPassesOnTheEngine) {
  const auto vectors = sha1vectors::readvectorfile(testsupport::vectorpath(GetParam().path));
  EXPECT_EQ(vectors.size(), GetParam().vectors);
  sha1vectors::Engine engine;
  for (const auto& vector : vectors) {
    const Verdict verdict = sha1vectors::check(vector, engine);
    ASSERT_EQ(verdict.status, Verdict::Status::passed) << vector.file << ":" << vector.line << ": " << vector.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, PublishedSet,
    ::testing::Values(FileSet{"cavp/SHA1ShortMsg.rsp", 65}, FileSet{"cavp/SHA1LongMsg.rsp", 64},
                      FileSet{"cavp/SHA1Monte.rsp", 100}, FileSet{"cavp-bit/SHA1ShortMsg.rsp", 513},
                      FileSet{"cavp-bit/SHA1LongMsg.rsp", 512}, FileSet{"cavp-bit/SHA1Monte.rsp", 100},
                      // 1546 digests and the iterated one
                      FileSet{"nessie/nessie-Sha-1-160.test-vectors", 1547}),
    setname);

// Each file is one bad record after a good one: the whole file is refused, naming the line.
TEST(VectorFile, MalformedRecordsAreRefusedWithTheirLine) {
  const std::string good = "Len = 8\nMsg = 61\nMD = 86f7e437faa5a7fce15d1ddcb9eaeaea377667b8\n\n";
  const std::string abc = "MD = a9993e364706816aba3e25717850c26c9cd0d89d\n";
  const std::string nessie = "Set 1, vector#  0:\n  message=\"abc\"\n  hash=A9993E364706816ABA3E25717850C26C9CD0D89D\n\n";
  struct Case { std::string content, problem; };
  for (const auto& c : {
           Case{good + "[L = 32]\n", ":5: \"[L = 32]\" is not a SHA-1 section"},
           Case{good + "Len = 32\nMsg = 616263\n" + abc, ":6: Msg holds 24 bits, fewer than Len = 32"},
           Case{good + "Len = 8\nMsg = 6162\n" + abc, ":6: Msg holds 16 bits, more than Len = 8 needs"},
           // Echoed text is cut short and escaped.
           Case{good + std::string(100'000, 'x') + "\n", ":5: expected \"Name = value\", found \"" + std::string(60, 'x') + "...\""},
           Case{good + "\x1b]0;owned\x07\n", ":5: expected \"Name = value\", found \"\\x1B]0;owned\\x07\""},
           Case{good + "Len = 24x\nMsg = 616263\n" + abc, ":5: Len is not a whole number: \"24x\""},
           Case{good + "Len = 24\nMsg = 61626\n" + abc, ":6: Msg has an odd number of hexadecimal digits"},
           Case{good + "Len = 24\nMsg = 616263\nMD = a9993e36\n", ":7: MD must be 40 hexadecimal digits, not 8"},
           Case{good + "Len = 24\nMsg = 616263\nMsg = 616263\n" + abc, ":7: Msg without a Len before it"},
           Case{good + "Len = 24\nMsg = 616263\n", ":5: record \"Len = 24\" ends without its MD"},
           Case{good + "COUNT = 0\n" + abc, ":5: COUNT without a Seed before it"},
           Case{"Hash size: 256 bits\n" + nessie, ":1: \"Hash size: 256 bits\": not a SHA-1 file"},
           // Counts are checked before anything is allocated or hashed.
           Case{nessie + "Set 1, vector#  1:\n  message=1000000000000 times \"a\"\n", ":6: the message would be longer than 16 GiB"},
           Case{nessie + "Set 1, vector#  1:\n  message=18446744073709551 million times \"a\"\n", ":6: the message would be longer than 16 GiB"},
           Case{nessie + "Set 1, vector#  1:\n  message=9223372036854775808 zero bits\n", ":6: the message would be longer than 16 GiB"},
           Case{nessie + "Set 1, vector#  1:\n  message=16-bit string: 99999999999999*00\n", ":6: the bytes listed make more than 16 bits"},
           Case{nessie + "Set 1, vector#  1:\n  message=16-bit string: 99999999999999*\n", ":6: each item of a bit string is one byte"},
           Case{nessie + "Set 1, vector#  1:\n  message=8388608-bit string: 1048576*00\n" + [] {
                  std::string digests;
                  for (int i = 0; i < 65; ++i) digests += "  hash=" + std::string(40, '0') + "\n";
                  return digests;
                }(),
                ":5: the file's messages would take more than 64 MiB"},
           Case{nessie + "Set 1, vector#  1:\n  message=18446744073709551615 times \"\"\n", ":6: the repeated piece is empty"},
           Case{nessie + "Set 1, vector#  1:\n  message=3 times \"\n", ":6: the repeated piece has no closing quotation mark"},
           Case{nessie + "Set 1, vector#  1:\n  message=\"a\" message=\"b\"\n", ":6: text follows the message's closing quotation mark"},
           Case{nessie + "Set 1, vector#  1:\n  message=\"a\"\n  iterated 0 times=" + std::string(40, '0') + "\n", ":7: the iteration count must be 1 to"},
           Case{nessie + "Set 1, vector#  1:\n  message=\"a\"\n  iterated 18446744073709551615 times=" + std::string(40, '0') + "\n",
                ":7: the iteration count must be 1 to"},
           // A mistyped header must not hide its record.
           Case{nessie + "Set 1, vector 1\n  message=\"a\"\n  hash=" + std::string(40, '0') + "\n", ":6: a field outside any record"},
           Case{nessie + "Set 1, vector#  1:\n  message=\"a\"\n  message=\"b\"\n  hash=" + std::string(40, '0') + "\n",
                ":7: Set 1, vector# 1 has a second message"},
           Case{nessie + "Set 1, vector#  1:\n  message=\"a\"\n", ":5: Set 1, vector# 1 has no hash"},
           Case{nessie + "Set 1, vector#  1:\n  message=3 apples\n  hash=" + std::string(40, '0') + "\n",
                ":6: message description not understood"},
           Case{nessie + "Set 1, vector#  1:\n  message=\"a\"\n  hush=" + std::string(40, '0') + "\n", ":7: unknown field \"hush\""},
       }) {
    const fs::path path = fs::temp_directory_path() / "sha1vectors_malformed.rsp";
    std::ofstream(path, std::ios::binary) << c.content;
    try {
      sha1vectors::readvectorfile(path.string());
      ADD_FAILURE() << "read: " << c.content;
    } catch (const sha1vectors::VectorFileError& error) {
      EXPECT_NE(std::string(error.what()).find(path.string() + c.problem), std::string::npos) << error.what();
    }
    fs::remove(path);
  }
}

// Only regular files: a device, a folder or a FIFO without a writer would hang or fill memory.
// A byte order mark is no part of the first record.
TEST(VectorFile, ReadsRegularFilesOnlyAndSkipsAByteOrderMark) {
  const fs::path fifo = fs::temp_directory_path() / "sha1vectors_fifo";
  fs::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {std::string("/dev/zero"), fs::temp_directory_path().string(), fifo.string()}) {
    try {
      sha1vectors::readvectorfile(path);
      ADD_FAILURE() << "read " << path;
    } catch (const sha1vectors::VectorFileError& error) {
      EXPECT_NE(std::string(error.what()).find("is not a regular file"), std::string::npos) << error.what();
    }
  }
  fs::remove(fifo);
  const fs::path marked = fs::temp_directory_path() / "sha1vectors_bom.rsp";
  std::ofstream(marked, std::ios::binary) << "\xEF\xBB\xBF[L = 20]\n\nLen = 8\nMsg = 61\nMD = 86f7e437faa5a7fce15d1ddcb9eaeaea377667b8\n";
  EXPECT_EQ(sha1vectors::readvectorfile(marked.string()).size(), 1U);
  fs::remove(marked);
}

TEST(DigestInOutput, FindsFortyDigitsInTheUsualForms) {
  const std::string abc = "a9993e364706816aba3e25717850c26c9cd0d89d";
  for (const std::string& output : {abc + "  -\n", "SHA1(stdin)= " + abc + "\n", std::string("A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D\n"),
                                   std::string("A9993E364706816ABA3E25717850C26C9CD0D89D")}) {
    const auto digest = sha1vectors::digestinoutput(output);
    ASSERT_TRUE(digest) << output;
    EXPECT_EQ(basicutilities::digesthex(*digest), abc) << output;
  }
  EXPECT_FALSE(sha1vectors::digestinoutput("a9993e364706816aba3e25717850c26c9cd0d89"));  // 39 digits
  EXPECT_FALSE(sha1vectors::digestinoutput(""));
}

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

TEST_F(Sha1vectorsProgram, CorruptedDigestFailsWithTheDifferingDigitsMarked) {
  std::string corrupted = small_;
  corrupted.replace(corrupted.find("a9993e36"), 8, "a9993e37");
  const std::string file = write("corrupted.rsp", corrupted);

  const Ran quiet = run(file);
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.out, "3 passed, 1 failed\n") << "only the summary when output is not a terminal";

  const Ran verbose = run("--verbose " + file);
  EXPECT_EQ(verbose.status, 1);
  EXPECT_NE(verbose.out.find("FAIL " + file + ":11: Len = 24\n"
                             "  expected a9993e374706816aba3e25717850c26c9cd0d89d\n"
                             "  computed a9993e364706816aba3e25717850c26c9cd0d89d\n"
                             "                  ^"),
            std::string::npos)
      << verbose.out;
  EXPECT_EQ(lastline(verbose.out), "3 passed, 1 failed");
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
  EXPECT_NE(run("-v --command no-such-program-here " + file).out.find("cannot start no-such-program-here: No such file or directory"), std::string::npos);
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
  for (const std::string& command : {"(" + later + ") & sleep 30", "sha1sum; (" + later + ") &", "setsid sh -c \"" + later + "\" & sleep 0.05; sha1sum"}) {
    run("--timeout 0.2 --command '" + command + "' " + file);
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    EXPECT_FALSE(fs::exists(folder_ / "survivor")) << command;
  }
}

// A message of 1 GiB, a 64-byte piece repeated: streamed through the engine and a command.
TEST_F(Sha1vectorsProgram, ChecksAGibibyteMessageWithoutHoldingIt) {
  const std::string file = write("gib.txt", "Set 1, vector#  0:\n  message=16777216 times \"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno\"\n"
                                            "  hash=7789F0C9EF7BFC40D93311143DFBE69E2017F592\n\n");
  EXPECT_EQ(run(file).out, "1 passed, 0 failed\n");
  EXPECT_EQ(run("--timeout 60 --command sha1sum " + file).out, "1 passed, 0 failed\n");
}

// Many messages a call, as files (68 messages, 17 a call): each answer goes to its own message,
// whatever the command is.
TEST_F(Sha1vectorsProgram, CallsOfManyFilesTellEachMessagesOwnResult) {
  const std::string files = write("small.rsp", small_) + " " + testsupport::vectorpath("cavp/SHA1ShortMsg.rsp");
  struct Case {
    const char* command;
    const char* summary;
    const char* failure;
  };
  for (const auto& c : {
           Case{"sha1sum {}", "68 passed, 0 failed, 1 skipped", ""},
           Case{"i=0; for f in {}; do i=$((i+1)); echo \"$i: $(sha1sum < $f)\"; done", "68 passed, 0 failed, 1 skipped", ""},
           Case{"sha1sum {} | sed s/^86f7e437/00000000/", "67 passed, 1 failed, 1 skipped", "Len = 8\n  expected 86f7e437"},
           // Fails the whole call for one message: asked for each alone, only that one fails.
           Case{"for f in {}; do test -s $f || exit 3; done; sha1sum {}", "66 passed, 2 failed, 1 skipped", "Len = 0: the command exited with status 3"},
       }) {
    const Ran r = run("-v -j 1 --command '" + std::string(c.command) + "' " + files);
    EXPECT_EQ(lastline(r.out), c.summary) << c.command << r.out;
    EXPECT_NE(r.out.find(c.failure), std::string::npos) << c.command << r.out;
  }
}

// However the calls are made, a run reads as the serial run on the engine: a chain's hashes are
// asked for each on its own only where the engine's chain reaches the published digest, and a
// wrong one is named.
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

  // The first hash of COUNT = 0's chain that gives a digest starting with 0 is the wrong one.
  std::string chain(3 * 20, '\0');
  const auto seed = basicutilities::parsedigest(monte.substr(monte.find("Seed = ") + 7, 40));
  for (int i = 0; i < 3; ++i) std::copy(seed->begin(), seed->end(), chain.begin() + 20 * i);
  basicutilities::Sha1Stream sha1;
  int wrong = 1;
  for (;; ++wrong) {
    sha1.add(chain);
    const auto digest = sha1.finish();
    if (digest[0] < 0x10) break;
    chain = chain.substr(20) + std::string(reinterpret_cast<const char*>(digest.data()), 20);
  }
  const std::string first = write("first.rsp", monte.substr(0, monte.find("COUNT = 1")));
  for (const char* command : {"sha1sum {} | sed s/^0/1/", "sha1sum | sed s/^0/1/"}) {
    const Ran r = run("-v -j 2 --command '" + std::string(command) + "' " + first);
    EXPECT_NE(r.out.find(": COUNT = 0: hash " + std::to_string(wrong) + " of the chain\n  expected 0"), std::string::npos) << command << r.out;
  }
}

// Ctrl+C: the calls going on end at once, what was checked is told, no temporary file is left.
TEST_F(Sha1vectorsProgram, AnInterruptedRunStopsAndSaysWhatItChecked) {
  const auto start = std::chrono::steady_clock::now();
  const Ran r = run("--command 'sleep 20; sha1sum {}' " + write("small.rsp", small_), "timeout --preserve-status -s INT 1");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(r.status, 130);
  EXPECT_EQ(r.out, "0 passed, 0 failed, 1 skipped, 3 not checked\n");
}

TEST_F(Sha1vectorsProgram, AWriteErrorOnTheOutputIsStatus2) {
  const int status = std::system((std::string(SHA1VECTORS_PROGRAM) + " >/dev/full 2>/dev/null").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST_F(Sha1vectorsProgram, NothingCheckedIsNoSuccess) {
  const Ran r = run("--command sha1sum " + write("bits.rsp", "Len = 5\nMsg = 48\nMD = 3320540d1c28b96ddd03eee1b186a8f2ae883fbe\n"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "0 passed, 0 failed, 1 skipped\n");
}

}  // namespace

namespace {

nlohmann::json sample(const char* name) {
  std::ifstream in(testsupport::vectorpath(std::string("acvp/") + name));
  return nlohmann::json::parse(in);
}

// Each ACVP document is refused as a whole, saying what is wrong and where.
TEST(AcvpFile, HostileOrWrongSetsAreRefusedSayingWhere) {
  const std::string sha1 = R"({"vsId": 7, "algorithm": "SHA-1", "testGroups": [)";
  const auto ldt = [&](const std::string& full) {
    return sha1 + R"({"tgId": 5, "testType": "LDT", "tests": [{"tcId": 9, "largeMsg": {"content": "00", "contentLength": 8, "fullLength": )" + full +
           R"(, "expansionTechnique": "repeating"}}]}]})";
  };
  struct Case { std::string content, problem; };
  for (const auto& c : {
           Case{R"({"vsId": 7, "algorithm": "SHA2-256", "testGroups": []})", ": is a vector set for \"SHA2-256\", not for SHA-1"},
           Case{sample("prompt.json").dump().substr(0, 1000), ": is not valid JSON: parse error at line 1, column 1001"},
           Case{ldt("1099511627776000"), ": tcId 9: its message of 137438953472000 bytes is more than the 16 GiB that can be checked"},
           Case{ldt("12"), ": tcId 9: \"fullLength\" is not a whole number of repeats of the content"},
           Case{std::string(100'000, '[') + std::string(100'000, ']'), ": is nested deeper than 16 levels"},
           Case{sha1 + R"({"tgId": 1, "testType": "AFT", "tests": [{"tcId": 3, "len": -8, "msg": "61"}]}]})", ": tcId 3: \"len\" is not a whole number of 0 or more"},
           Case{sha1 + R"({"tgId": 1, "testType": "AFT", "tests": [{"tcId": 3, "len": 24, "msg": "61"}]}]})", ": tcId 3: \"msg\" holds fewer than the 24 bits"},
           Case{sha1 + R"({"tgId": 1, "testType": "AFT", "tests": [{"tcId": 3, "len": 8, "msg": "6g"}]}]})", ": tcId 3: \"msg\" is not hexadecimal: \"6g\""},
           Case{sha1 + R"({"tgId": 1, "testType": "XYZ", "tests": [{"tcId": 3, "len": 8, "msg": "61"}]}]})", ": tgId 1: testType \"XYZ\" is not AFT, MCT or LDT"},
           Case{sha1 + R"({"tgId": 1, "tests": [{"tcId": 3, "md": "1234"}]}]})", ": tcId 3: \"md\" is not 40 hexadecimal digits"},
           Case{R"([{"acvVersion": "1.0"}])", ": is a JSON array but not an ACVP vector set"},
           Case{R"({"vsId": 8E750})", ": is not valid JSON: number overflow"},
       }) {
    try {
      sha1vectors::readacvptext("set.json", c.content);
      ADD_FAILURE() << "read: " << c.content.substr(0, 200);
    } catch (const sha1vectors::VectorFileError& error) {
      EXPECT_NE(std::string(error.what()).find("set.json" + c.problem), std::string::npos) << error.what();
    }
  }
}

// The sample set in both JSON forms, on the engine and through a command that takes files (its
// gibibyte message streamed in); a wrong answer in each group kind is found with its tcId.
TEST_F(Sha1vectorsProgram, ChecksAnAcvpSetInEitherFormAndFindsEachWrongAnswer) {
  const std::string folder = testsupport::vectorpath("acvp");
  EXPECT_EQ(run(folder).out, "261 passed, 0 failed\n");
  EXPECT_EQ(run("--command 'sha1sum {}' " + folder).out, "133 passed, 0 failed, 128 skipped\n");

  nlohmann::json results = sample("expectedResults.json");
  std::string tcids;
  for (auto& group : results["testGroups"]) {
    auto& test = group["tests"].back();
    auto& md = test.contains("md") ? test["md"] : test["resultsArray"].back()["md"];
    md = std::string(40, '0');
    tcids += std::to_string(test["tcId"].get<int>()) + " ";
  }
  const auto wire = [](const nlohmann::json& set) { return nlohmann::json::array({{{"acvVersion", "1.0"}}, set}).dump(); };
  const Ran r = run("-v " + write("prompt.json", wire(sample("prompt.json"))) + " " + write("results.json", wire(results)));
  EXPECT_EQ(lastline(r.out), "256 passed, 5 failed");
  for (std::size_t at = 0, end; (end = tcids.find(' ', at)) != std::string::npos; at = end + 1) {
    EXPECT_NE(r.out.find("FAIL " + (folder_ / "prompt.json").string() + ": tcId " + tcids.substr(at, end - at) + " ("), std::string::npos) << r.out;
  }

  // Unpaired halves are unusable.
  const Ran alone = run(write("other.json", wire(results).replace(wire(results).find("59825"), 5, "59826")) + " " + folder + "/prompt.json");
  EXPECT_EQ(alone.status, 2);
  EXPECT_NE(alone.err.find("the prompt of vsId 59826 is not among the files"), std::string::npos) << alone.err;
  EXPECT_NE(alone.err.find("the expected results of vsId 59825 are not among the files"), std::string::npos) << alone.err;
}

// From a prompt alone: the answers, equal to the published ones; a command that gives none leaves
// the file as it was.
TEST_F(Sha1vectorsProgram, WritesTheAnswersToAPromptAloneWholeOrNotAtAll) {
  const std::string prompt = testsupport::vectorpath("acvp/prompt.json");
  const std::string response = write("response.json", "as it was");
  EXPECT_EQ(run(prompt + " --acvp-response " + response).status, 0);
  std::ifstream in(response);
  const nlohmann::json written = nlohmann::json::parse(in);
  EXPECT_EQ(written[0]["acvVersion"], "1.0");
  EXPECT_EQ(written[1]["vsId"], 59825);
  EXPECT_EQ(written[1]["testGroups"], sample("expectedResults.json")["testGroups"]);

  write("response.json", "as it was");
  const Ran failing = run("--command false " + prompt + " --acvp-response " + response);
  EXPECT_EQ(failing.status, 1);
  EXPECT_NE(failing.err.find("no response written: no answer for tcId"), std::string::npos) << failing.err;
  std::ifstream unchanged(response);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(unchanged), {}), "as it was");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 3) << "response.json, stderr and tmp only";
}

}  // namespace
