// hueswap's command line: the argument reader as a table, and the built program
// (HUESWAP_PATH) run in a temporary folder as a table of invocations.
#include "converter/hueswap_cli.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "converter/bmp_decoder.h"
#include "tests/converter/bmp_builder.h"
#include "tests/converter/test_files.h"

namespace {

using bmptest::Bytes;
using bmptest::ReadFileBytes;
using bmptest::TempFolder;
using bmptest::WriteFileBytes;

struct ArgumentCase {
  std::vector<const char*> words;  // after the program's name
  bool valid;
  const char* input;
  const char* output;
  const char* palette;
};

TEST(HueswapArguments, Table) {
  const ArgumentCase cases[] = {
      {{}, false, "", "", ""},
      {{"a.bmp"}, false, "", "", ""},
      {{"a.bmp", "b.bmp", "-P"}, false, "", "", ""},
      {{"a.bmp", "b.bmp", "-P", "p.pal"}, true, "a.bmp", "b.bmp", "p.pal"},
      {{"a.bmp", "b.bmp", "-p", "p.pal"}, true, "a.bmp", "b.bmp", "p.pal"},
      {{"a.bmp", "a.bmp", "-P", "p.pal"}, true, "a.bmp", "a.bmp", "p.pal"},
      {{"a.bmp", "-O", "b.bmp", "-P", "p.pal"}, true, "a.bmp", "b.bmp", "p.pal"},
      {{"a.bmp", "-o", "b.bmp", "-p", "p.pal"}, true, "a.bmp", "b.bmp", "p.pal"},
      // Words are taken by position: option-like names are still names.
      {{"-O", "b.bmp", "-P", "p.pal"}, true, "-O", "b.bmp", "p.pal"},
      {{"-P.bmp", "b.bmp", "-P", "p.pal"}, true, "-P.bmp", "b.bmp", "p.pal"},
      {{"a.bmp", "-O", "-P", "-P", "-O"}, true, "a.bmp", "-P", "-O"},
      {{"a.bmp", "b.bmp", "-x", "p.pal"}, false, "", "", ""},
      {{"a.bmp", "b.bmp", "-PP", "p.pal"}, false, "", "", ""},
      {{"a.bmp", "b.bmp", "/P", "p.pal"}, false, "", "", ""},
      {{"a.bmp", "-P", "p.pal", "-O", "b.bmp"}, false, "", "", ""},
      {{"a.bmp", "b.bmp", "-P", "p.pal", "c"}, false, "", "", ""},
      {{"a.bmp", "-O", "b.bmp", "-P", "p.pal", "c"}, false, "", "", ""},
      {{"", "b.bmp", "-P", "p.pal"}, false, "", "", ""},
      {{"a.bmp", "", "-P", "p.pal"}, false, "", "", ""},
      {{"a.bmp", "b.bmp", "-P", ""}, false, "", "", ""},
  };
  for (const ArgumentCase& c : cases) {
    std::vector<const char*> argv = {"hueswap"};
    argv.insert(argv.end(), c.words.begin(), c.words.end());
    argv.push_back(nullptr);
    HueswapArguments arguments;
    std::string error;
    bool valid = ReadHueswapArguments(static_cast<int>(argv.size()) - 1, argv.data(), &arguments, &error);
    std::string shown;
    for (const char* w : c.words) shown += std::string("[") + w + "] ";
    EXPECT_EQ(valid, c.valid) << shown << error;
    if (valid && c.valid) {
      EXPECT_EQ(arguments.input, c.input) << shown;
      EXPECT_EQ(arguments.output, c.output) << shown;
      EXPECT_EQ(arguments.palette, c.palette) << shown;
    }
    if (!valid && !c.words.empty()) {
      EXPECT_FALSE(error.empty()) << shown;
    }
  }
}

// ---------------------------------------------------------------------------------
// The program.

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

struct RunResult {
  int status = -1;  // exit status, or -1 if the program did not exit normally
  std::string out;
  std::string err;
};

// Runs hueswap in folder with the given words; `prefix` is shell text run before it.
RunResult RunHueswapIn(const TempFolder& folder, const std::vector<std::string>& words,
                       const std::string& prefix = "") {
  std::string command = "cd " + Quote(folder.path()) + " && " + prefix + "exec " + Quote(HUESWAP_PATH);
  for (const std::string& w : words) command += " " + Quote(w);
  // The captured streams go to a folder of their own, not into the listing checked.
  TempFolder capture;
  std::string outFile = capture / "out.txt";
  std::string errFile = capture / "err.txt";
  command = "(" + command + ") >" + Quote(outFile) + " 2>" + Quote(errFile);
  RunResult result;
  int status = std::system(command.c_str());
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  Bytes out = ReadFileBytes(outFile), err = ReadFileBytes(errFile);
  result.out.assign(out.begin(), out.end());
  result.err.assign(err.begin(), err.end());
  return result;
}

Bytes SmallPicture() {
  bmptest::BmpLayout layout;
  layout.width = 5;
  layout.height = 3;
  layout.bitCount = 24;
  for (int i = 0; i < 3; ++i) {
    layout.pixels.insert(layout.pixels.end(), {0, 0, 255, 0, 255, 0, 255, 0, 0, 9, 9, 9, 250, 250, 250, 0});
  }
  return bmptest::BuildBmp(layout);
}

// The files every program case starts with.
void SetUpFolder(const TempFolder& folder) {
  std::string jasc = bmptest::TestPaletteJasc();
  ASSERT_TRUE(WriteFileBytes(folder / "p.pal", Bytes(jasc.begin(), jasc.end())));
  ASSERT_TRUE(WriteFileBytes(folder / "in.bmp", SmallPicture()));
  ASSERT_TRUE(WriteFileBytes(folder / "-O", SmallPicture()));
  ASSERT_TRUE(WriteFileBytes(folder / "-P.bmp", SmallPicture()));
  ASSERT_TRUE(WriteFileBytes(folder / "bad.bmp", Bytes{'B', 'M', 0, 0, 0}));
  ASSERT_TRUE(WriteFileBytes(folder / "bad.pal", Bytes{'?', '?'}));
}

const std::vector<std::string> kStartFiles = {"-O", "-P.bmp", "bad.bmp", "bad.pal", "in.bmp", "p.pal"};

bool IsConverted(const std::string& path) {
  Bytes bytes = ReadFileBytes(path);
  DecodedBmp picture;
  std::string error;
  return bytes.size() > 54 && bytes[28] == 8 && DecodeBmpMemory(bytes.data(), bytes.size(), &picture, &error) &&
         picture.width == 5 && picture.height == 3;
}

struct ProgramCase {
  std::vector<std::string> words;
  int status;
  std::string err;          // exact standard error for status 1; for 2, its first line
  const char* converted;    // the file that holds the conversion afterwards, or null
};

TEST(HueswapProgram, Table) {
  const std::string usage = "usage: hueswap INPUT OUTPUT -P PALETTE";
  const ProgramCase cases[] = {
      // Usage errors: exit 2 and the usage text.
      {{}, 2, usage, nullptr},
      {{"in.bmp"}, 2, "hueswap: too few words", nullptr},
      {{"in.bmp", "out.bmp", "-P"}, 2, "hueswap: too few words", nullptr},
      {{"in.bmp", "out.bmp", "-x", "p.pal"}, 2, "hueswap: expected -P as the third word, not \"-x\"", nullptr},
      {{"in.bmp", "out.bmp", "-P", "p.pal", "more"}, 2, "hueswap: expected -O as the second word, not \"out.bmp\"", nullptr},
      {{"in.bmp", "-O", "out.bmp", "-P", "p.pal", "more"}, 2, "hueswap: too many words", nullptr},
      {{"in.bmp", "-P", "p.pal", "-O", "out.bmp"}, 2, "hueswap: expected -O as the second word, not \"-P\"", nullptr},
      {{"in.bmp", "", "-P", "p.pal"}, 2, "hueswap: the output file name is empty", nullptr},
      // Conversions: exit 0, silent.
      {{"in.bmp", "out.bmp", "-P", "p.pal"}, 0, "", "out.bmp"},
      {{"in.bmp", "out.bmp", "-p", "p.pal"}, 0, "", "out.bmp"},
      {{"in.bmp", "-O", "out.bmp", "-P", "p.pal"}, 0, "", "out.bmp"},
      {{"in.bmp", "-o", "out.bmp", "-p", "p.pal"}, 0, "", "out.bmp"},
      {{"in.bmp", "in.bmp", "-P", "p.pal"}, 0, "", "in.bmp"},
      {{"in.bmp", "-O", "in.bmp", "-P", "p.pal"}, 0, "", "in.bmp"},
      {{"-O", "out.bmp", "-P", "p.pal"}, 0, "", "out.bmp"},
      {{"-P.bmp", "-O", "out.bmp", "-P", "p.pal"}, 0, "", "out.bmp"},
      // Errors: exit 1, one line naming the file and the reason.
      {{"missing.bmp", "out.bmp", "-P", "p.pal"}, 1,
       "hueswap: missing.bmp: cannot open: No such file or directory\n", nullptr},
      {{"bad.bmp", "out.bmp", "-P", "p.pal"}, 1, "hueswap: bad.bmp: truncated file header\n", nullptr},
      {{"p.pal", "out.bmp", "-P", "p.pal"}, 1, "hueswap: p.pal: not a BMP file\n", nullptr},
      {{"in.bmp", "out.bmp", "-P", "missing.pal"}, 1,
       "hueswap: missing.pal: cannot open: No such file or directory\n", nullptr},
      {{"in.bmp", "nodir/out.bmp", "-P", "p.pal"}, 1,
       "hueswap: nodir/out.bmp: cannot create a temporary file beside it: No such file or directory\n", nullptr},
      {{"bad.bmp", "bad.bmp", "-P", "p.pal"}, 1, "hueswap: bad.bmp: truncated file header\n", nullptr},
      {{".", "out.bmp", "-P", "p.pal"}, 1, "hueswap: .: not a regular file\n", nullptr},
  };
  for (const ProgramCase& c : cases) {
    std::string shown;
    for (const std::string& w : c.words) shown += "[" + w + "] ";
    SCOPED_TRACE(shown);
    TempFolder folder;
    SetUpFolder(folder);
    RunResult result = RunHueswapIn(folder, c.words);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.out, "");
    if (c.status == 2) {
      EXPECT_EQ(result.err.substr(0, result.err.find('\n')), c.err);
      EXPECT_NE(result.err.find(usage), std::string::npos) << result.err;
    } else {
      EXPECT_EQ(result.err, c.err);
    }
    std::vector<std::string> expected = kStartFiles;
    if (c.converted != nullptr && std::string(c.converted) == "out.bmp") {
      expected.push_back("out.bmp");
      std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(folder.Names(), expected);
    if (c.converted != nullptr) {
      EXPECT_TRUE(IsConverted(folder / c.converted));
    }
    if (c.status != 0) {
      EXPECT_EQ(ReadFileBytes(folder / "in.bmp"), SmallPicture());
    }
  }
  // A bad palette file is named with the palette parser's reason.
  TempFolder folder;
  SetUpFolder(folder);
  RunResult result = RunHueswapIn(folder, {"in.bmp", "out.bmp", "-P", "bad.pal"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("hueswap: bad.pal: ", 0), 0u) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_EQ(folder.Names(), kStartFiles);
}

// A picture large enough that its output does not fit under a small file size limit.
Bytes LargePicture(int side) {
  bmptest::BmpLayout layout;
  layout.width = side;
  layout.height = side;
  layout.bitCount = 24;
  layout.pixels.resize(static_cast<std::size_t>(side) * side * 3);
  for (std::size_t i = 0; i < layout.pixels.size(); ++i) layout.pixels[i] = static_cast<unsigned char>(i * 7);
  return bmptest::BuildBmp(layout);
}

// A full disk, as a file size limit: the write fails, the original stays as it was.
TEST(HueswapProgram, FullDiskKeepsTheOriginal) {
  TempFolder folder;
  SetUpFolder(folder);
  Bytes big = LargePicture(512);
  ASSERT_TRUE(WriteFileBytes(folder / "big.bmp", big));
  // ulimit -f counts 512-byte blocks in POSIX shells: 64 blocks, 32 KiB. SIGXFSZ is
  // ignored so that the write fails instead of ending the process.
  RunResult result = RunHueswapIn(folder, {"big.bmp", "big.bmp", "-P", "p.pal"}, "trap '' XFSZ; ulimit -f 64; ");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("hueswap: big.bmp: write error: ", 0), 0u) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  EXPECT_EQ(ReadFileBytes(folder / "big.bmp"), big);
  std::vector<std::string> expected = kStartFiles;
  expected.push_back("big.bmp");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.Names(), expected);
}

