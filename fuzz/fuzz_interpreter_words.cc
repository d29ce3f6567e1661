// The interpreter's word splitting (the Linux stand-in for command.com /c): any tail.
// Words are non-empty and at most 255 characters, there are no more than the word
// table holds, and a tail that starts with "/c" and a separator splits like its rest.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_check.h"
#include "host/paths.h"

namespace {

void CheckWords(const CommandWords& words) {
  FUZZ_CHECK(words.count >= 0 && words.count <= kMaxCommandWords);
  for (int i = 0; i < words.count; ++i) {
    FUZZ_CHECK(words.words[i].length > 0);
    FUZZ_CHECK(words.words[i].length <= kShortTextMax);
  }
}

bool SameWords(const CommandWords& a, const CommandWords& b) {
  if (a.count != b.count) return false;
  for (int i = 0; i < a.count; ++i)
    if (!Equal(a.words[i], b.words[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ShortText text =
      TextFromBytes(reinterpret_cast<const char*>(data), static_cast<unsigned>(size < 255 ? size : 255));

  static CommandWords words;
  SplitWords(text, &words);
  CheckWords(words);
  // Words are separated, so there are at most half as many as characters, rounded up.
  FUZZ_CHECK(words.count <= (text.length + 1) / 2);

  static CommandWords tail;
  const bool accepted = SplitInterpreterTail(text, &tail);
  CheckWords(tail);
  const bool hasSwitch = text.length >= 3 && text.bytes[0] == '/' &&
                         (text.bytes[1] == 'c' || text.bytes[1] == 'C') &&
                         static_cast<unsigned char>(text.bytes[2]) >= 1 &&
                         static_cast<unsigned char>(text.bytes[2]) <= 32;
  if (!hasSwitch) {
    FUZZ_CHECK(!accepted && tail.count == 0);
    return 0;
  }
  SplitWords(TextFromBytes(text.bytes + 3, text.length - 3u), &words);
  FUZZ_CHECK(SameWords(words, tail));
  FUZZ_CHECK(accepted == (tail.count > 0));
  return 0;
}
