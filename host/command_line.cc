#include "host/host.h"

unsigned ComposeCommandLine(const ShortText& path, const ShortText& tail, char* out) {
  unsigned n = 0;
  out[n++] = '"';
  CopyBytes(out + n, path.bytes, path.length);
  n += path.length;
  out[n++] = '"';
  out[n++] = ' ';
  CopyBytes(out + n, tail.bytes, tail.length);
  n += tail.length;
  out[n] = 0;
  return n;
}
