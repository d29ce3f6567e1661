// Splits a raw command line into arguments. Separators are the bytes 1 to 32; a
// double quote opens a run that takes everything up to the next double quote; there
// is no escape character. Two double quotes in a row between tokens count as a
// separator, so an empty argument cannot be given and an empty token ends the list.
#include "host/host.h"

namespace {

const unsigned char kQuote = '"';

bool IsSeparator(unsigned char c) { return c >= 1 && c <= 32; }

struct TokenBuilder {
  ShortText* token;
  unsigned full;
  void Add(char c) {
    if (full < kShortTextMax) token->bytes[full] = c;
    ++full;
  }
};

}  // namespace

unsigned NextToken(const char* raw, unsigned position, ShortText* token,
                   unsigned* fullLength) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(raw);
  for (;;) {
    if (IsSeparator(p[position])) {
      ++position;
    } else if (p[position] == kQuote && p[position + 1] == kQuote) {
      position += 2;
    } else {
      break;
    }
  }
  TokenBuilder builder = {token, 0};
  while (p[position] > 32) {
    if (p[position] != kQuote) {
      builder.Add(raw[position++]);
      continue;
    }
    ++position;  // the opening quote
    while (p[position] != 0 && p[position] != kQuote) builder.Add(raw[position++]);
    if (p[position] == kQuote) ++position;  // the closing quote, if any
  }
  token->length = static_cast<unsigned char>(
      builder.full < kShortTextMax ? builder.full : kShortTextMax);
  if (fullLength != nullptr) *fullLength = builder.full;
  return position;
}

int CountArgumentsIn(const char* raw) {
  int tokens = 0;
  unsigned position = 0;
  ShortText token;
  for (;;) {
    position = NextToken(raw, position, &token, nullptr);
    if (token.length == 0) return tokens - 1;
    ++tokens;
  }
}

ShortText ArgumentIn(const char* raw, int n, unsigned* fullLength) {
  unsigned position = 0;
  ShortText token;
  unsigned full = 0;
  for (int index = 0;; ++index) {
    position = NextToken(raw, position, &token, &full);
    if (token.length == 0 || index == n) break;
  }
  if (fullLength != nullptr) *fullLength = full;
  return token;
}
