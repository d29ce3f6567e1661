// The converter's command tail for one entry: "/c hueswap INPUT OUTPUT -P PALETTE" or
// "/c hueswap INPUT -O PREFIXNAME -P PALETTE", with every word that the interpreter
// would split or act on put in double quotes, so that the converter receives exactly
// the file names. A word that no quoting can carry unchanged is refused, and so is a
// tail longer than 255 characters: either would run a command on another file.
#ifndef TINTSHIFT_DRIVER_CONVERTER_COMMAND_H
#define TINTSHIFT_DRIVER_CONVERTER_COMMAND_H

#include "common/short_text.h"

enum InterpreterRules {
  kRulesCmd,     // a cmd-like interpreter feeding a C runtime's argument splitter
  kRulesStandIn  // tintshift's own stand-in on Linux: only separators and quotes matter
};

// The rules of the interpreter this build starts.
InterpreterRules HostInterpreterRules();

enum WordVerdict { kWordAppended, kWordUnsafe, kWordNoRoom };

// Appends word to out (capacity bytes, *length in use), quoted where needed. On
// kWordUnsafe *bad is the character that cannot pass unchanged; on kWordNoRoom out
// is left as it was.
WordVerdict AppendConverterWord(const char* word, unsigned wordLength, InterpreterRules rules,
                                char* out, unsigned capacity, unsigned* length, char* bad);

enum TailVerdict { kTailReady, kTailUnsafeWord, kTailTooLong };

struct ConverterCommand {
  TailVerdict verdict;
  ShortText tail;      // kTailReady: the tail to hand to the interpreter
  char badCharacter;   // kTailUnsafeWord
  unsigned length;     // kTailTooLong: the length the tail would have had
};

// directory: the mask's directory part, put in front of the input name and, without
// an output option, of the output name. name: the entry as the file system has it.
// outputOption and paletteOption as the invocation stored them ("-O x", "-P y").
void ComposeConverterTail(const ShortText& directory, const ShortText& name,
                          const ShortText& outputOption, const ShortText& paletteOption,
                          InterpreterRules rules, ConverterCommand* command);

// The line, after the entry's progress line, that says why it was skipped.
ShortText SkipMessage(const ConverterCommand& command);

#endif
