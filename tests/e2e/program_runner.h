// Runs the built programs for end-to-end tests: directly for the Linux build, under
// Wine for the Windows build. Which one comes from the environment that CTest sets:
// TINTSHIFT_TARGET (native or win32) and TINTSHIFT_BIN_DIR (the build tree).
#ifndef TINTSHIFT_TESTS_E2E_PROGRAM_RUNNER_H
#define TINTSHIFT_TESTS_E2E_PROGRAM_RUNNER_H

#include <string>
#include <vector>

struct Target {
  bool win32;
  std::string binDir;      // where tintshift (tintshift.exe) was built
  std::string winePrefix;  // the test prefix, for win32
};

Target CurrentTarget();

// The platform's line end in tintshift's output.
std::string LineEnd(const Target& target);

// The path of a program of the build tree (adds .exe for win32).
std::string BuiltProgram(const Target& target, const std::string& name);

struct RunResult {
  std::string out;  // standard output bytes (empty when redirected elsewhere)
  std::string err;  // standard error bytes
  int status;       // exit status, or 128 + signal
};

struct RunOptions {
  std::string cwd;                    // empty: the current directory
  std::string stdoutPath;             // empty: captured into RunResult::out
  std::vector<std::string> env;       // NAME=value entries added or replaced
};

// Runs program (a path) with args; for win32 through Wine.
RunResult RunBuilt(const Target& target, const std::string& program,
                   const std::vector<std::string>& args, const RunOptions& options);

// A fresh temporary folder, removed by RemoveTree.
std::string MakeTempDir();
void RemoveTree(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// The calls that the record_args stand-in logged in dir (calls.log), each the list
// of arguments it received.
using RecordedCall = std::vector<std::string>;
std::vector<RecordedCall> RecordedCalls(const std::string& dir);

#endif
