// The conversion pipeline: BMP in, every pixel replaced by the index of the nearest
// colour of the target palette, 8-bit BMP out (converter/bmp_writer.h).
//
// Rows stream from the decoder to the writer one at a time, bottom row first, so a
// conversion holds a few rows, never the picture. An indexed input maps its colour
// table to palette indices once (a plain scan of the palette per entry) and then each
// pixel through that table, a large picture two pixels at a time; a true-colour input
// goes through the nearest-colour search, 24- and 32-bit rows as they are stored.
//
// The output file is written under a temporary name in the output's folder and
// renamed over the output only when it is complete and on disk (flushed and synced),
// so a failed, interrupted or killed conversion, also one in place, leaves the old
// output (or the input) as it was; every error path removes the temporary file. A
// large output is handed to the disk in steps while the conversion runs, so that the
// final sync has little left to wait for.
#ifndef TINTSHIFT_CONVERTER_CONVERT_H
#define TINTSHIFT_CONVERTER_CONVERT_H

#include <cstdio>
#include <string>

#include "converter/bmp_source.h"
#include "converter/nearest_colour.h"
#include "converter/palette.h"

// What went wrong, and with which file (the input, the output or the palette file).
struct HueswapError {
  std::string file;
  std::string reason;
};

// Converts the BMP in source, writing the 8-bit BMP to out. On failure sets *error and
// *outputFault (true when writing failed, false when the input is at fault).
bool ConvertBmp(ByteSource* source, NearestColourSearch* search, std::FILE* out,
                std::string* error, bool* outputFault);

// Reads and parses a palette file (any format ParsePalette knows).
bool ReadPaletteFile(const std::string& path, Palette* palette, HueswapError* error);

// Converts the file input to the file output (which may be the same file).
bool ConvertBmpFile(const std::string& input, const std::string& output, const Palette& palette,
                    HueswapError* error);

// The name of the temporary file that a conversion to output uses first (for tests:
// it lies in the output's folder and its name starts with the output's name).
std::string TemporaryNameFor(const std::string& output, unsigned long processId,
                             unsigned counter);

#endif
