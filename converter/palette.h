// The target palette of a conversion, read from a palette file whose format is
// detected by its content.
#ifndef TINTSHIFT_CONVERTER_PALETTE_H
#define TINTSHIFT_CONVERTER_PALETTE_H

#include <cstddef>
#include <string>

struct Palette {
  int count;                   // 1 to 256
  unsigned char rgb[256][3];   // red, green, blue of each colour
};

// Reads a palette from the bytes of a palette file. On failure returns false and
// sets *error to the reason (without the file name, which the caller adds).
bool ParsePalette(const unsigned char* data, std::size_t size, Palette* palette,
                  std::string* error);

#endif
