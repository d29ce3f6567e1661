#include "host/paths.h"

#include "host/host.h"

unsigned DirectoryPartLength(const ShortText& mask, bool windowsRules) {
  unsigned length = 0;
  for (unsigned i = 0; i < mask.length; ++i) {
    char c = mask.bytes[i];
    if (c == '/' || (windowsRules && (c == '\\' || c == ':'))) length = i + 1;
  }
  return length;
}

static char Folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Iterative matching with one backtrack point: linear in practice, never
// exponential, whatever the mask.
static bool WildMatch(const char* mask, unsigned maskLength, const char* name,
                      unsigned nameLength) {
  unsigned m = 0, n = 0;
  bool haveStar = false;
  unsigned starMask = 0, starName = 0;
  while (n < nameLength) {
    if (m < maskLength && mask[m] == '*') {
      haveStar = true;
      starMask = ++m;
      starName = n;
    } else if (m < maskLength && (mask[m] == '?' || Folded(mask[m]) == Folded(name[n]))) {
      ++m;
      ++n;
    } else if (haveStar) {
      m = starMask;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < maskLength && mask[m] == '*') ++m;
  return m == maskLength;
}

bool MaskMatches(const char* mask, unsigned maskLength, const char* name,
                 unsigned nameLength) {
  if (WildMatch(mask, maskLength, name, nameLength)) return true;
  return maskLength >= 2 && mask[maskLength - 2] == '.' && mask[maskLength - 1] == '*' &&
         WildMatch(mask, maskLength - 2, name, nameLength);
}

bool EqualIgnoringCase(const ShortText& a, const char* b) {
  unsigned n = TextLength(b);
  if (a.length != n) return false;
  for (unsigned i = 0; i < n; ++i)
    if (Folded(a.bytes[i]) != Folded(b[i])) return false;
  return true;
}

void SplitWords(const ShortText& text, CommandWords* words) {
  char raw[kShortTextMax + 1];
  ToZeroTerminated(text, raw);
  words->count = 0;
  unsigned position = 0;
  while (words->count < kMaxCommandWords) {
    ShortText word;
    position = NextToken(raw, position, &word, nullptr);
    if (word.length == 0) break;
    words->words[words->count++] = word;
  }
}

bool SplitInterpreterTail(const ShortText& tail, CommandWords* words) {
  words->count = 0;
  if (tail.length < 3 || tail.bytes[0] != '/' || Folded(tail.bytes[1]) != 'c') return false;
  unsigned char separator = static_cast<unsigned char>(tail.bytes[2]);
  if (separator < 1 || separator > 32) return false;
  SplitWords(TextFromBytes(tail.bytes + 3, tail.length - 3u), words);
  return words->count > 0;
}
