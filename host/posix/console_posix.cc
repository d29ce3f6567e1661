// Linux: the raw command line is rebuilt from argv, output goes through write(2).
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include "host/host.h"
#include "host/line_output.h"

namespace {

const char kLineEnd[] = "\n";
const char kEmptyCommandLine[] = "";

LineBuffer gOutput;
char* gRawCommandLine = nullptr;

Status WriteToFd(void* context, const char* bytes, unsigned count) {
  int fd = *static_cast<int*>(context);
  while (count > 0) {
    ssize_t written = write(fd, bytes, count);
    if (written < 0) {
      if (errno == EINTR) continue;
      return static_cast<Status>(errno);
    }
    bytes += written;
    count -= static_cast<unsigned>(written);
  }
  return kStatusOk;
}

int gStdout = STDOUT_FILENO;

bool NeedsQuotes(const char* arg) {
  if (*arg == 0) return true;
  for (; *arg != 0; ++arg)
    if (static_cast<unsigned char>(*arg) <= 32) return true;
  return false;
}

// Program name first, elements joined by one space; an element that is empty or
// holds a separator is wrapped in double quotes, so the shared tokenizer gives the
// same arguments back.
char* JoinArguments(int argc, char** argv) {
  size_t size = 1;
  for (int i = 0; i < argc; ++i) size += TextLength(argv[i]) + 3;
  char* raw = static_cast<char*>(malloc(size));
  if (raw == nullptr) return nullptr;
  size_t at = 0;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) raw[at++] = ' ';
    bool quote = NeedsQuotes(argv[i]);
    if (quote) raw[at++] = '"';
    for (const char* c = argv[i]; *c != 0; ++c) raw[at++] = *c;
    if (quote) raw[at++] = '"';
  }
  raw[at] = 0;
  return raw;
}

[[noreturn]] void EndWithStatus(int status) { EndProgram(status); }

}  // namespace

void OpenStandardStreams(int argc, char** argv) {
  // A closed pipe on standard output must be an error we report, not a silent death.
  signal(SIGPIPE, SIG_IGN);
  InitLineBuffer(&gOutput, WriteToFd, &gStdout);
  gRawCommandLine = JoinArguments(argc, argv);
  if (gRawCommandLine == nullptr) {
    WriteLine(TextFrom("Error: out of memory reading the command line"));
    EndProgram(kExitFailure);
  }
}

const char* RawCommandLine() {
  return gRawCommandLine != nullptr ? gRawCommandLine : kEmptyCommandLine;
}

void WriteLine(const ShortText& text) {
  PutLineOrEnd(&gOutput, text, kLineEnd, EndWithStatus);
}

void EndProgram(int status) {
  FlushLineBuffer(&gOutput);
  close(STDOUT_FILENO);
  close(STDIN_FILENO);
  _exit(status);
}

void* HostAllocate(unsigned long size) { return malloc(size); }
void HostFree(void* block) { free(block); }
