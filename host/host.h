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

#endif
