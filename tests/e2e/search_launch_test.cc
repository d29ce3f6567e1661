// The file search and the process launcher against real folders and programs, run
// through host_probe on either build (under Wine for win32).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_runner.h"

namespace {

struct Walk {
  std::string first, next, close, closeAgain;
  std::vector<std::string> entries;  // "console|system", sorted
};

std::vector<std::string> Lines(const std::string& text, const std::string& end) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t stop = text.find(end, at);
    if (stop == std::string::npos) stop = text.size();
    lines.push_back(text.substr(at, stop - at));
    at = stop + end.size();
  }
  return lines;
}

Walk RunSearch(const Target& target, const std::string& dir, const std::string& mask,
               const std::string& create = "") {
  std::vector<std::string> args = {"search", mask};
  if (!create.empty()) args.push_back(create);
  RunResult r = RunBuilt(target, BuiltProgram(target, "host_probe"), args, {dir, "", {}});
  EXPECT_EQ(r.status, 0);
  Walk walk;
  for (const std::string& line : Lines(r.out, LineEnd(target))) {
    std::string value = line.substr(line.find(' ') + 1);
    if (line.rfind("first ", 0) == 0) walk.first = value;
    if (line.rfind("next ", 0) == 0) walk.next = value;
    if (line.rfind("close ", 0) == 0) walk.close = value;
    if (line.rfind("close-again ", 0) == 0) walk.closeAgain = value;
    if (line.rfind("entry ", 0) == 0) walk.entries.push_back(value);
  }
  std::sort(walk.entries.begin(), walk.entries.end());
  return walk;
}

// Marks a file hidden, system or read-only the platform's way.
void SetAttribute(const Target& target, const std::string& dir, const std::string& name,
                  const char* hex) {
  RunResult r = RunBuilt(target, BuiltProgram(target, "host_probe"), {"attrib", name, hex},
                         {dir, "", {}});
  ASSERT_EQ(r.out, "attrib 0" + LineEnd(target));
}

const char* EndOfListing(const Target& target) { return target.win32 ? "18" : "61"; }

TEST(Search, SkipsDirectoriesHiddenAndSystemEntriesAndTakesASnapshot) {
  const Target target = CurrentTarget();
  std::string dir = MakeTempDir();
  for (const char* name : {"a.bmp", "b.bmp", "ro.bmp", "other.txt"}) WriteFile(dir + "/" + name, "x");
  mkdir((dir + "/sub.bmp").c_str(), 0755);
  WriteFile(dir + "/sub.bmp/inner.bmp", "x");
  if (target.win32) {
    WriteFile(dir + "/h.bmp", "x");
    WriteFile(dir + "/s.bmp", "x");
    SetAttribute(target, dir, "h.bmp", "2");
    SetAttribute(target, dir, "s.bmp", "4");
    SetAttribute(target, dir, "ro.bmp", "1");
  } else {
    WriteFile(dir + "/.h.bmp", "x");
    mkfifo((dir + "/s.bmp").c_str(), 0644);
    symlink("nowhere", (dir + "/dangling.bmp").c_str());
    chmod((dir + "/ro.bmp").c_str(), 0444);
  }

  Walk walk = RunSearch(target, dir, "*.bmp", "new.bmp");
  EXPECT_EQ(walk.first, "0");
  EXPECT_EQ(walk.entries, (std::vector<std::string>{"a.bmp|a.bmp", "b.bmp|b.bmp", "ro.bmp|ro.bmp"}));
  EXPECT_EQ(walk.next, EndOfListing(target));
  EXPECT_EQ(walk.close, "0");
  EXPECT_EQ(walk.closeAgain, "0");
  EXPECT_TRUE(FileExists(dir + "/new.bmp"));  // created during the walk, never yielded

  // "*.*" also selects names without a dot; the '.' and '..' entries never come back.
  walk = RunSearch(target, dir, "*.*");
  EXPECT_EQ(walk.entries.size(), 5u);  // a, b, ro, new .bmp and other.txt
  RemoveTree(dir);
}

