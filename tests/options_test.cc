#include <string>

#include <gtest/gtest.h>

#include "driver/options.h"

namespace {

std::string Str(const ShortText& t) { return std::string(t.bytes, t.length); }

struct Row {
  const char* arguments;  // after the program's name
  InvocationVerdict verdict;
  const char* mask;
  const char* output;
  const char* palette;
};

TEST(Options, ReadsMaskAndOptionsAtPositionsTwoAndFour) {
  const Row rows[] = {
      {"", kInvocationUsage, "", "", ""},
      {"*.bmp", kInvocationUsage, "*.bmp", "", ""},
      {"*.bmp -o new_", kInvocationUsage, "*.bmp", "-O new_", ""},
      {"*.bmp -p", kInvocationRun, "*.bmp", "", "-P "},
      {"*.bmp -P a.pal -P b.pal", kInvocationRun, "*.bmp", "", "-P b.pal"},
      {"*.bmp -O out\\ -P x.pal", kInvocationRun, "*.bmp", "-O out\\", "-P x.pal"},
      {"*.bmp -P x.pal -o out\\", kInvocationRun, "*.bmp", "-O out\\", "-P x.pal"},
      {"-p x.pal *.bmp", kInvocationUsage, "-p", "", ""},
      {"*.bmp extra -p x.pal", kInvocationUsage, "*.bmp", "", ""},
      {"*.bmp -P x.pal -o", kInvocationRun, "*.bmp", "-O ", "-P x.pal"},
      {"*.bmp -o new_ -P game.pal", kInvocationRun, "*.bmp", "-O new_", "-P game.pal"},
      {"*.bmp -pal x.pal", kInvocationUsage, "*.bmp", "", ""},
      {"*.bmp /P x.pal", kInvocationUsage, "*.bmp", "", ""},
      {"*.bmp -P: x.pal", kInvocationUsage, "*.bmp", "", ""},
      {"*.bmp -P -o", kInvocationRun, "*.bmp", "", "-P -o"},
      {"*.bmp -P x.pal -P y.pal ignored -o z", kInvocationRun, "*.bmp", "", "-P y.pal"},
      {"*.bmp -o a -o b", kInvocationUsage, "*.bmp", "-O b", ""},
      {"*.bmp -P \"my pal.pal\"", kInvocationRun, "*.bmp", "", "-P my pal.pal"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments);
    std::string raw = std::string("tintshift ") + row.arguments;
    Invocation invocation;
    TooLongArgument tooLong;
    EXPECT_EQ(ReadInvocation(raw.c_str(), &invocation, &tooLong), row.verdict);
    EXPECT_EQ(Str(invocation.FileMask), row.mask);
    EXPECT_EQ(Str(invocation.OutputOption), row.output);
    EXPECT_EQ(Str(invocation.PaletteOption), row.palette);
  }
}

TEST(Options, RefusesArgumentsThatWouldBeCut) {
  struct LongRow {
    std::string arguments;
    InvocationVerdict verdict;
    int position;
    unsigned length, limit;
  };
  const std::string l252(252, 'v'), l253(253, 'v'), l255(255, 'm'), l256(256, 'm');
  const LongRow rows[] = {
      {l255 + " -P x", kInvocationRun, 0, 0, 0},
      {l256 + " -P x", kInvocationTooLong, 1, 256, 255},
      {"*.bmp -P " + l252, kInvocationRun, 0, 0, 0},
      {"*.bmp -P " + l253, kInvocationTooLong, 3, 253, 252},
      {"*.bmp -P x -o " + l253, kInvocationTooLong, 5, 253, 252},
      {"*.bmp -P x -o " + l252, kInvocationRun, 0, 0, 0},
      // Not an option value: only the 255 limit applies.
      {"*.bmp x " + l253, kInvocationUsage, 0, 0, 0},
      {"*.bmp " + l256 + " -P x", kInvocationTooLong, 2, 256, 255},
      // Arguments after the fifth are never read.
      {"*.bmp -P x -o y " + l256, kInvocationRun, 0, 0, 0},
  };
  for (const LongRow& row : rows) {
    SCOPED_TRACE(row.arguments.substr(0, 40));
    std::string raw = "tintshift " + row.arguments;
    Invocation invocation;
    TooLongArgument tooLong = {0, 0, 0};
    EXPECT_EQ(ReadInvocation(raw.c_str(), &invocation, &tooLong), row.verdict);
    if (row.verdict == kInvocationTooLong) {
      EXPECT_EQ(tooLong.position, row.position);
      EXPECT_EQ(tooLong.length, row.length);
      EXPECT_EQ(tooLong.limit, row.limit);
    }
  }
}

TEST(Options, TooLongMessageNamesTheArgumentAndTheLimit) {
  EXPECT_EQ(Str(TooLongMessage({3, 253, 252})),
            "Error: argument 3 is too long (253 characters; an option value holds at most 252)");
  EXPECT_EQ(Str(TooLongMessage({1, 300, 255})),
            "Error: argument 1 is too long (300 characters; an argument holds at most 255)");
}

}  // namespace
