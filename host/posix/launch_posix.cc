// Linux: there is no c:\command.com, so a run of the interpreter path is done here
// without a shell: the /c command's words are split by the program's own tokenizer
// and its program is looked up beside tintshift, then along PATH (never in the
// current directory). Any other path is started directly with the tail's words.
#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/host.h"
#include "host/paths.h"

extern char** environ;

namespace {

const char kInterpreterPath[] = "c:\\command.com";

bool IsRunnableFile(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, X_OK) == 0;
}

// Joins folder and name into out (PATH_MAX bytes); false when it does not fit.
bool JoinPath(const char* folder, size_t folderLength, const char* name, char* out) {
  size_t nameLength = strlen(name);
  if (folderLength + 1 + nameLength + 1 > PATH_MAX) return false;
  memcpy(out, folder, folderLength);
  out[folderLength] = '/';
  memcpy(out + folderLength + 1, name, nameLength + 1);
  return true;
}

// Finds a program named without a '/': beside the running executable, then in the
// absolute folders of PATH.
Status FindProgram(const char* name, char* out) {
  char self[PATH_MAX];
  ssize_t selfLength = readlink("/proc/self/exe", self, sizeof self - 1);
  if (selfLength > 0) {
    self[selfLength] = 0;
    const char* slash = strrchr(self, '/');
    if (slash != nullptr && JoinPath(self, static_cast<size_t>(slash - self), name, out) &&
        IsRunnableFile(out))
      return kStatusOk;
  }
  const char* path = getenv("PATH");
  while (path != nullptr && *path != 0) {
    const char* end = strchr(path, ':');
    size_t length = end != nullptr ? static_cast<size_t>(end - path) : strlen(path);
    // Empty and relative entries would search the current directory.
    if (length > 0 && path[0] == '/' && JoinPath(path, length, name, out) && IsRunnableFile(out))
      return kStatusOk;
    path = end != nullptr ? end + 1 : nullptr;
  }
  return ENOENT;
}

Status Spawn(const char* program, const CommandWords& words, int firstWord,
             const char* argumentZero, unsigned long* exitCode) {
  char argumentBytes[kMaxCommandWords][kShortTextMax + 1];
  char* argv[kMaxCommandWords + 2];
  int argc = 0;
  argv[argc++] = const_cast<char*>(argumentZero);
  for (int i = firstWord; i < words.count; ++i) {
    ToZeroTerminated(words.words[i], argumentBytes[i]);
    argv[argc++] = argumentBytes[i];
  }
  argv[argc] = nullptr;

  // The started program gets the default disposition of SIGPIPE back.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid;
  int rc = posix_spawn(&pid, program, nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return static_cast<Status>(rc);

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return static_cast<Status>(errno);
  }
  if (WIFEXITED(status)) {
    *exitCode = static_cast<unsigned long>(WEXITSTATUS(status));
  } else {
    *exitCode = 128UL + static_cast<unsigned long>(WTERMSIG(status));
  }
  return kStatusOk;
}

}  // namespace

Status RunProgram(const ShortText& path, const ShortText& tail, unsigned long* exitCode) {
  *exitCode = 0;
  CommandWords words;
  char program[PATH_MAX];
  if (EqualIgnoringCase(path, kInterpreterPath)) {
    if (!SplitInterpreterTail(tail, &words)) return EINVAL;
    char name[kShortTextMax + 1];
    ToZeroTerminated(words.words[0], name);
    if (strchr(name, '/') != nullptr) {
      if (!IsRunnableFile(name)) return ENOENT;
      memcpy(program, name, strlen(name) + 1);
    } else {
      Status found = FindProgram(name, program);
      if (found != kStatusOk) return found;
    }
    return Spawn(program, words, 1, name, exitCode);
  }
  ToZeroTerminated(path, program);
  if (!IsRunnableFile(program)) return ENOENT;
  SplitWords(tail, &words);
  return Spawn(program, words, 0, program, exitCode);
}

ShortText DescribeStatus(Status status) {
  ShortText text = TextFrom("system error ");
  Append(&text, TextFromNumber(status));
  Append(&text, ": ");
  Append(&text, strerror(static_cast<int>(status)));
  return text;
}
