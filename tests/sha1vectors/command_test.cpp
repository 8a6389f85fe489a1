// SPDX-License-Identifier: MIT
// A command's output read for its digest, and what a command leaves behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "sha1vectors/implementations/command.h"
#include "sha1vectors/implementations/orphans.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The forms tools print a digest in, and digits that are no digest: a path that holds 40 of them, a
// run of 41, a last group of nine.
TEST(DigestInOutput, ReadsTheFormsToolsPrintAndNothingElse) {
  const std::string abc = "a9993e364706816aba3e25717850c26c9cd0d89d", path = "/tmp/" + std::string(40, 'b') + "/1";
  for (const std::string& output : {abc + "  -\n", "\\" + abc + "  a\\nb\n", "SHA1(stdin)= " + abc + "\n", "SHA1 (" + path + ") = " + abc + "\n",
                                   "SHA1(" + path + ")= " + abc, abc + " *" + path, "warning: " + path + " is slow\n" + abc + "\n",
                                   std::string("A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D\n"), std::string("A9993E364706816ABA3E25717850C26C9CD0D89D"),
                                   std::string(40, 'x') + "\n" + abc + "  -\n"}) {  // after 40 bytes of other output
    const auto digest = sha1vectors::digestinoutput(output);
    ASSERT_TRUE(digest) << output;
    EXPECT_EQ(basicutilities::digesthex(*digest), abc) << output;
  }
  for (const std::string& output : {abc.substr(1), abc + "0", "cannot read " + path, "x" + abc, std::string("A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D0"), std::string()}) {
    EXPECT_FALSE(sha1vectors::digestinoutput(output)) << output;
  }
}

// {} is a word of its own, before a blank, a shell operator or the end; elsewhere it is no slot.
TEST(Command, TakesFilesWhereBracesAreAWordOfTheirOwn) {
  for (const auto& [command, files] : {std::pair{"sha1sum {}", true}, {"sha1sum {} | cut -c1-40", true}, {"sha1sum {};", true},
                                       {"(sha1sum {})", true}, {"echo x{}", false}, {"sha1sum", false}}) {
    EXPECT_EQ(sha1vectors::Command(command, std::chrono::seconds(1)).takesfiles(), files) << command;
  }
}

// A long message is given time to be read beside the timeout: 50 MiB a second at least.
TEST(Command, ALongMessageHasTimeToBeRead) {
  const std::string piece(64, 'x');
  const sha1vectors::Message message{piece, 50 * 1024 * 1024 / 64};
  sha1vectors::Command command("sleep 0.5; sha1sum", std::chrono::milliseconds(200));
  const auto outcome = command.digest(message);
  EXPECT_EQ(outcome.digest, sha1vectors::Engine().digest(message).digest) << outcome.failure;
}

// What a command leaves running in a session of its own is ended once its call is over; a child
// this process started itself is left alone.
TEST(OrphanSweeper, EndsWhatACommandLeftAndNothingElse) {
  const fs::path pidfile = fs::temp_directory_path() / ("sha1vectors_orphan_" + std::to_string(::getpid()));
  pid_t own = 0;
  char* words[] = {const_cast<char*>("sleep"), const_cast<char*>("30"), nullptr};
  ASSERT_EQ(::posix_spawnp(&own, "sleep", nullptr, nullptr, words, environ), 0);
  {
    sha1vectors::OrphanSweeper sweeper;
    sha1vectors::Command command("setsid sh -c 'echo $$ > " + pidfile.string() + "; exec sleep 30' & sleep 0.5; sha1sum", std::chrono::seconds(20),
                                 nullptr, &sweeper);
    EXPECT_TRUE(command.digest(sha1vectors::Message{"abc"}).digest);
  }
  pid_t orphan = 0;
  std::ifstream(pidfile) >> orphan;
  ASSERT_GT(orphan, 0);
  EXPECT_NE(::kill(orphan, 0), 0) << "the orphan still runs";
  EXPECT_EQ(::kill(own, 0), 0) << "the host's own child was ended";
  ::kill(own, SIGKILL);
  ::waitpid(own, nullptr, 0);
  fs::remove(pidfile);
}

}  // namespace