// Interrupted half-way (SIGTERM, SIGINT): the temporary file goes, the original stays.
TEST(HueswapProgram, InterruptedConversionKeepsTheOriginal) {
  TempFolder folder;
  SetUpFolder(folder);
  Bytes big = LargePicture(3000);
  ASSERT_TRUE(WriteFileBytes(folder / "big.bmp", big));
  std::vector<std::string> expected = kStartFiles;
  expected.push_back("big.bmp");
  std::sort(expected.begin(), expected.end());
  bool caught = false;
  for (int signal : {SIGTERM, SIGINT}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (chdir(folder.path().c_str()) != 0) _exit(100);
      execl(HUESWAP_PATH, "hueswap", "big.bmp", "big.bmp", "-P", "p.pal", static_cast<char*>(nullptr));
      _exit(101);
    }
    // Wait for the temporary file to appear, then interrupt.
    bool seen = false;
    for (int i = 0; i < 20000 && !seen; ++i) {
      for (const std::string& name : folder.Names()) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) seen = true;
      }
      if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    if (seen) kill(child, signal);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (seen && WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), signal);
      // Never a partial file: the original, or (interrupted just after the rename) the
      // complete conversion.
      Bytes now = ReadFileBytes(folder / "big.bmp");
      if (now == big) {
        caught = true;
      } else {
        EXPECT_EQ(now.size(), 14u + 40u + 4u * 16u + 3000u * 3000u);
        ASSERT_TRUE(WriteFileBytes(folder / "big.bmp", big));
      }
    } else {
      // The conversion finished before the signal: start again from the original.
      ASSERT_TRUE(WriteFileBytes(folder / "big.bmp", big));
    }
    EXPECT_EQ(folder.Names(), expected);
  }
  if (!caught) GTEST_SKIP() << "every conversion finished before it could be interrupted";
}

}  // namespace
