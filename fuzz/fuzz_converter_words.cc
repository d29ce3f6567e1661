// The quoting of converter words: for any name, AppendConverterWord either refuses it
// or writes it so that the interpreter's own splitting gives back exactly that name;
// ComposeConverterTail does the same for whole tails.
//
// Two interpreters are modelled here:
// - the Linux stand-in: SplitWords / SplitInterpreterTail, the code that really runs;
// - cmd feeding a C runtime: cmd must not act on anything (no %, !, control character
//   anywhere, none of & | < > ^ ( ) outside double quotes), then the MSVCRT argument
//   splitter (space and tab separate, double quotes group, 2n backslashes before a
//   quote give n, 2n+1 give n and a literal quote) must give back the words.
//
// Input: the whole input is one word for AppendConverterWord (zero bytes included);
// split at zero bytes it is directory, name, output prefix (absent: no output option)
// and palette for ComposeConverterTail. An empty word gives no word by design ("-P "
// with nothing after it stays as typed), so empty words are not expected back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/converter_command.h"
#include "fuzz/fuzz_check.h"
#include "host/paths.h"

namespace {

typedef std::vector<std::string> Words;

std::string Str(const ShortText& text) { return std::string(text.bytes, text.length); }
ShortText Text(const std::string& s) {
  return TextFromBytes(s.data(), static_cast<unsigned>(s.size()));
}

bool CannotPassCmd(unsigned char c) { return c == '"' || c == '%' || c == '!' || c < 32 || c == 127; }

// What cmd leaves alone: false when cmd would act on some character of line.
bool CmdLeavesAlone(const std::string& line) {
  bool quoted = false;
  for (unsigned char c : line) {
    if (c == '%' || c == '!' || c < 32 || c == 127) return false;
    if (c == '"') quoted = !quoted;
    if (!quoted && std::strchr("&|<>^()", c) != nullptr && c != 0) return false;
  }
  return !quoted;
}

Words MsvcrtSplit(const std::string& s) {
  Words words;
  std::size_t i = 0;
  const std::size_t n = s.size();
  for (;;) {
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == n) return words;
    std::string word;
    bool quoted = false;
    while (i < n && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
      if (s[i] == '\\') {
        std::size_t k = 0;
        while (i < n && s[i] == '\\') ++k, ++i;
        if (i < n && s[i] == '"') {
          word.append(k / 2, '\\');
          if (k % 2 == 1) {
            word += '"';
            ++i;
          }
        } else {
          word.append(k, '\\');
        }
      } else if (s[i] == '"') {
        quoted = !quoted;
        ++i;
      } else {
        word += s[i++];
      }
    }
    words.push_back(word);
  }
}

Words StandInSplit(const std::string& s) {
  CommandWords split;
  SplitWords(Text(s), &split);
  Words words;
  for (int i = 0; i < split.count; ++i) words.push_back(Str(split.words[i]));
  return words;
}

Words Split(const std::string& s, InterpreterRules rules) {
  return rules == kRulesCmd ? MsvcrtSplit(s) : StandInSplit(s);
}

