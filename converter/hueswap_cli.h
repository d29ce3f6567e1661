// hueswap's command line:
//   hueswap INPUT OUTPUT -P PALETTE
//   hueswap INPUT -O OUTPUT -P PALETTE
// The option words may be written -p/-P and -o/-O. Words are taken by position (four
// words: input, output, -P, palette; five words: input, -O, output, -P, palette), so an
// input named "-O" or "-P.bmp" is still an input. OUTPUT may name INPUT (the file is
// converted in place).
//
// Exit status: 0 on success (nothing is printed); 1 after an error, reported as one line
// on standard error, "hueswap: FILE: REASON"; 2 after a usage error (no arguments, a
// missing, extra or empty word, a wrong option word), with the usage text on standard
// error.
#ifndef TINTSHIFT_CONVERTER_HUESWAP_CLI_H
#define TINTSHIFT_CONVERTER_HUESWAP_CLI_H

#include <cstdio>
#include <string>

struct HueswapArguments {
  std::string input;
  std::string output;
  std::string palette;
};

// Reads the words after the program's name (argv[1] to argv[argc - 1]). On a usage error
// returns false and sets *error to what is wrong (empty when there are no words).
bool ReadHueswapArguments(int argc, const char* const* argv, HueswapArguments* arguments,
                          std::string* error);

// The usage text, several lines, each ending with a newline.
const char* HueswapUsage();

// The whole program: reads the arguments, the palette, converts; messages go to err.
// Returns the exit status.
int RunHueswap(int argc, const char* const* argv, std::FILE* err);

#endif
