// Status codes: host operations return 0 for success and otherwise the operating
// system's own error code (GetLastError on Windows, errno on Linux).
#ifndef TINTSHIFT_COMMON_STATUS_H
#define TINTSHIFT_COMMON_STATUS_H

typedef unsigned long Status;

enum { kStatusOk = 0 };

// Exit statuses of the program.
enum { kExitSuccess = 0, kExitFailure = 1 };

#endif
