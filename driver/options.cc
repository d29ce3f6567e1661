#include "driver/options.h"

#include "host/host.h"

const char* const kUsageLines[2] = {
    " TINTSHIFT *?.BMP [-O prefix for outfiles ][-P <palfile>.PAL]",
    " Tintshift uses hueswap (c)Ostrel to perform multi file palette conversions",
};

namespace {

const int kLastArgumentRead = 5;
const unsigned kOptionPrefixLength = 3;  // "-O " or "-P "

bool IsOutputWord(const ShortText& word) { return Equal(word, "-o") || Equal(word, "-O"); }
bool IsPaletteWord(const ShortText& word) { return Equal(word, "-p") || Equal(word, "-P"); }

// Looks at the option word at position and the value after it.
void ReadOptionPair(const ShortText* args, int position, Invocation* invocation) {
  const ShortText& word = args[position];
  const ShortText& value = args[position + 1];
  if (IsOutputWord(word)) invocation->OutputOption = Concat(TextFrom("-O "), value);
  if (IsPaletteWord(word)) invocation->PaletteOption = Concat(TextFrom("-P "), value);
}

}  // namespace

InvocationVerdict ReadInvocation(const char* raw, Invocation* invocation,
                                 TooLongArgument* tooLong) {
  invocation->FileMask.length = 0;
  invocation->OutputOption.length = 0;
  invocation->PaletteOption.length = 0;
  if (CountArgumentsIn(raw) <= 0) return kInvocationUsage;

  ShortText args[kLastArgumentRead + 1];
  unsigned lengths[kLastArgumentRead + 1];
  for (int k = 1; k <= kLastArgumentRead; ++k) args[k] = ArgumentIn(raw, k, &lengths[k]);

  // A cut argument would name another file, so nothing is run with one.
  for (int k = 1; k <= kLastArgumentRead; ++k) {
    bool isValue = (k == 3 || k == 5) &&
                   (IsOutputWord(args[k - 1]) || IsPaletteWord(args[k - 1]));
    unsigned limit = isValue ? kShortTextMax - kOptionPrefixLength : kShortTextMax;
    if (lengths[k] > limit) {
      tooLong->position = k;
      tooLong->length = lengths[k];
      tooLong->limit = limit;
      return kInvocationTooLong;
    }
  }

  if (args[1].length != 0) invocation->FileMask = args[1];
  ReadOptionPair(args, 2, invocation);
  ReadOptionPair(args, 4, invocation);
  if (invocation->FileMask.length != 0 && invocation->PaletteOption.length != 0)
    return kInvocationRun;
  return kInvocationUsage;
}

ShortText TooLongMessage(const TooLongArgument& tooLong) {
  ShortText line = TextFrom("Error: argument ");
  Append(&line, TextFromNumber(static_cast<unsigned long>(tooLong.position)));
  Append(&line, " is too long (");
  Append(&line, TextFromNumber(tooLong.length));
  Append(&line, " characters; ");
  if (tooLong.limit < kShortTextMax) {
    Append(&line, "an option value holds at most ");
  } else {
    Append(&line, "an argument holds at most ");
  }
  Append(&line, TextFromNumber(tooLong.limit));
  Append(&line, ")");
  return line;
}
