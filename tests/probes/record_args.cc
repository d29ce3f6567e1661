// A stand-in for a started program (and for hueswap in the batch tests): appends the
// arguments it received to calls.log in the current folder, byte for byte, then ends
// with the exit code the environment asks for:
//   RECORD_EXIT=n        exit with n
//   RECORD_FAIL_FOR=x    exit with 3 when the first argument is x
//   RECORD_OUTPUTS=1     create the output file the arguments name, as a converter would
// Each call is logged as "call N" and one "length:bytes" line per argument.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  std::FILE* log = std::fopen("calls.log", "ab");
  if (log == nullptr) return 120;
  std::fprintf(log, "call %d\n", argc - 1);
  for (int i = 1; i < argc; ++i) {
    std::fprintf(log, "%zu:", std::strlen(argv[i]));
    std::fwrite(argv[i], 1, std::strlen(argv[i]), log);
    std::fputc('\n', log);
  }
  std::fclose(log);
  const char* outputs = std::getenv("RECORD_OUTPUTS");
  if (outputs != nullptr && argc >= 3) {
    const char* output = std::strcmp(argv[2], "-O") == 0 && argc >= 4 ? argv[3] : argv[2];
    if (std::FILE* made = std::fopen(output, "wb")) std::fclose(made);
  }
  const char* failFor = std::getenv("RECORD_FAIL_FOR");
  if (failFor != nullptr && argc > 1 && std::strcmp(argv[1], failFor) == 0) return 3;
  const char* code = std::getenv("RECORD_EXIT");
  return code != nullptr ? std::atoi(code) : 0;
}
