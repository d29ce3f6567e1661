// The command-line tokenizer and the invocation reader, on any raw command line.
//
// Checks the tokenizer against a plain string model of its rules (separators 1 to 32,
// double quotes group, "" between tokens is a separator, an empty token ends the list),
// every argument against the 255-character limit and its uncut length, and the
// invocation reader's verdict against what the arguments say.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/options.h"
#include "fuzz/fuzz_check.h"
#include "host/host.h"

namespace {

std::vector<std::string> ModelTokens(const std::string& raw) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  auto at = [&](std::size_t k) { return k < raw.size() ? static_cast<unsigned char>(raw[k]) : 0u; };
  for (;;) {
    while ((at(i) >= 1 && at(i) <= 32) || (at(i) == '"' && at(i + 1) == '"'))
      i += at(i) == '"' ? 2 : 1;
    std::string token;
    while (at(i) > 32) {
      if (at(i) != '"') {
        token += raw[i++];
        continue;
      }
      ++i;
      while (at(i) != 0 && at(i) != '"') token += raw[i++];
      if (at(i) == '"') ++i;
    }
    if (token.empty()) return tokens;
    tokens.push_back(token);
  }
}

std::string Str(const ShortText& text) { return std::string(text.bytes, text.length); }

bool IsWord(const std::string& word, char letter) {
  return word.size() == 2 && word[0] == '-' && (word[1] == letter || word[1] == letter - 32);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string raw(reinterpret_cast<const char*>(data), size);
  raw = raw.c_str();  // the command line ends at its first zero byte

  const std::vector<std::string> tokens = ModelTokens(raw);
  const int count = CountArgumentsIn(raw.c_str());
  FUZZ_CHECK(count == static_cast<int>(tokens.size()) - 1);

  for (int n = 0; n <= 6; ++n) {
    unsigned full = 12345;
    const ShortText argument = ArgumentIn(raw.c_str(), n, &full);
    FUZZ_CHECK(argument.length <= kShortTextMax);
    if (n < static_cast<int>(tokens.size())) {
      const std::string& expected = tokens[n];
      FUZZ_CHECK(full == expected.size());
      FUZZ_CHECK(Str(argument) == expected.substr(0, kShortTextMax));
    } else {
      FUZZ_CHECK(argument.length == 0 && full == 0);
    }
  }

  Invocation invocation;
  TooLongArgument tooLong = {0, 0, 0};
  const InvocationVerdict verdict = ReadInvocation(raw.c_str(), &invocation, &tooLong);
  auto token = [&](int k) { return k < static_cast<int>(tokens.size()) ? tokens[k] : std::string(); };

  bool anyTooLong = false;
  for (int k = 1; k <= 5; ++k) {
    const bool isValue = (k == 3 || k == 5) && (IsWord(token(k - 1), 'o') || IsWord(token(k - 1), 'p'));
    if (token(k).size() > (isValue ? 252u : 255u)) {
      if (!anyTooLong) {
        FUZZ_CHECK(verdict == kInvocationTooLong);
        FUZZ_CHECK(tooLong.position == k);
        FUZZ_CHECK(tooLong.length == token(k).size());
        FUZZ_CHECK(tooLong.limit == (isValue ? 252u : 255u));
        FUZZ_CHECK(TooLongMessage(tooLong).length > 0);
      }
      anyTooLong = true;
    }
  }
  if (anyTooLong) return 0;

  const bool hasPalette = IsWord(token(2), 'p') || IsWord(token(4), 'p');
  const bool shouldRun = count >= 1 && hasPalette;
  FUZZ_CHECK(verdict == (shouldRun ? kInvocationRun : kInvocationUsage));
  if (verdict == kInvocationRun) {
    FUZZ_CHECK(invocation.FileMask.length > 0);
    FUZZ_CHECK(Str(invocation.FileMask) == token(1));
    const std::string palette = Str(invocation.PaletteOption);
    FUZZ_CHECK(palette.compare(0, 3, "-P ") == 0);
    const std::string paletteValue = IsWord(token(4), 'p') ? token(5) : token(3);
    FUZZ_CHECK(palette == "-P " + paletteValue);
    const std::string output = Str(invocation.OutputOption);
    FUZZ_CHECK(output.empty() || output.compare(0, 3, "-O ") == 0);
  }
  return 0;
}
