// The whole batch end to end on either build: a stand-in converter named hueswap
// records exactly the arguments it receives; each case runs in its own folder.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_runner.h"

namespace {

using Call = RecordedCall;

struct Batch {
  std::string dir;   // the case's folder: the current folder of the run
  std::string program;
  const Target& target;
};

// A folder with the stand-in converter where the interpreter finds it: in the
// current folder under Wine's cmd, beside a copy of tintshift on Linux.
Batch MakeBatch(const Target& target) {
  Batch batch{MakeTempDir(), "", target};
  std::string recorder = ReadFile(BuiltProgram(target, "record_args"));
  if (target.win32) {
    WriteFile(batch.dir + "/hueswap.exe", recorder);
    batch.program = BuiltProgram(target, "tintshift");
  } else {
    std::string bin = batch.dir + "/.bin";
    mkdir(bin.c_str(), 0755);
    WriteFile(bin + "/tintshift", ReadFile(BuiltProgram(target, "tintshift")));
    WriteFile(bin + "/hueswap", recorder);
    chmod((bin + "/tintshift").c_str(), 0755);
    chmod((bin + "/hueswap").c_str(), 0755);
    batch.program = bin + "/tintshift";
  }
  return batch;
}

void AddFile(const Batch& batch, const std::string& name) {
  if (!name.empty() && name.back() == '/') {
    mkdir((batch.dir + "/" + name).c_str(), 0755);
  } else {
    WriteFile(batch.dir + "/" + name, "x");
  }
}

// Output split into blocks, each a progress line with the lines that follow it.
std::vector<std::string> Blocks(const std::string& out, const std::string& end) {
  std::vector<std::string> blocks;
  size_t at = 0;
  while (at < out.size()) {
    size_t stop = out.find(end, at);
    if (stop == std::string::npos) stop = out.size();
    std::string line = out.substr(at, stop - at);
    if (line.rfind("Now doing: ", 0) == 0 || blocks.empty()) {
      blocks.push_back(line);
    } else {
      blocks.back() += "|" + line;
    }
    at = stop + end.size();
  }
  return blocks;
}

struct Case {
  std::string label;
  std::vector<std::string> files;
  std::vector<std::string> args;
  std::vector<std::string> blocks;  // "progress|extra line|...", in any order
  std::vector<Call> calls;          // in any order
  int status;
  std::vector<std::string> env;
};

void RunCase(const Target& target, const Case& c) {
  SCOPED_TRACE(c.label);
  Batch batch = MakeBatch(target);
  for (const std::string& f : c.files) AddFile(batch, f);
  RunResult r = RunBuilt(target, batch.program, c.args, {batch.dir, "", c.env});
  std::vector<std::string> blocks = Blocks(r.out, LineEnd(target));
  std::vector<Call> calls = RecordedCalls(batch.dir);

  // Entries come in the file system's order: the calls follow the progress lines.
  std::vector<std::string> expectedBlocks = c.blocks, gotBlocks = blocks;
  std::sort(expectedBlocks.begin(), expectedBlocks.end());
  std::sort(gotBlocks.begin(), gotBlocks.end());
  EXPECT_EQ(gotBlocks, expectedBlocks) << r.out << r.err;
  std::vector<Call> expectedCalls = c.calls, gotCalls = calls;
  std::sort(expectedCalls.begin(), expectedCalls.end());
  std::sort(gotCalls.begin(), gotCalls.end());
  EXPECT_EQ(gotCalls, expectedCalls);
  EXPECT_EQ(r.status, c.status);
  // Nothing else is written: the output is exactly those blocks, line by line.
  std::string joined;
  for (std::string block : blocks) {
    for (size_t p; (p = block.find('|')) != std::string::npos;) block.replace(p, 1, LineEnd(target));
    joined += block + LineEnd(target);
  }
  EXPECT_EQ(joined, r.out);
  EXPECT_FALSE(FileExists(batch.dir + "/canary")) << "an injected command ran";
  RemoveTree(batch.dir);
}

TEST(Batch, ConvertsEveryFileTheMaskSelects) {
  const Target target = CurrentTarget();
  const std::string sep = target.win32 ? "\\" : "/";
  const std::string out = "out" + sep;
  const std::vector<Case> cases = {
      {"typical run", {"a.bmp", "b.bmp", "game.pal"}, {"*.bmp", "-o", "new_", "-P", "game.pal"},
       {"Now doing: -O new_a.bmp -P game.pal", "Now doing: -O new_b.bmp -P game.pal"},
       {{"a.bmp", "-O", "new_a.bmp", "-P", "game.pal"}, {"b.bmp", "-O", "new_b.bmp", "-P", "game.pal"}},
       0, {}},
      {"in place", {"a.bmp"}, {"*.bmp", "-P", "game.pal"},
       {"Now doing: a.bmp -P game.pal"}, {{"a.bmp", "a.bmp", "-P", "game.pal"}}, 0, {}},
      {"output folder", {"a.bmp"}, {"*.BMP", "-O", out, "-P", "x.pal"},
       {"Now doing: -O " + out + "a.bmp -P x.pal"}, {{"a.bmp", "-O", out + "a.bmp", "-P", "x.pal"}},
       0, {}},
      {"palette word last", {"a.bmp"}, {"*.bmp", "-o", "new_", "-p"},
       {"Now doing: -O new_a.bmp -P "}, {{"a.bmp", "-O", "new_a.bmp", "-P"}}, 0, {}},
      {"output word last", {"a.bmp"}, {"*.bmp", "-P", "x.pal", "-o"},
       {"Now doing: -O a.bmp -P x.pal"}, {{"a.bmp", "-O", "a.bmp", "-P", "x.pal"}}, 0, {}},
      {"nothing matches", {"a.gif"}, {"*.bmp", "-P", "x.pal"}, {"Failed .....to find file"}, {},
       0, {}},
      {"missing folder", {}, {"nowhere" + sep + "*.bmp", "-P", "x.pal"},
       {"Failed .....to find file"}, {}, 0, {}},
      {"outputs are not converted again", {"a.bmp", "b.bmp"}, {"*.bmp", "-o", "new_", "-P", "p"},
       {"Now doing: -O new_a.bmp -P p", "Now doing: -O new_b.bmp -P p"},
       {{"a.bmp", "-O", "new_a.bmp", "-P", "p"}, {"b.bmp", "-O", "new_b.bmp", "-P", "p"}}, 0,
       {"RECORD_OUTPUTS=1"}},
      {"folder in the mask, in place", {"pics/", "pics/a.bmp"}, {"pics" + sep + "*.bmp", "-P", "p"},
       {"Now doing: a.bmp -P p"}, {{"pics" + sep + "a.bmp", "pics" + sep + "a.bmp", "-P", "p"}}, 0,
       {}},
      {"folder in the mask, with a prefix", {"pics/", "pics/a.bmp"},
       {"pics" + sep + "*.bmp", "-o", "new_", "-P", "p"}, {"Now doing: -O new_a.bmp -P p"},
       {{"pics" + sep + "a.bmp", "-O", "new_a.bmp", "-P", "p"}}, 0, {}},
      {"a failing conversion", {"a.bmp", "b.bmp", "c.bmp"}, {"*.bmp", "-P", "p"},
       {"Now doing: a.bmp -P p", "Now doing: b.bmp -P p", "Now doing: c.bmp -P p"},
       {{"a.bmp", "a.bmp", "-P", "p"}, {"b.bmp", "b.bmp", "-P", "p"}, {"c.bmp", "c.bmp", "-P", "p"}},
       1, {"RECORD_FAIL_FOR=b.bmp"}},
  };
  for (const Case& c : cases) RunCase(target, c);
}

TEST(Batch, SkipsDirectoriesHiddenAndSystemFilesButNotReadOnlyOnes) {
  const Target target = CurrentTarget();
  Batch batch = MakeBatch(target);
  for (const char* f : {"a.bmp", "ro.bmp", "h.bmp", "s.bmp", "d.bmp/"}) AddFile(batch, f);
  if (target.win32) {
    for (auto [name, hex] : {std::pair{"h.bmp", "2"}, {"s.bmp", "4"}, {"ro.bmp", "1"}})
      ASSERT_EQ(RunBuilt(target, BuiltProgram(target, "host_probe"), {"attrib", name, hex},
                         {batch.dir, "", {}}).status, 0);
  } else {
    rename((batch.dir + "/h.bmp").c_str(), (batch.dir + "/.h.bmp").c_str());
    unlink((batch.dir + "/s.bmp").c_str());
    mkfifo((batch.dir + "/s.bmp").c_str(), 0644);
    chmod((batch.dir + "/ro.bmp").c_str(), 0444);
  }
  RunResult r = RunBuilt(target, batch.program, {"*.bmp", "-P", "p"}, {batch.dir, "", {}});
  std::vector<Call> calls = RecordedCalls(batch.dir);
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ(calls, (std::vector<Call>{{"a.bmp", "a.bmp", "-P", "p"}, {"ro.bmp", "ro.bmp", "-P", "p"}}));
  EXPECT_EQ(r.status, 0);
  RemoveTree(batch.dir);
}

TEST(Batch, HostileNamesReachTheConverterWholeOrAreSkipped) {
  const Target target = CurrentTarget();
  const std::string e = LineEnd(target);
  const std::string skipTail = ", which the command interpreter cannot pass on unchanged";
  std::vector<std::string> converted = {"my pic.bmp", "a&b.bmp", "a;b.bmp", "(1).bmp", "x^y.bmp",
                                        "it's.bmp", "back`tick.bmp", "$(x).bmp", "-P.bmp",
                                        "a,b=c.bmp", "x&hueswap canary.bmp"};
  std::vector<std::pair<std::string, std::string>> skipped;  // name, reason
  if (target.win32) {
    skipped = {{"50%.bmp", "%"}, {"hi!.bmp", "!"}};
  } else {
    for (const char* n : {"50%.bmp", "hi!.bmp", "a|b.bmp", "a<b>c.bmp", "t\tab.bmp",
                          "$(touch canary).bmp", ";touch canary;.bmp"})
      converted.push_back(n);
    skipped = {{"q\"uote.bmp", "a double quote"}};
  }
  Batch batch = MakeBatch(target);
  for (const std::string& n : converted) AddFile(batch, n);
  for (const auto& s : skipped) AddFile(batch, s.first);
  const std::string longName = std::string(196, 'L') + ".bmp";
  AddFile(batch, longName);

  RunResult r = RunBuilt(target, batch.program, {"*.bmp", "-o", "new_", "-P", "p"}, {batch.dir, "", {}});
  std::vector<Call> expected;
  std::string expectedOut;
  for (const std::string& n : converted) expected.push_back({n, "-O", "new_" + n, "-P", "p"});
  std::vector<Call> calls = RecordedCalls(batch.dir);
  std::sort(calls.begin(), calls.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(calls, expected);
  for (const std::string& n : converted)
    EXPECT_NE(r.out.find("Now doing: -O new_" + n + " -P p" + e), std::string::npos) << n;
  for (const auto& s : skipped)
    EXPECT_NE(r.out.find("Now doing: -O new_" + s.first + " -P p" + e +
                         "Skipped: a file or option name holds " + s.second + skipTail + e),
              std::string::npos)
        << s.first;
  EXPECT_NE(r.out.find("Now doing: -O new_" + longName + " -P p" + e +
                       "Skipped: its converter command line would be 424 characters long, over the limit of 255" + e),
            std::string::npos);
  EXPECT_EQ(r.status, 1);  // something was skipped
  EXPECT_FALSE(FileExists(batch.dir + "/canary"));
  RemoveTree(batch.dir);
}

TEST(Batch, NonAsciiNamesReachTheConverterAsTheFileSystemHasThem) {
  const Target target = CurrentTarget();
  Batch batch = MakeBatch(target);
  AddFile(batch, "\xc3\xa9t\xc3\xa9.bmp");  // "été.bmp" on the Linux side
  RunResult r = RunBuilt(target, batch.program, {"*.bmp", "-P", "p"}, {batch.dir, "", {}});
  std::vector<Call> calls = RecordedCalls(batch.dir);
  if (target.win32) {
    // The console shows the OEM form; the converter gets the ANSI name it can open.
    EXPECT_EQ(r.out, "Now doing: \x82t\x82.bmp -P p\r\n");
    EXPECT_EQ(calls, (std::vector<Call>{{"\xe9t\xe9.bmp", "\xe9t\xe9.bmp", "-P", "p"}}));
  } else {
    EXPECT_EQ(r.out, "Now doing: \xc3\xa9t\xc3\xa9.bmp -P p\n");
    EXPECT_EQ(calls, (std::vector<Call>{{"\xc3\xa9t\xc3\xa9.bmp", "\xc3\xa9t\xc3\xa9.bmp", "-P", "p"}}));
  }
  EXPECT_EQ(r.status, 0);
  RemoveTree(batch.dir);
}

TEST(Batch, WithoutTheInterpreterEveryEntryReportsTheError) {
  const Target target = CurrentTarget();
  Batch batch = MakeBatch(target);
  AddFile(batch, "a.bmp");
  AddFile(batch, "b.bmp");
  std::string hidden, error;
  if (target.win32) {
    hidden = target.winePrefix + "/drive_c/command.com";
    ASSERT_EQ(rename(hidden.c_str(), (hidden + ".away").c_str()), 0);
    error = "system error 2: file not found";
  } else {
    unlink((batch.dir + "/.bin/hueswap").c_str());  // nothing for the stand-in to start
    error = "system error 2: No such file or directory";
  }
  RunResult r = RunBuilt(target, batch.program, {"*.bmp", "-P", "p"},
                         {batch.dir, "", {"PATH=/nonexistent"}});
  if (target.win32) rename((hidden + ".away").c_str(), hidden.c_str());
  const std::string e = LineEnd(target);
  std::vector<std::string> blocks = Blocks(r.out, e);
  std::sort(blocks.begin(), blocks.end());
  EXPECT_EQ(blocks, (std::vector<std::string>{
                        "Now doing: a.bmp -P p|Failed to start c:\\command.com: " + error,
                        "Now doing: b.bmp -P p|Failed to start c:\\command.com: " + error}));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(FileExists(batch.dir + "/calls.log"));
  RemoveTree(batch.dir);
}

TEST(Batch, AFullStandardOutputStopsBeforeAnyConverterRuns) {
  const Target target = CurrentTarget();
  Batch batch = MakeBatch(target);
  AddFile(batch, "a.bmp");
  AddFile(batch, "b.bmp");
  RunResult r = RunBuilt(target, batch.program, {"*.bmp", "-P", "p"}, {batch.dir, "/dev/full", {}});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(FileExists(batch.dir + "/calls.log"));
  // Nothing matched: the not-found line cannot be written either.
  r = RunBuilt(target, batch.program, {"*.gif", "-P", "p"}, {batch.dir, "/dev/full", {}});
  EXPECT_EQ(r.status, 1);
  RemoveTree(batch.dir);
}

}  // namespace
