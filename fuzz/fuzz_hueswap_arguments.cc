// hueswap's argument reading: the input is split at zero bytes into argv words (the
// program's name first). Accepted arguments are the words at their positions and
// none is empty; a refusal with words has a reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/hueswap_cli.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsWord(const std::string& word, char letter) {
  return word.size() == 2 && word[0] == '-' && (word[1] == letter || word[1] == letter - 32);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1, "hueswap");
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (size > 0) words.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  HueswapArguments arguments;
  std::string error;
  const bool read = ReadHueswapArguments(argc, argv.data(), &arguments, &error);
  const int n = argc - 1;
  bool expected = false;
  if (n == 4) expected = IsWord(words[3], 'p') && !words[1].empty() && !words[2].empty() && !words[4].empty();
  if (n == 5) {
    expected = IsWord(words[2], 'o') && IsWord(words[4], 'p') && !words[1].empty() &&
               !words[3].empty() && !words[5].empty();
  }
  FUZZ_CHECK(read == expected);
  if (!read) {
    FUZZ_CHECK(error.empty() == (n == 0));
    return 0;
  }
  FUZZ_CHECK(arguments.input == words[1]);
  FUZZ_CHECK(arguments.output == words[n == 4 ? 2 : 3]);
  FUZZ_CHECK(arguments.palette == words[n]);
  return 0;
}
