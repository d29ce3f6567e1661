// Pure rules about masks, names and the interpreter command, shared by both builds.
#ifndef TINTSHIFT_HOST_PATHS_H
#define TINTSHIFT_HOST_PATHS_H

#include "common/short_text.h"

// The length of the directory part of a mask: everything up to and including its
// last separator ('/' on Linux; '\', '/' and a drive's ':' on Windows), 0 when none.
unsigned DirectoryPartLength(const ShortText& mask, bool windowsRules);

// DOS wildcard matching: '*' any run of characters, '?' exactly one, ASCII letters
// without regard to case; a trailing ".*" also matches names without an extension,
// so "*.*" matches every name.
bool MaskMatches(const char* mask, unsigned maskLength, const char* name,
                 unsigned nameLength);

// ASCII case-insensitive equality.
bool EqualIgnoringCase(const ShortText& a, const char* b);

// The words of an interpreter command: "/c" (or "/C") and a separator, then the
// program and its arguments, split by the command-line tokenizer (double quotes
// group, no escapes).
enum { kMaxCommandWords = 130 };
struct CommandWords {
  int count;
  ShortText words[kMaxCommandWords];
};

// Splits text into words with the command-line tokenizer.
void SplitWords(const ShortText& text, CommandWords* words);

// Splits an interpreter tail; false when it does not start with the /c switch and a
// separator, or names no program.
bool SplitInterpreterTail(const ShortText& tail, CommandWords* words);

#endif
