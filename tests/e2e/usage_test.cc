// The invocation end to end: usage text, complete invocations, refused arguments and
// a standard output that refuses writes. Runs against either build.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_runner.h"

namespace {

struct Row {
  std::vector<std::string> args;
  bool usage;
};

TEST(Invocation, IncompleteInvocationsPrintTheUsageText) {
  const Target target = CurrentTarget();
  const std::string e = LineEnd(target);
  const std::string usage =
      " TINTSHIFT *?.BMP [-O prefix for outfiles ][-P <palfile>.PAL]" + e +
      " Tintshift uses hueswap (c)Ostrel to perform multi file palette conversions" + e;
  std::string dir = MakeTempDir();
  const Row rows[] = {
      {{}, true},
      {{"*.bmp"}, true},
      {{"*.bmp", "-o", "new_"}, true},
      {{"-p", "x.pal", "*.bmp"}, true},
      {{"*.bmp", "extra", "-p", "x.pal"}, true},
      {{"*.bmp", "-P", "x.pal"}, false},
      {{"*.bmp", "-p"}, false},
  };
  for (const Row& row : rows) {
    std::string shown;
    for (const std::string& a : row.args) shown += a + " ";
    SCOPED_TRACE(shown);
    RunResult r = RunBuilt(target, BuiltProgram(target, "tintshift"), row.args, {dir, "", {}});
    if (row.usage) {
      EXPECT_EQ(r.out, usage);
      EXPECT_EQ(r.status, 1);
    } else {
      EXPECT_NE(r.out, usage);
      EXPECT_EQ(r.status, 0) << r.out;
    }
  }
  RemoveTree(dir);
}

TEST(Invocation, ArgumentsThatWouldBeCutAreRefused) {
  const Target target = CurrentTarget();
  const std::string e = LineEnd(target);
  std::string dir = MakeTempDir();
  RunResult r = RunBuilt(target, BuiltProgram(target, "tintshift"),
                         {"*.bmp", "-P", std::string(253, 'p')}, {dir, "", {}});
  EXPECT_EQ(r.out,
            "Error: argument 3 is too long (253 characters; an option value holds at most 252)" + e);
  EXPECT_EQ(r.status, 1);
  r = RunBuilt(target, BuiltProgram(target, "tintshift"),
               {std::string(256, 'm'), "-P", "x.pal"}, {dir, "", {}});
  EXPECT_EQ(r.out, "Error: argument 1 is too long (256 characters; an argument holds at most 255)" + e);
  EXPECT_EQ(r.status, 1);
  RemoveTree(dir);
}

TEST(Invocation, AFullStandardOutputEndsWithStatusOne) {
  const Target target = CurrentTarget();
  RunResult r = RunBuilt(target, BuiltProgram(target, "tintshift"), {}, {"", "/dev/full", {}});
  EXPECT_EQ(r.status, 1);
}

}  // namespace
