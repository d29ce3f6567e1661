// ShortText: a length from 0 to 255 followed by that many single-byte characters.
// Every text the driver handles is one. Plain data, no constructors, so it can live in
// globals of the Windows build, which has no C runtime to run static initialisers.
#ifndef TINTSHIFT_COMMON_SHORT_TEXT_H
#define TINTSHIFT_COMMON_SHORT_TEXT_H

constexpr unsigned kShortTextMax = 255;

struct ShortText {
  unsigned char length;
  char bytes[kShortTextMax];
};

// The length of a zero-terminated text, without the C runtime.
unsigned TextLength(const char* text);

// Assignment from bytes or a zero-terminated text: keeps the first 255 characters.
ShortText TextFromBytes(const char* bytes, unsigned count);
ShortText TextFrom(const char* text);

// a + b: b is appended as far as it still fits in 255; the rest is dropped.
ShortText Concat(const ShortText& a, const ShortText& b);
ShortText Concat(const ShortText& a, const char* b);

// Appends in place; returns false when b did not fit whole (what fits is kept).
bool Append(ShortText* a, const ShortText& b);
bool Append(ShortText* a, const char* b);
bool AppendByte(ShortText* a, char c);

// Same length and same bytes; case-sensitive.
bool Equal(const ShortText& a, const ShortText& b);
bool Equal(const ShortText& a, const char* b);

// A zero-terminated copy, for the operating system. out must hold 256 bytes.
void ToZeroTerminated(const ShortText& text, char* out);

// Decimal digits of value, for error lines.
ShortText TextFromNumber(unsigned long value);

// Byte helpers for freestanding code (the Windows build has no C runtime).
void CopyBytes(void* to, const void* from, unsigned count);
void FillBytes(void* to, unsigned char value, unsigned count);

#endif
