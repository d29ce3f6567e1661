// A test program over the host layer, built for both platforms:
//   host_probe search MASK [CREATE]   walks the search; after the first entry it
//                                     creates the file CREATE (it must not be yielded)
//   host_probe attrib FILE HEX        sets a file's attribute word (Windows only)
//   host_probe run PATH               runs a program with the tail held in the
//                                     environment variable PROBE_TAIL (so that it can
//                                     carry double quotes unchanged) and reports the
//                                     status and the exit code
// Each result is one line, so the tests can compare standard output.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

#include "host/host.h"

namespace {

void Report(const char* label, unsigned long value) {
  ShortText line = TextFrom(label);
  Append(&line, " ");
  Append(&line, TextFromNumber(value));
  WriteLine(line);
}

void CreateEmptyFile(const ShortText& name) {
  char nameZ[kShortTextMax + 1];
  ToZeroTerminated(name, nameZ);
#ifdef _WIN32
  HANDLE h = CreateFileA(nameZ, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
#else
  int fd = open(nameZ, O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd >= 0) close(fd);
#endif
}

int Search() {
  SearchState state;
  Status status = FindFirstMatch(ArgumentAt(2), 0x20, &state);
  Report("first", status);
  bool created = false;
  while (status == kStatusOk) {
    ShortText line = TextFrom("entry ");
    Append(&line, state.Name);
    Append(&line, "|");
    Append(&line, state.SystemName);
    WriteLine(line);
    if (!created && ArgumentAt(3).length != 0) {
      CreateEmptyFile(ArgumentAt(3));
      created = true;
    }
    status = FindNextMatch(&state);
    if (status != kStatusOk) Report("next", status);
  }
  Report("close", CloseSearch(&state));
  Report("close-again", CloseSearch(&state));
  return 0;
}

unsigned long ParseHex(const ShortText& text) {
  unsigned long value = 0;
  for (unsigned i = 0; i < text.length; ++i) {
    char c = text.bytes[i];
    value = value * 16 + static_cast<unsigned long>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
  }
  return value;
}

int SetAttributes() {
#ifdef _WIN32
  char nameZ[kShortTextMax + 1];
  ToZeroTerminated(ArgumentAt(2), nameZ);
  Report("attrib", SetFileAttributesA(nameZ, ParseHex(ArgumentAt(3))) ? 0 : GetLastError());
#else
  ParseHex(ArgumentAt(3));
  Report("attrib", 1);
#endif
  return 0;
}

ShortText TailFromEnvironment() {
#ifdef _WIN32
  char tail[1024];
  DWORD length = GetEnvironmentVariableA("PROBE_TAIL", tail, sizeof tail);
  if (length >= sizeof tail) length = 0;
  return TextFromBytes(tail, length);
#else
  const char* tail = getenv("PROBE_TAIL");
  return TextFrom(tail != nullptr ? tail : "");
#endif
}

int Run() {
  unsigned long exitCode = 0;
  Status status = RunProgram(ArgumentAt(2), TailFromEnvironment(), &exitCode);
  ShortText line = TextFrom("status ");
  Append(&line, TextFromNumber(status));
  Append(&line, " exit ");
  Append(&line, TextFromNumber(exitCode));
  WriteLine(line);
  return 0;
}

[[noreturn]] void ProbeMain() {
  ShortText command = ArgumentAt(1);
  if (Equal(command, "search")) EndProgram(Search());
  if (Equal(command, "attrib")) EndProgram(SetAttributes());
  if (Equal(command, "run")) EndProgram(Run());
  WriteLine(TextFrom("usage: host_probe search|attrib|run ..."));
  EndProgram(2);
}

}  // namespace

#ifdef _WIN32
extern "C" void __stdcall Entry() {
  OpenStandardStreams(0, nullptr);
  ProbeMain();
}
#else
int main(int argc, char** argv) {
  OpenStandardStreams(argc, argv);
  ProbeMain();
}
#endif
