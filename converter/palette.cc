#include "converter/palette.h"

bool ParsePalette(const unsigned char*, std::size_t, Palette*, std::string* error) {
  *error = "palette formats are not read yet";
  return false;
}
