// Linux: there is no c:\command.com, so a run of the interpreter path is done here
// without a shell: the /c command's words are split by the program's own tokenizer
// and its program is looked up beside tintshift, then along PATH (never in the
// current directory). Any other path is started directly with the tail's words.
#include <errno.h>
#include <limits.h>
#include <signal.h>
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

// The folder of the running executable, read once: it does not change while we run.
const char* OwnFolder(size_t* length) {
  static char folder[PATH_MAX];
  static ssize_t folderLength = -1;
  if (folderLength < 0) {
    folderLength = 0;
    ssize_t n = readlink("/proc/self/exe", folder, sizeof folder - 1);
    if (n > 0) {
      folder[n] = 0;
      const char* slash = strrchr(folder, '/');
      if (slash != nullptr) folderLength = slash - folder;
    }
  }
  *length = static_cast<size_t>(folderLength);
  return folder;
}

// Finds a program named without a '/': beside the running executable, then in the
// absolute folders of PATH.
Status FindProgram(const char* name, char* out) {
  size_t ownLength = 0;
  const char* own = OwnFolder(&ownLength);
  if (ownLength > 0 && JoinPath(own, ownLength, name, out) && IsRunnableFile(out))
    return kStatusOk;
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

  // vfork and execve, as posix_spawn does inside, but without glibc's sweep over
  // every signal in the child (over a hundred sigaction calls per start, which made
  // a batch slower than a shell loop). The child shares our memory until execve:
  // it only puts SIGPIPE back to its default (we ignore it), execs, and on failure
  // leaves the error where we can read it.
  volatile int startError = 0;
  pid_t pid = vfork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);
    execve(program, argv, environ);
    startError = errno;
    _exit(127);
  }
  if (pid < 0) return static_cast<Status>(errno);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return static_cast<Status>(errno);
  }
  if (startError != 0) return static_cast<Status>(startError);  // nothing ran
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
