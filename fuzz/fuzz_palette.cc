// The palette reader on any bytes: it either gives 1 to 256 colours or a reason, and
// reads the same bytes the same way twice.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "converter/palette.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Palette palette;
  std::string error;
  const bool read = ParsePalette(data, size, &palette, &error);
  if (!read) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(palette.count >= 1 && palette.count <= 256);
  Palette again;
  std::string error2;
  FUZZ_CHECK(ParsePalette(data, size, &again, &error2));
  FUZZ_CHECK(again.count == palette.count);
  FUZZ_CHECK(std::memcmp(again.rgb, palette.rgb, 3u * palette.count) == 0);
  return 0;
}
