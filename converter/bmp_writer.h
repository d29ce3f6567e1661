// The BMP that hueswap writes: 8-bit indexed, uncompressed, bottom-up, a 14-byte file
// header and a 40-byte BITMAPINFOHEADER, then the target palette as the colour table
// (B, G, R, 0 per entry, exactly palette.count entries, biClrUsed = palette.count),
// then the rows, each padded with zeros to a multiple of 4 bytes.
#ifndef TINTSHIFT_CONVERTER_BMP_WRITER_H
#define TINTSHIFT_CONVERTER_BMP_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "converter/palette.h"

// Bytes per stored row of an 8-bit picture of the given width.
std::size_t BmpIndexedStride(int width);

// The file header, info header and colour table: 54 + 4 * palette.count bytes,
// written to header (which must hold 54 + 4 * 256 bytes). Returns their length.
std::size_t BuildBmpHeader(int width, int height, const Palette& palette,
                           unsigned char* header);

// Writes the headers and colour table. False (with *error set) if the write fails.
bool WriteBmpHeader(std::FILE* out, int width, int height, const Palette& palette,
                    std::string* error);

// Writes one row of width colour indices with its padding. row must have room for
// BmpIndexedStride(width) bytes; the padding bytes are set to zero in it.
bool WriteBmpRow(std::FILE* out, unsigned char* row, int width, std::string* error);

#endif
