// SPDX-License-Identifier: MIT
// The readers: every published set read and passed on the engine; malformed and hostile files
// refused as a whole, saying what is wrong and where.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <nlohmann/json.hpp>

#include "sha1vectors/checking/checking.h"
#include "sha1vectors/checking/response.h"
#include "sha1vectors/readers/acvp.h"
#include "sha1vectors/readers/inputs.h"
#include "sha1vectors/readers/vectorfile.h"
#include "support/vectorfiles.h"

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
           Case{good + "Len = 18446744073709551615\nMsg = \n" + abc, ":6: Msg holds 0 bits, fewer than Len = 18446744073709551615 needs"},
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
// A byte order mark is no part of the first record, whatever the format.
TEST(VectorFile, ReadsRegularFilesOnlyAndSkipsAByteOrderMark) {
#ifdef _WIN32
  const std::vector<std::string> others{fs::temp_directory_path().string()};  // NUL cannot even be looked at
#else
  const fs::path fifo = fs::temp_directory_path() / "sha1vectors_fifo";
  fs::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::vector<std::string> others{"/dev/zero", fs::temp_directory_path().string(), fifo.string()};
#endif
  for (const std::string& path : others) {
    try {
      sha1vectors::readvectorfile(path);
      ADD_FAILURE() << "read " << path;
    } catch (const sha1vectors::VectorFileError& error) {
      EXPECT_NE(std::string(error.what()).find("is not a regular file"), std::string::npos) << error.what();
    }
  }
#ifndef _WIN32
  fs::remove(fifo);
#endif
  const fs::path marked = fs::temp_directory_path() / "sha1vectors_bom.rsp";
  std::ofstream(marked, std::ios::binary) << "\xEF\xBB\xBF[L = 20]\n\nLen = 8\nMsg = 61\nMD = 86f7e437faa5a7fce15d1ddcb9eaeaea377667b8\n";
  EXPECT_EQ(sha1vectors::readvectorfile(marked.string()).size(), 1U);
  fs::remove(marked);
  // An ACVP prompt behind one is read as JSON all the same.
  const fs::path json = fs::temp_directory_path() / "sha1vectors_bom.json";
  std::ofstream(json, std::ios::binary) << "\xEF\xBB\xBF" << testsupport::acvpsample("prompt.json").dump();
  const auto inputs = sha1vectors::readinputs({json.string()}, false, true);
  EXPECT_EQ(inputs.prompts.size(), 1U) << (inputs.problems.empty() ? "" : inputs.problems.front());
  fs::remove(json);
}

// A folder stands for its .json files; one that cannot be listed or has none says so, and is not
// taken for a file that is "not a regular file".
TEST(VectorFile, AFolderWithoutJsonFilesOrThatCannotBeListedIsNamedAsSuch) {
  const fs::path folder = fs::temp_directory_path() / "sha1vectors_folder";
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream(folder / "short.rsp") << "Len = 8\nMsg = 61\nMD = 86f7e437faa5a7fce15d1ddcb9eaeaea377667b8\n";
  const auto problem = [&] {
    const auto inputs = sha1vectors::readinputs({folder.string()}, false, false);
    return inputs.problems.size() == 1 && inputs.sources.empty() ? inputs.problems.front() : "not one problem";
  };
  EXPECT_EQ(problem(), folder.string() + ": the folder holds no .json files (name vector files of other kinds one by one)");
#ifndef _WIN32  // Windows lists a folder whatever its read-only attribute says
  fs::permissions(folder, fs::perms::none);
  if (::geteuid() != 0) {  // root lists it all the same
    EXPECT_EQ(problem(), folder.string() + ": the folder cannot be read: Permission denied");
  }
  fs::permissions(folder, fs::perms::owner_all);
#endif
  fs::remove_all(folder);
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
           Case{testsupport::acvpsample("prompt.json").dump().substr(0, 1000), ": is not valid JSON: parse error at line 1, column 1001"},
           Case{ldt("1099511627776000"), ": tcId 9: its message of 137438953472000 bytes is more than the 16 GiB that can be checked"},
           Case{ldt("12"), ": tcId 9: \"fullLength\" is not a whole number of repeats of the content"},
           Case{ldt("0"), ": tcId 9: \"fullLength\" is not a whole number of repeats of the content"},
           Case{sha1 + R"({"tgId": 1, "testType": "AFT", "tests": [{"tcId": 3, "len": 8, "msg": "61"}, {"tcId": 3, "len": 0, "msg": ""}]}]})",
                ": tcId 3: is a test twice"},
           Case{std::string(100'000, '[') + std::string(100'000, ']'), ": is nested deeper than 16 levels"},
           // Brackets inside a string, after an escaped quotation mark, are no nesting.
           Case{R"({"vsId": 7, "algorithm": "\"[[[[[[[[[[[[[[[[[[[[", "testGroups": []})", ": is a vector set for \"\"[[[["},
           // Read as its last value here, as its first elsewhere: refused, at any depth.
           Case{sha1 + R"({"tgId": 1, "testType": "AFT", "tests": [{"tcId": 3, "len": 8, "msg": "61", "len": 0}]}]})", ": names \"len\" twice in one object"},
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

// A seed of 163 bits: the bits of its last byte past them are no part of it, so a seed ending in C3
// makes the same chains as one ending in C0.
TEST(AcvpFile, BitsPastAMessagesLengthAreNoPartOfIt) {
  std::string responses[2];
  for (const int i : {0, 1}) {
    const std::string prompt = R"({"vsId": 7, "algorithm": "SHA-1", "testGroups": [{"tgId": 1, "testType": "MCT", "tests": [{"tcId": 1, "len": 163, "msg": ")" +
                               std::string(40, 'A') + (i == 0 ? "C0" : "C3") + R"("}]}]})";
    sha1vectors::Engine engine;
    responses[i] = sha1vectors::acvpresponse(std::get<sha1vectors::AcvpPrompt>(sha1vectors::readacvptext("p.json", prompt)), engine, 1, false);
  }
  EXPECT_EQ(responses[0], responses[1]);
}

// A prompt and results that do not belong together are refused, naming the ids.
TEST(AcvpFile, APromptAndResultsThatDoNotMatchAreRefused) {
  const auto prompt = std::get<sha1vectors::AcvpPrompt>(sha1vectors::readacvptext("prompt.json", testsupport::acvpsample("prompt.json").dump()));
  struct Case {
    std::function<void(nlohmann::json&)> change;
    std::string problem;
  };
  for (const Case& c : {Case{[](nlohmann::json& r) { r["testGroups"][0]["tests"].push_back({{"tcId", 99999}, {"md", std::string(40, '0')}}); },
                             "answers tcId 99999, which prompt.json does not ask"},
                        Case{[](nlohmann::json& r) { r["testGroups"][0]["tgId"] = 77; }, "in tgId 77, not in its tgId 1"}}) {
    nlohmann::json results = testsupport::acvpsample("expectedResults.json");
    c.change(results);
    try {
      sha1vectors::acvpvectors(prompt, std::get<sha1vectors::AcvpResults>(sha1vectors::readacvptext("results.json", results.dump())));
      ADD_FAILURE() << "paired: " << c.problem;
    } catch (const sha1vectors::VectorFileError& error) {
      EXPECT_NE(std::string(error.what()).find(c.problem), std::string::npos) << error.what();
    }
  }
}

}  // namespace
