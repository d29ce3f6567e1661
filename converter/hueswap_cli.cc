#include "converter/hueswap_cli.h"

#include <cstring>
#include <new>

#include "converter/convert.h"
#include "converter/palette.h"

namespace {

bool IsWord(const char* word, char lower, char upper) {
  return word[0] == '-' && (word[1] == lower || word[1] == upper) && word[2] == '\0';
}

bool Refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

}  // namespace

bool ReadHueswapArguments(int argc, const char* const* argv, HueswapArguments* arguments,
                          std::string* error) {
  const int words = argc - 1;
  if (words <= 0) return Refuse(error, "");
  if (words == 4) {
    if (!IsWord(argv[3], 'p', 'P')) {
      return Refuse(error, std::string("expected -P as the third word, not \"") + argv[3] + "\"");
    }
    arguments->input = argv[1];
    arguments->output = argv[2];
    arguments->palette = argv[4];
  } else if (words == 5) {
    if (!IsWord(argv[2], 'o', 'O')) {
      return Refuse(error, std::string("expected -O as the second word, not \"") + argv[2] + "\"");
    }
    if (!IsWord(argv[4], 'p', 'P')) {
      return Refuse(error, std::string("expected -P as the fourth word, not \"") + argv[4] + "\"");
    }
    arguments->input = argv[1];
    arguments->output = argv[3];
    arguments->palette = argv[5];
  } else {
    return Refuse(error, words < 4 ? "too few words" : "too many words");
  }
  if (arguments->input.empty()) return Refuse(error, "the input file name is empty");
  if (arguments->output.empty()) return Refuse(error, "the output file name is empty");
  if (arguments->palette.empty()) return Refuse(error, "the palette file name is empty");
  return true;
}

const char* HueswapUsage() {
  return "usage: hueswap INPUT OUTPUT -P PALETTE\n"
         "       hueswap INPUT -O OUTPUT -P PALETTE\n"
         "Converts the BMP picture INPUT to an 8-bit BMP in the colours of the palette\n"
         "file PALETTE and writes it to OUTPUT, which may be INPUT itself.\n";
}

int RunHueswap(int argc, const char* const* argv, std::FILE* err) {
  HueswapArguments arguments;
  std::string problem;
  if (!ReadHueswapArguments(argc, argv, &arguments, &problem)) {
    if (!problem.empty()) std::fprintf(err, "hueswap: %s\n", problem.c_str());
    std::fputs(HueswapUsage(), err);
    return 2;
  }
  HueswapError error;
  bool converted = false;
  try {
    Palette palette;
    converted = ReadPaletteFile(arguments.palette, &palette, &error) &&
                ConvertBmpFile(arguments.input, arguments.output, palette, &error);
  } catch (const std::bad_alloc&) {
    error.file = arguments.input;
    error.reason = "out of memory";
  }
  if (converted) return 0;
  // One line, whatever the name and the reason hold.
  for (std::string* text : {&error.file, &error.reason}) {
    for (char& c : *text) {
      if (c == '\n' || c == '\r') c = '?';
    }
  }
  std::fprintf(err, "hueswap: %s: %s\n", error.file.c_str(), error.reason.c_str());
  return 1;
}
