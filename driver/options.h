// Reading the invocation: tintshift mask [option value] [option value], with the
// option words -o/-O (output prefix) and -p/-P (palette) at positions 2 and 4 only.
#ifndef TINTSHIFT_DRIVER_OPTIONS_H
#define TINTSHIFT_DRIVER_OPTIONS_H

#include "common/short_text.h"

struct Invocation {
  ShortText FileMask;
  ShortText OutputOption;   // empty, or "-O " + prefix
  ShortText PaletteOption;  // "-P " + palette file name once complete
};

enum InvocationVerdict {
  kInvocationUsage,    // incomplete: show the usage text, status 1
  kInvocationRun,      // complete: run the batch
  kInvocationTooLong,  // an argument does not fit: refuse it, status 1
};

struct TooLongArgument {
  int position;     // 1..5
  unsigned length;  // its length in characters
  unsigned limit;   // 255, or 252 for an option value that gets "-O " or "-P " in front
};

// Reads arguments 1 to 5 of raw (a raw command line, program name first).
InvocationVerdict ReadInvocation(const char* raw, Invocation* invocation,
                                 TooLongArgument* tooLong);

// The line that refuses an argument that is too long.
ShortText TooLongMessage(const TooLongArgument& tooLong);

extern const char* const kUsageLines[2];

#endif
