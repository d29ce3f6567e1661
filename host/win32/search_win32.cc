// Windows: the file search over FindFirstFileA/FindNextFileA, with each accepted
// name also converted to the console's OEM code page (CharToOemA).
#include <windows.h>

#include "host/host.h"
#include "host/search_internal.h"

Status FindFirstMatch(const ShortText& pattern, unsigned long selection, SearchState* state) {
  BeginListing(state, selection);
  char patternZ[kShortTextMax + 1];
  ToZeroTerminated(pattern, patternZ);
  WIN32_FIND_DATAA entry;
  HANDLE handle = FindFirstFileA(patternZ, &entry);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();

  Status failure = kStatusOk;
  do {
    if (!EntryAccepted(entry.dwFileAttributes, selection)) continue;
    ShortText systemName = TextFrom(entry.cFileName);
    char oem[MAX_PATH];
    CharToOemA(entry.cFileName, oem);
    if (!AddName(&state->names, systemName, TextFrom(oem))) {
      failure = ERROR_NOT_ENOUGH_MEMORY;
      break;
    }
  } while (FindNextFileA(handle, &entry));  // the end, or an error: keep what was read
  FindClose(handle);
  if (failure != kStatusOk) {
    FreeNameList(&state->names);
    return failure;
  }
  return StartWalk(state);
}
