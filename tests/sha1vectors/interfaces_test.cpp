// SPDX-License-Identifier: MIT
// Interface descriptions: the table's own rows, each form a description may take, and what is refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sha1vectors/implementations/interfaces.h"

namespace {

using sha1vectors::Argument;
using sha1vectors::Call;
using sha1vectors::Description;
using sha1vectors::Role;

// A row that does not read leaves every library with that interface found by no row.
TEST(Interfaces, EveryRowOfTheTableReads) {
  for (const auto& row : sha1vectors::interfaces()) {
    Description description;
    EXPECT_EQ(sha1vectors::describe(row.description, description), std::nullopt) << row.name;
  }
}

// Each argument, result and success form reaches the call as written, in order; a ";" or "#" inside
// a text is the text's, and a comment or a line's end ends a statement.
TEST(Interfaces, ReadsEveryFormInItsPlace) {
  Description d;
  ASSERT_EQ(sha1vectors::describe("# a comment\n begin *ctx = open(\"a;b#c\", -1, 0x10)  # a closing comment\n"
                                  "update add(*ctx, len, data) >= 0; end digest = read(*ctx, &20)\ncontext 8",
                                  d),
            std::nullopt);
  const Call& begin = *d.call(Role::begin);
  EXPECT_EQ(begin.function, "open");
  EXPECT_EQ(begin.result, Call::Result::handle);
  ASSERT_EQ(begin.arguments.size(), 3U);
  EXPECT_EQ(begin.arguments[0].text, "a;b#c");
  EXPECT_EQ(begin.arguments[1].number, UINT64_MAX);
  EXPECT_EQ(begin.arguments[2].number, 16U);
  const Call& update = *d.call(Role::update);
  EXPECT_EQ(update.test, Call::Test::atleast);
  ASSERT_EQ(update.arguments.size(), 3U);
  EXPECT_EQ(update.arguments[0].kind, Argument::Kind::handle);
  EXPECT_EQ(update.arguments[1].kind, Argument::Kind::length);
  EXPECT_EQ(update.arguments[2].kind, Argument::Kind::data);
  const Call& end = *d.call(Role::end);
  EXPECT_EQ(end.result, Call::Result::digest);
  EXPECT_EQ(end.arguments[1].kind, Argument::Kind::cell);
  EXPECT_EQ(end.arguments[1].number, 20U);
  EXPECT_EQ(d.contextsize, 8U);
  EXPECT_EQ(end.refused(0), "read() returned a null pointer");
  EXPECT_EQ(update.refused(-22), "add() returned -22 (success: >= 0)");
}

// What could not be called as meant is refused before any library is loaded, naming the statement.
TEST(Interfaces, RefusesWhatCannotBeCalledAndNamesTheStatement) {
  const std::string rest = "; end f(ctx, digest); context 96";
  const struct {
    std::string text, says;
  } cases[] = {
      {"begin f(ctx); update g(ctx, dat, len)" + rest, "\"update g(ctx, dat, len)\": \"dat\" is no argument"},
      {"begin f(ctx); update g(ctx, data)" + rest, "\"update g(ctx, data)\": it must be given data and len"},
      {"begin f(ctx, data); update g(ctx, data, len)" + rest, "\"begin f(ctx, data)\": this call has no such argument"},
      {"begin f(ctx); update g(ctx, data, len); end f(ctx); context 96", "\"end f(ctx)\": it must be given digest, or return it"},
      {"begin f(ctx); update g(ctx, data, len); end f(ctx, digest)", "no context: say how many bytes"},
      {"begin f(ctx); update g(ctx, data, len); end f(ctx, digest); context 0", "a context takes 1 byte to 1 MiB"},
      {"begin f(ctx); begin f(ctx); update g(ctx, data, len)" + rest, "a second begin"},
      {"update g(ctx, data, len)" + rest, "no begin: begin, update and end are needed"},
      {"start f(ctx); update g(ctx, data, len)" + rest, "it does not begin with a role"},
      {"begin f(ctx) == ; update g(ctx, data, len)" + rest, "expected the number a successful call returns"},
      {"begin f(ctx, 1, 2, 3, 4, 5, 6); update g(ctx, data, len)" + rest, "more than 6 arguments"},
      {"begin f(ctx) 0; update g(ctx, data, len)" + rest, "unexpected \"0\""},
      {"begin f(ctx); update *ctx = g(ctx, data, len)" + rest, "only begin can store a pointer in the context"},
  };
  for (const auto& c : cases) {
    Description d;
    const auto problem = sha1vectors::describe(c.text, d);
    ASSERT_TRUE(problem) << c.text;
    EXPECT_NE(problem->find(c.says), std::string::npos) << c.text << ": " << *problem;
  }
}

}  // namespace