void CheckOneWord(const std::string& word, InterpreterRules rules) {
  static char out[4096];
  std::memset(out, '#', sizeof out);
  std::memcpy(out, "hueswap ", 8);
  unsigned length = 8;
  char bad = 0;
  const WordVerdict verdict = AppendConverterWord(word.data(), static_cast<unsigned>(word.size()),
                                                  rules, out, sizeof out, &length, &bad);
  FUZZ_CHECK(verdict != kWordNoRoom);
  if (verdict == kWordUnsafe) {
    FUZZ_CHECK(length == 8);
    FUZZ_CHECK(word.find(bad) != std::string::npos);
    // Only what no quoting can carry is refused.
    const unsigned char c = static_cast<unsigned char>(bad);
    FUZZ_CHECK(rules == kRulesCmd ? CannotPassCmd(c) : (c == '"' || c == 0));
    return;
  }
  const std::string line(out, length);
  if (rules == kRulesStandIn) {
    // The stand-in reads a ShortText, zero-terminated, so longer words are not split here.
    FUZZ_CHECK(word.find('\0') == std::string::npos);
    if (line.size() > kShortTextMax) return;
  } else {
    FUZZ_CHECK(CmdLeavesAlone(line));
  }
  Words expected = {"hueswap"};
  if (!word.empty()) expected.push_back(word);
  FUZZ_CHECK(Split(line, rules) == expected);

  // Without room for it, the word is not written and nothing moves.
  if (word.empty()) return;
  std::memset(out + 8, '#', length - 8);
  unsigned shorter = 8;
  FUZZ_CHECK(AppendConverterWord(word.data(), static_cast<unsigned>(word.size()), rules, out,
                                 length - 1, &shorter, &bad) == kWordNoRoom);
  FUZZ_CHECK(shorter == 8);
  FUZZ_CHECK(std::string(out + 8, length - 8) == std::string(length - 8, '#'));
}

void CheckTail(const std::vector<std::string>& fields, InterpreterRules rules) {
  const std::string directory = fields.size() > 0 ? fields[0].substr(0, 255) : "";
  const std::string name = fields.size() > 1 ? fields[1].substr(0, 255) : "a.bmp";
  const bool hasOutput = fields.size() > 2;
  const ShortText output = hasOutput ? Concat(TextFrom("-O "), Text(fields[2])) : TextFrom("");
  const ShortText palette = Concat(TextFrom("-P "), Text(fields.size() > 3 ? fields[3] : "p.pal"));

  ConverterCommand command;
  ComposeConverterTail(Text(directory), Text(name), output, palette, rules, &command);

  Words words = {"hueswap", directory + name};
  if (hasOutput) {
    words.push_back("-O");
    words.push_back(Str(output).substr(3) + name);
  } else {
    words.push_back(directory + name);
  }
  words.push_back("-P");
  words.push_back(Str(palette).substr(3));

  if (command.verdict == kTailUnsafeWord) {
    const unsigned char c = static_cast<unsigned char>(command.badCharacter);
    FUZZ_CHECK(rules == kRulesCmd ? CannotPassCmd(c) : c == '"');
    bool found = false;
    for (const std::string& w : words) found = found || w.find(command.badCharacter) != std::string::npos;
    FUZZ_CHECK(found);
    FUZZ_CHECK(SkipMessage(command).length > 0);
    return;
  }
  if (command.verdict == kTailTooLong) {
    FUZZ_CHECK(command.length > kShortTextMax);
    FUZZ_CHECK(SkipMessage(command).length > 0);
    return;
  }
  FUZZ_CHECK(command.verdict == kTailReady);
  const std::string tail = Str(command.tail);
  FUZZ_CHECK(tail.compare(0, 3, "/c ") == 0);
  Words expected;
  for (const std::string& w : words)
    if (!w.empty()) expected.push_back(w);
  if (rules == kRulesCmd) {
    FUZZ_CHECK(CmdLeavesAlone(tail));
    FUZZ_CHECK(MsvcrtSplit(tail.substr(3)) == expected);
  } else {
    CommandWords split;
    FUZZ_CHECK(SplitInterpreterTail(command.tail, &split));
    Words got;
    for (int i = 0; i < split.count; ++i) got.push_back(Str(split.words[i]));
    FUZZ_CHECK(got == expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A word is at most two ShortTexts long (a folder or prefix, then a name).
  const std::string input(reinterpret_cast<const char*>(data),
                          size < 2 * kShortTextMax ? size : 2 * kShortTextMax);
  CheckOneWord(input, kRulesCmd);
  CheckOneWord(input, kRulesStandIn);

  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t zero = input.find('\0', start);
    fields.push_back(input.substr(start, zero == std::string::npos ? std::string::npos : zero - start));
    if (zero == std::string::npos || fields.size() == 4) break;
    start = zero + 1;
  }
  CheckTail(fields, kRulesCmd);
  CheckTail(fields, kRulesStandIn);
  return 0;
}
