// The host services: one portable interface over the operating system.
//
// The pure parts (tokenizer, line buffer) live in host/*.cc and are shared by both
// builds; host/win32/ and host/posix/ hold only the operating-system calls.
#ifndef TINTSHIFT_HOST_HOST_H
#define TINTSHIFT_HOST_HOST_H

#include "common/short_text.h"
#include "common/status.h"

// ---- Program start -------------------------------------------------------------
// Opens the standard streams and captures the raw command line. On Windows argc and
// argv are unused (the command line comes from GetCommandLineA).
void OpenStandardStreams(int argc, char** argv);

// ---- Command line --------------------------------------------------------------
// The raw command line as the operating system handed it over (on Linux rebuilt
// from argv), zero-terminated, still starting with the program's own name.
const char* RawCommandLine();

// Splits one token off raw starting at position; returns the position where the
// token ended. The token is cut at 255 characters; *fullLength (when given) receives
// its uncut length so that callers can refuse what does not fit.
unsigned NextToken(const char* raw, unsigned position, ShortText* token,
                   unsigned* fullLength);

// The same rules over any raw text (the first token is the program's name).
int CountArgumentsIn(const char* raw);
ShortText ArgumentIn(const char* raw, int n, unsigned* fullLength);

// Over the process's own command line. Nothing is cached.
int ArgumentCount();
ShortText ArgumentAt(int n);
unsigned ArgumentLength(int n);  // uncut length of argument n, 0 when missing

// ---- Console output and program end --------------------------------------------
// Writes text and the platform's line end, and hands it to the operating system
// before returning. A failed write reports the failure and ends the program with
// status 1; it does not return then.
void WriteLine(const ShortText& text);

// Flushes and closes the standard streams and ends the process.
[[noreturn]] void EndProgram(int status);

// ---- Memory -------------------------------------------------------------------
// Heap memory (HeapAlloc on Windows, malloc on Linux); null when there is none.
void* HostAllocate(unsigned long size);
void HostFree(void* block);

// ---- File search ---------------------------------------------------------------
enum {
  kAttributeReadOnly = 0x01,
  kAttributeHidden = 0x02,
  kAttributeSystem = 0x04,
  kAttributeVolumeLabel = 0x08,
  kAttributeDirectory = 0x10,
  kAttributeArchive = 0x20,
};

// Whether an entry with these attribute bits passes a search with this selection:
// hidden, system, volume-label and directory entries are dropped unless selected.
bool EntryAccepted(unsigned long attributes, unsigned long selection);

// The accepted names of one search, read in full when the search opens, so that
// files created during the walk (a conversion's own outputs) are never yielded.
struct NameList {
  char* data;  // entries of: length byte, system name, length byte, console name
  unsigned long used;
  unsigned long capacity;
  unsigned long readAt;
};

void InitNameList(NameList* list);
bool AddName(NameList* list, const ShortText& systemName, const ShortText& consoleName);
bool TakeName(NameList* list, ShortText* systemName, ShortText* consoleName);
void FreeNameList(NameList* list);

struct SearchState {
  bool open;                // an open search holds a name list
  unsigned long selection;  // the attribute selection word
  NameList names;
  ShortText Name;           // the entry's name for the console (OEM code page on Windows)
  ShortText SystemName;     // the same name as the file system has it (ANSI on Windows)
};

// The status of a search that found entries, but none that passed the filter, and
// of a walk that has yielded its last entry.
extern const Status kStatusNoMoreEntries;

// Opens a search on pattern and leaves its first accepted entry in state.
Status FindFirstMatch(const ShortText& pattern, unsigned long selection, SearchState* state);
// Leaves the next accepted entry in state.
Status FindNextMatch(SearchState* state);
// Ends the search; does nothing on a closed one.
Status CloseSearch(SearchState* state);

// ---- Process launcher ---------------------------------------------------------
enum { kCommandLineMax = kShortTextMax + kShortTextMax + 3 };

// The complete command line: the path in double quotes, one space, the tail.
// out must hold kCommandLineMax + 1 bytes; returns the length.
unsigned ComposeCommandLine(const ShortText& path, const ShortText& tail, char* out);

// Starts path with tail and waits for it to end. Returns 0 when it was started and
// has ended, with its exit code in *exitCode (a death by signal is a non-zero code);
// otherwise the operating system's error code, and nothing was started.
Status RunProgram(const ShortText& path, const ShortText& tail, unsigned long* exitCode);

// A short description of a status for error lines ("file not found").
ShortText DescribeStatus(Status status);

#endif