TEST(Search, FailedSearchesReturnTheSystemsStatus) {
  const Target target = CurrentTarget();
  std::string dir = MakeTempDir();
  mkdir((dir + "/only_dirs.bmp").c_str(), 0755);
  mkdir((dir + "/pics").c_str(), 0755);
  WriteFile(dir + "/pics/in.bmp", "x");
  const std::string sep = target.win32 ? "\\" : "/";

  struct Row {
    std::string mask;
    std::string first;
    std::vector<std::string> entries;
  };
  const Row rows[] = {
      {"*.bmp", EndOfListing(target), {}},    // entries, but none passes the filter
      {"*.gif", "2", {}},                     // nothing matches
      {"missing" + sep + "*.bmp", target.win32 ? "3" : "2", {}},
      {"pics" + sep + "*.bmp", "0", {"in.bmp|in.bmp"}},  // names come back without the folder
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mask);
    Walk walk = RunSearch(target, dir, row.mask);
    EXPECT_EQ(walk.first, row.first);
    EXPECT_EQ(walk.entries, row.entries);
    EXPECT_EQ(walk.close, "0");  // closing a failed or finished search is harmless
  }
  RemoveTree(dir);
}

TEST(Search, NonAsciiNamesComeBackInTheConsoleCodePage) {
  const Target target = CurrentTarget();
  std::string dir = MakeTempDir();
  WriteFile(dir + "/\xc3\xa9t\xc3\xa9.bmp", "x");  // "été.bmp" on the Linux side
  Walk walk = RunSearch(target, dir, "*.bmp");
  ASSERT_EQ(walk.entries.size(), 1u);
  if (target.win32) {
    // ANSI (cp1252) é is 0xE9, the OEM (cp850) console form 0x82.
    EXPECT_EQ(walk.entries[0], "\x82t\x82.bmp|\xe9t\xe9.bmp");
  } else {
    EXPECT_EQ(walk.entries[0], "\xc3\xa9t\xc3\xa9.bmp|\xc3\xa9t\xc3\xa9.bmp");
  }
  RemoveTree(dir);
}

TEST(Search, AFolderOfAHundredThousandNamesIsWalkedWhole) {
  const Target target = CurrentTarget();
  std::string dir = MakeTempDir();
  const int count = 100000;
  for (int i = 0; i < count; ++i) WriteFile(dir + "/picture" + std::to_string(i) + ".bmp", "");
  RunResult r = RunBuilt(target, BuiltProgram(target, "host_probe"), {"search", "*.bmp"},
                         {dir, "", {}});
  std::vector<std::string> lines = Lines(r.out, LineEnd(target));
  ASSERT_EQ(lines.size(), count + 4u);  // first, the entries, next, close, close-again
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << "an entry came twice";
  EXPECT_EQ(lines.front(), "close 0");
  RemoveTree(dir);
}

std::string Probe(const Target& target, const std::string& dir, const std::string& path,
                  const std::string& tail, std::vector<std::string> env = {},
                  const std::string& probe = "") {
  env.push_back("PROBE_TAIL=" + tail);
  RunResult r = RunBuilt(target, probe.empty() ? BuiltProgram(target, "host_probe") : probe,
                         {"run", path}, {dir, "", env});
  std::string out = r.out;
  if (out.size() >= LineEnd(target).size()) out.resize(out.size() - LineEnd(target).size());
  return out;
}

TEST(Launch, MissingProgramsStartNothingAndExitCodesComeBack) {
  const Target target = CurrentTarget();
  std::string dir = MakeTempDir();
  const std::string missing = target.win32 ? "c:\\no such program.exe" : dir + "/missing";
  EXPECT_EQ(Probe(target, dir, missing, "x"), "status 2 exit 0");
  EXPECT_FALSE(FileExists(dir + "/calls.log"));

  // A program started directly gets the tail's words.
  std::string recorder = BuiltProgram(target, "record_args");
  std::string path = target.win32 ? "z:" + recorder : recorder;
  if (target.win32) std::replace(path.begin(), path.end(), '/', '\\');
  EXPECT_EQ(Probe(target, dir, path, "one two", {"RECORD_EXIT=7"}), "status 0 exit 7");
  ASSERT_EQ(RecordedCalls(dir).size(), 1u);
  EXPECT_EQ(RecordedCalls(dir)[0], (std::vector<std::string>{"one", "two"}));
  RemoveTree(dir);
}

