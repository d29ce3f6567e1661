// The 128-byte line buffer of standard output, over a write function supplied by the
// platform layer (WriteFile on Windows, write(2) on Linux) or by a test.
#ifndef TINTSHIFT_HOST_LINE_OUTPUT_H
#define TINTSHIFT_HOST_LINE_OUTPUT_H

#include "common/short_text.h"
#include "common/status.h"

enum { kLineBufferSize = 128 };

// Writes count bytes; returns 0 or the operating system's error code.
typedef Status (*WriteBytesFunction)(void* context, const char* bytes, unsigned count);

struct LineBuffer {
  WriteBytesFunction write;
  void* context;
  char bytes[kLineBufferSize];
  unsigned used;
  Status pending;  // the error code of the last failed write, or 0
};

void InitLineBuffer(LineBuffer* buffer, WriteBytesFunction write, void* context);

// Appends text and lineEnd, writing the buffer out each time it fills and once more
// at the end of the line. Returns 0, or the code of the first write that failed
// (after a failure nothing more of the line is written).
Status PutLine(LineBuffer* buffer, const ShortText& text, const char* lineEnd);

// Writes out whatever the buffer holds.
Status FlushLineBuffer(LineBuffer* buffer);

// The line written when standard output refuses a write.
ShortText WriteFailureReport(Status status);

// PutLine, and on failure: an attempted report of the failure, then end(1).
// end must not return (the platform's EndProgram; a test's fake may throw).
void PutLineOrEnd(LineBuffer* buffer, const ShortText& text, const char* lineEnd,
                  void (*end)(int status));

#endif
