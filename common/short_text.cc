#include "common/short_text.h"

unsigned TextLength(const char* text) {
  unsigned n = 0;
  while (text[n] != 0) ++n;
  return n;
}

void CopyBytes(void* to, const void* from, unsigned count) {
  unsigned char* t = static_cast<unsigned char*>(to);
  const unsigned char* f = static_cast<const unsigned char*>(from);
  for (unsigned i = 0; i < count; ++i) t[i] = f[i];
}

void FillBytes(void* to, unsigned char value, unsigned count) {
  unsigned char* t = static_cast<unsigned char*>(to);
  for (unsigned i = 0; i < count; ++i) t[i] = value;
}

ShortText TextFromBytes(const char* bytes, unsigned count) {
  ShortText text;
  if (count > kShortTextMax) count = kShortTextMax;
  text.length = static_cast<unsigned char>(count);
  CopyBytes(text.bytes, bytes, count);
  return text;
}

ShortText TextFrom(const char* text) { return TextFromBytes(text, TextLength(text)); }

static bool AppendBytes(ShortText* a, const char* bytes, unsigned count) {
  unsigned room = kShortTextMax - a->length;
  bool whole = count <= room;
  if (!whole) count = room;
  CopyBytes(a->bytes + a->length, bytes, count);
  a->length = static_cast<unsigned char>(a->length + count);
  return whole;
}

bool Append(ShortText* a, const ShortText& b) { return AppendBytes(a, b.bytes, b.length); }
bool Append(ShortText* a, const char* b) { return AppendBytes(a, b, TextLength(b)); }
bool AppendByte(ShortText* a, char c) { return AppendBytes(a, &c, 1); }

ShortText Concat(const ShortText& a, const ShortText& b) {
  ShortText result = a;
  Append(&result, b);
  return result;
}

ShortText Concat(const ShortText& a, const char* b) {
  ShortText result = a;
  Append(&result, b);
  return result;
}

bool Equal(const ShortText& a, const ShortText& b) {
  if (a.length != b.length) return false;
  for (unsigned i = 0; i < a.length; ++i)
    if (a.bytes[i] != b.bytes[i]) return false;
  return true;
}

bool Equal(const ShortText& a, const char* b) {
  unsigned n = TextLength(b);
  return n <= kShortTextMax && Equal(a, TextFromBytes(b, n));
}

void ToZeroTerminated(const ShortText& text, char* out) {
  CopyBytes(out, text.bytes, text.length);
  out[text.length] = 0;
}

ShortText TextFromNumber(unsigned long value) {
  char digits[24];
  unsigned n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  ShortText text;
  text.length = static_cast<unsigned char>(n);
  for (unsigned i = 0; i < n; ++i) text.bytes[i] = digits[n - 1 - i];
  return text;
}
