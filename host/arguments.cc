// The process's own arguments: every call splits the raw command line again.
#include "host/host.h"

int ArgumentCount() { return CountArgumentsIn(RawCommandLine()); }

ShortText ArgumentAt(int n) { return ArgumentIn(RawCommandLine(), n, nullptr); }

unsigned ArgumentLength(int n) {
  unsigned full = 0;
  ArgumentIn(RawCommandLine(), n, &full);
  return full;
}
