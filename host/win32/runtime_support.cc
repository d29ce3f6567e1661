// The few C-runtime routines the compiler may call on its own (struct copies,
// zero-filled records). The Windows build links no C runtime, so they live here.
#include <stddef.h>

extern "C" {

void* memcpy(void* to, const void* from, size_t count) {
  unsigned char* t = static_cast<unsigned char*>(to);
  const unsigned char* f = static_cast<const unsigned char*>(from);
  while (count-- > 0) *t++ = *f++;
  return to;
}

void* memmove(void* to, const void* from, size_t count) {
  unsigned char* t = static_cast<unsigned char*>(to);
  const unsigned char* f = static_cast<const unsigned char*>(from);
  if (t < f) {
    while (count-- > 0) *t++ = *f++;
  } else {
    while (count-- > 0) t[count] = f[count];
  }
  return to;
}

void* memset(void* to, int value, size_t count) {
  unsigned char* t = static_cast<unsigned char*>(to);
  while (count-- > 0) *t++ = static_cast<unsigned char>(value);
  return to;
}

int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < count; ++i)
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  return 0;
}

}  // extern "C"
