#include "driver/converter_command.h"

InterpreterRules HostInterpreterRules() {
#ifdef _WIN32
  return kRulesCmd;
#else
  return kRulesStandIn;
#endif
}

namespace {

bool IsSeparator(unsigned char c) { return c >= 1 && c <= 32; }

// Characters cmd acts on outside double quotes.
bool IsCmdSpecial(char c) {
  switch (c) {
    case '&': case '|': case '<': case '>': case '^': case '(': case ')':
    case ',': case ';': case '=':
      return true;
    default:
      return false;
  }
}

// Characters no quoting protects: cmd expands % (and ! with delayed expansion)
// inside double quotes too, a line break ends its command, a double quote cannot be
// put inside a quoted word for either interpreter, and a zero byte ends the command
// line for both.
bool CannotPass(unsigned char c, InterpreterRules rules) {
  if (c == '"' || c == 0) return true;
  if (rules == kRulesCmd) return c == '%' || c == '!' || c < 32 || c == 127;
  return false;
}

bool NeedsQuotes(unsigned char c, InterpreterRules rules) {
  if (IsSeparator(c)) return true;
  return rules == kRulesCmd && IsCmdSpecial(static_cast<char>(c));
}

}  // namespace

WordVerdict AppendConverterWord(const char* word, unsigned wordLength, InterpreterRules rules,
                                char* out, unsigned capacity, unsigned* length, char* bad) {
  bool quote = false;
  unsigned trailingBackslashes = 0;
  for (unsigned i = 0; i < wordLength; ++i) {
    unsigned char c = static_cast<unsigned char>(word[i]);
    if (CannotPass(c, rules)) {
      *bad = static_cast<char>(c);
      return kWordUnsafe;
    }
    if (NeedsQuotes(c, rules)) quote = true;
    trailingBackslashes = c == '\\' ? trailingBackslashes + 1 : 0;
  }
  // The C runtime reads backslashes before a closing quote as escapes: double them.
  unsigned doubled = quote && rules == kRulesCmd ? trailingBackslashes : 0;
  unsigned needed = wordLength + doubled + (quote ? 2 : 0);
  if (capacity - *length < needed) return kWordNoRoom;
  char* at = out + *length;
  if (quote) *at++ = '"';
  CopyBytes(at, word, wordLength);
  at += wordLength;
  for (unsigned i = 0; i < doubled; ++i) *at++ = '\\';
  if (quote) *at++ = '"';
  *length += needed;
  return kWordAppended;
}

namespace {

// Room for three words of up to 510 characters, each quoted with every backslash
// doubled, and the fixed text around them: more than any tail can need.
enum { kTailRoom = 3 * (2 * 2 * kShortTextMax + 2) + 32 };

struct TailBuilder {
  char bytes[kTailRoom];
  unsigned length;
  InterpreterRules rules;
  WordVerdict verdict;
  char bad;
};

void AddText(TailBuilder* b, const char* text) {
  unsigned count = TextLength(text);
  if (b->verdict != kWordAppended || kTailRoom - b->length < count) {
    if (b->verdict == kWordAppended) b->verdict = kWordNoRoom;
    return;
  }
  CopyBytes(b->bytes + b->length, text, count);
  b->length += count;
}

// One word made of two pieces (a folder or prefix, then the name).
void AddWord(TailBuilder* b, const ShortText& first, const ShortText& second) {
  if (b->verdict != kWordAppended) return;
  char word[2 * kShortTextMax];
  CopyBytes(word, first.bytes, first.length);
  CopyBytes(word + first.length, second.bytes, second.length);
  b->verdict = AppendConverterWord(word, first.length + second.length, b->rules, b->bytes,
                                   kTailRoom, &b->length, &b->bad);
}

// The value of a stored option: what follows "-O " or "-P ".
ShortText OptionValue(const ShortText& option) {
  return option.length >= 3 ? TextFromBytes(option.bytes + 3, option.length - 3u) : TextFrom("");
}

}  // namespace

void ComposeConverterTail(const ShortText& directory, const ShortText& name,
                          const ShortText& outputOption, const ShortText& paletteOption,
                          InterpreterRules rules, ConverterCommand* command) {
  TailBuilder b;
  b.length = 0;
  b.rules = rules;
  b.verdict = kWordAppended;
  b.bad = 0;
  const ShortText none = TextFrom("");

  AddText(&b, "/c hueswap ");
  AddWord(&b, directory, name);
  AddText(&b, " ");
  if (outputOption.length != 0) {
    AddText(&b, "-O ");
    AddWord(&b, OptionValue(outputOption), name);
  } else {
    AddWord(&b, directory, name);
  }
  AddText(&b, " -P ");
  AddWord(&b, OptionValue(paletteOption), none);

  command->tail.length = 0;
  command->badCharacter = 0;
  command->length = b.length;
  if (b.verdict == kWordUnsafe) {
    command->verdict = kTailUnsafeWord;
    command->badCharacter = b.bad;
  } else if (b.verdict == kWordNoRoom || b.length > kShortTextMax) {
    command->verdict = kTailTooLong;
  } else {
    command->verdict = kTailReady;
    command->tail = TextFromBytes(b.bytes, b.length);
  }
}

ShortText SkipMessage(const ConverterCommand& command) {
  ShortText line = TextFrom("Skipped");
  if (command.verdict == kTailTooLong) {
    Append(&line, ": its converter command line would be ");
    Append(&line, TextFromNumber(command.length));
    Append(&line, " characters long, over the limit of 255");
    return line;
  }
  unsigned char c = static_cast<unsigned char>(command.badCharacter);
  Append(&line, ": a file or option name holds ");
  if (c == '"') {
    Append(&line, "a double quote");
  } else if (c < 32 || c == 127) {
    Append(&line, "a control character");
  } else {
    AppendByte(&line, static_cast<char>(c));
  }
  Append(&line, ", which the command interpreter cannot pass on unchanged");
  return line;
}
