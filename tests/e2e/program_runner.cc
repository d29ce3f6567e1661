#include "tests/e2e/program_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace {

std::string Env(const char* name, const char* fallback) {
  const char* value = getenv(name);
  return value != nullptr && *value != 0 ? value : fallback;
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> result;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const std::string& x : extra)
      if (x.substr(0, x.find('=')) == name) replaced = true;
    if (!replaced) result.push_back(entry);
  }
  for (const std::string& x : extra) result.push_back(x);
  return result;
}

std::string TempFileName() {
  char name[] = "/tmp/tintshift-stream-XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) throw std::runtime_error("mkstemp failed");
  close(fd);
  return name;
}

}  // namespace

Target CurrentTarget() {
  Target target;
  target.win32 = Env("TINTSHIFT_TARGET", "native") == "win32";
  target.binDir = Env("TINTSHIFT_BIN_DIR", NATIVE_BIN_DIR);
  target.winePrefix = Env("WINEPREFIX", "");
  return target;
}

std::string LineEnd(const Target& target) { return target.win32 ? "\r\n" : "\n"; }

std::string BuiltProgram(const Target& target, const std::string& name) {
  return target.binDir + "/" + name + (target.win32 ? ".exe" : "");
}

RunResult RunBuilt(const Target& target, const std::string& program,
                   const std::vector<std::string>& args, const RunOptions& options) {
  std::vector<std::string> argv;
  if (target.win32) argv.push_back(Env("WINE", "wine-stable"));
  argv.push_back(program);
  argv.insert(argv.end(), args.begin(), args.end());

  std::vector<std::string> env = options.env;
  if (target.win32) {
    env.push_back("WINEDEBUG=-all");
    env.push_back("LANG=C.UTF-8");
  }
  std::vector<std::string> merged = MergedEnvironment(env);

  // Both streams go to files, never to the pipes of the test runner: Wine's helper
  // processes outlive a run and would keep such a pipe open.
  std::string outPath = options.stdoutPath.empty() ? TempFileName() : options.stdoutPath;
  std::string errPath = TempFileName();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!options.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, options.cwd.c_str());

  std::vector<char*> cargv, cenv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  for (std::string& e : merged) cenv.push_back(e.data());
  cenv.push_back(nullptr);

  pid_t pid;
  int rc = posix_spawnp(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + strerror(rc));
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
  }
  RunResult result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  if (options.stdoutPath.empty()) {
    result.out = ReadFile(outPath);
    unlink(outPath.c_str());
  }
  result.err = ReadFile(errPath);
  unlink(errPath.c_str());
  return result;
}

std::string MakeTempDir() {
  char name[] = "/tmp/tintshift-test-XXXXXX";
  if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
  return name;
}

void RemoveTree(const std::string& path) {
  std::error_code ignored;
  // Read-only files and folders must go too.
  for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::remove_all(path, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::vector<RecordedCall> RecordedCalls(const std::string& dir) {
  std::vector<RecordedCall> calls;
  std::string log = ReadFile(dir + "/calls.log");
  size_t at = 0;
  while (at < log.size()) {
    size_t eol = log.find('\n', at);
    int count = std::stoi(log.substr(at + 5, eol - at - 5));  // "call N"
    at = eol + 1;
    RecordedCall args;
    for (int i = 0; i < count; ++i) {  // "length:bytes"
      size_t colon = log.find(':', at);
      size_t length = std::stoul(log.substr(at, colon - at));
      args.push_back(log.substr(colon + 1, length));
      at = colon + 1 + length + 1;
    }
    calls.push_back(args);
  }
  return calls;
}