TEST(Launch, TheInterpreterRunsTheSlashCCommand) {
  const Target target = CurrentTarget();
  std::string dir = MakeTempDir();
  std::string probe = BuiltProgram(target, "host_probe");
  if (target.win32) {
    // Wine's cmd.exe at c:\command.com finds hueswap.exe in the current folder.
    WriteFile(dir + "/hueswap.exe", ReadFile(BuiltProgram(target, "record_args")));
  } else {
    // Beside the running program.
    mkdir((dir + "/bin").c_str(), 0755);
    WriteFile(dir + "/bin/host_probe", ReadFile(probe));
    WriteFile(dir + "/bin/hueswap", ReadFile(BuiltProgram(target, "record_args")));
    chmod((dir + "/bin/host_probe").c_str(), 0755);
    chmod((dir + "/bin/hueswap").c_str(), 0755);
    probe = dir + "/bin/host_probe";
  }
  EXPECT_EQ(Probe(target, dir, "c:\\command.com",
                  "/c hueswap \"my pic.bmp\" -O \"new a&b.bmp\" -P pal", {"RECORD_EXIT=4"}, probe),
            "status 0 exit 4");
  ASSERT_EQ(RecordedCalls(dir).size(), 1u);
  EXPECT_EQ(RecordedCalls(dir)[0],
            (std::vector<std::string>{"my pic.bmp", "-O", "new a&b.bmp", "-P", "pal"}));
  RemoveTree(dir);
}

TEST(Launch, TheLinuxInterpreterSearchesBesideTintshiftThenPathButNeverTheCurrentFolder) {
  const Target target = CurrentTarget();
  if (target.win32) GTEST_SKIP() << "the Linux stand-in for the interpreter";
  std::string dir = MakeTempDir();
  std::string recorder = ReadFile(BuiltProgram(target, "record_args"));
  for (const char* sub : {"/bin", "/path", "/work"}) mkdir((dir + sub).c_str(), 0755);
  WriteFile(dir + "/bin/host_probe", ReadFile(BuiltProgram(target, "host_probe")));
  chmod((dir + "/bin/host_probe").c_str(), 0755);
  WriteFile(dir + "/path/onpath", recorder);
  chmod((dir + "/path/onpath").c_str(), 0755);
  WriteFile(dir + "/work/incwd", recorder);
  chmod((dir + "/work/incwd").c_str(), 0755);
  const std::string probe = dir + "/bin/host_probe";
  const std::string path = "PATH=.:" + dir + "/path:/usr/bin:/bin";

  struct Row {
    std::string tail;
    std::string result;
    size_t calls;
  };
  const Row rows[] = {
      {"/c onpath x", "status 0 exit 0", 1},
      {"/C onpath \"a b\" c", "status 0 exit 0", 2},
      {"/c incwd x", "status 2 exit 0", 2},      // the current folder is never searched
      {"/c ./incwd x", "status 0 exit 0", 3},    // unless the name says so
      {"/c", "status 22 exit 0", 3},             // no command
      {"/k onpath x", "status 22 exit 0", 3},    // not the /c switch
      {"/c sh -c \"kill -9 $$\"", "status 0 exit 137", 3},  // a death by signal is a failure
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tail);
    EXPECT_EQ(Probe(target, dir + "/work", "c:\\command.com", row.tail, {path}, probe), row.result);
    EXPECT_EQ(RecordedCalls(dir + "/work").size(), row.calls);
  }
  const auto calls = RecordedCalls(dir + "/work");
  EXPECT_GE(calls.size(), 2u);  // checked first: a failed start above leaves fewer
  if (calls.size() >= 2) {
    EXPECT_EQ(calls[1], (std::vector<std::string>{"a b", "c"}));
  }
  RemoveTree(dir);
}

}  // namespace
