// Windows: CreateProcessA on the quoted path and the tail, then a wait for the end.
#include <windows.h>

#include "host/host.h"

Status RunProgram(const ShortText& path, const ShortText& tail, unsigned long* exitCode) {
  *exitCode = 0;
  char pathZ[kShortTextMax + 1];
  ToZeroTerminated(path, pathZ);
  char commandLine[kCommandLineMax + 1];
  ComposeCommandLine(path, tail, commandLine);

  STARTUPINFOA startup;
  FillBytes(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process;
  FillBytes(&process, 0, sizeof process);

  if (!CreateProcessA(pathZ, commandLine, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &process))
    return GetLastError();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.hProcess, &code)) code = GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  *exitCode = code;
  return kStatusOk;
}

ShortText DescribeStatus(Status status) {
  struct Known {
    Status code;
    const char* text;
  };
  static const Known kKnown[] = {
      {ERROR_FILE_NOT_FOUND, "file not found"},
      {ERROR_PATH_NOT_FOUND, "path not found"},
      {ERROR_ACCESS_DENIED, "access denied"},
      {ERROR_NOT_ENOUGH_MEMORY, "not enough memory"},
      {ERROR_NO_MORE_FILES, "no more files"},
      {ERROR_BAD_EXE_FORMAT, "not a valid program"},
      {ERROR_DISK_FULL, "disk full"},
      {ERROR_INVALID_NAME, "invalid name"},
  };
  ShortText text = TextFrom("system error ");
  Append(&text, TextFromNumber(status));
  for (const Known& known : kKnown) {
    if (known.code == status) {
      Append(&text, ": ");
      Append(&text, known.text);
    }
  }
  return text;
}
