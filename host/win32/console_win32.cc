// Windows: kernel32 only. The command line comes from GetCommandLineA; output is
// written with WriteFile on the standard output handle.
#include <windows.h>

#include "host/host.h"
#include "host/line_output.h"

namespace {

const char kLineEnd[] = "\r\n";

LineBuffer gOutput;
HANDLE gStdout;
HANDLE gStdin;

Status WriteToHandle(void* context, const char* bytes, unsigned count) {
  HANDLE handle = *static_cast<HANDLE*>(context);
  while (count > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes, count, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    bytes += written;
    count -= written;
  }
  return kStatusOk;
}

[[noreturn]] void EndWithStatus(int status) { EndProgram(status); }

}  // namespace

void OpenStandardStreams(int, char**) {
  gStdin = GetStdHandle(STD_INPUT_HANDLE);
  gStdout = GetStdHandle(STD_OUTPUT_HANDLE);
  InitLineBuffer(&gOutput, WriteToHandle, &gStdout);
}

const char* RawCommandLine() { return GetCommandLineA(); }

void WriteLine(const ShortText& text) {
  PutLineOrEnd(&gOutput, text, kLineEnd, EndWithStatus);
}

void EndProgram(int status) {
  FlushLineBuffer(&gOutput);
  if (gStdout != nullptr && gStdout != INVALID_HANDLE_VALUE) CloseHandle(gStdout);
  if (gStdin != nullptr && gStdin != INVALID_HANDLE_VALUE) CloseHandle(gStdin);
  ExitProcess(static_cast<UINT>(status));
}

void* HostAllocate(unsigned long size) { return HeapAlloc(GetProcessHeap(), 0, size); }
void HostFree(void* block) { HeapFree(GetProcessHeap(), 0, block); }
