// BMP decoding: headers from OS/2 1.x (12 bytes) to BITMAPV5HEADER (124 bytes) and
// the OS/2 2.x header (16 and 64 bytes); 1-, 2-, 4- and 8-bit indexed pixels,
// uncompressed or RLE4/RLE8; 16- and 32-bit pixels with default or given bit fields;
// 24-bit pixels; bottom-up and top-down rows.
//
// The decoder hands out the picture row by row from the bottom row up, the order a
// bottom-up BMP is stored in and the order hueswap writes its output in, so a
// conversion holds a few rows in memory, never the whole picture:
// - uncompressed bottom-up rows are read in file order;
// - uncompressed top-down rows are read from the end of the file backwards, one row
//   at a time (a seek per row);
// - RLE streams are decoded as they go (they run from the bottom row up as well and
//   only ever move forward), one row at a time.
//
// Memory: nothing is allocated from a header field before it is checked against the
// file's real size, except the buffers of one row, which the width limit of 32768
// bounds (an RLE stream of a few bytes may describe a picture of any size).
//
// Decisions (the test table in tests/converter/bmp_suite_test.cc lists them per file):
// - Pixels that an RLE stream leaves out (delta, early end of line or of bitmap) take
//   colour index 0.
// - A colour index beyond the colour table is refused ("colour index N beyond the
//   colour table of M entries").
// - A colour table whose size the header gives explicitly (biClrUsed) must fit between
//   the headers and the pixel data; more than 2^bits entries are allowed then, and the
//   first 2^bits are used. Without biClrUsed (0, or an OS/2 1.x header) the table is
//   2^bits entries or as many as fit before the pixel data.
// - biSizeImage, bfSize, the densities and the planes are not used: their faults do not
//   touch the pixels.
// - Refused: JPEG and PNG compression, OS/2 Huffman 1D and RLE24, 64-bit pixels,
//   top-down RLE, RLE runs or deltas that leave the picture, bit-field masks that are
//   empty, not contiguous, overlap or do not fit the pixel, header sizes other than
//   12, 16, 40, 52, 56, 64, 108 and 124, sizes beyond 32768 x 32768, zero or negative
//   width, zero height, and any file shorter than its headers, colour table or pixel
//   data need.
#ifndef TINTSHIFT_CONVERTER_BMP_DECODER_H
#define TINTSHIFT_CONVERTER_BMP_DECODER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/bmp_source.h"

// The largest width and height that are decoded.
constexpr int kMaxBmpDimension = 32768;

enum BmpPixelFormat {
  kBmpIndexedRaw,   // 1, 2, 4 or 8 bits, uncompressed
  kBmpRle8,
  kBmpRle4,
  kBmpRgb24,        // B, G, R
  kBmpRgb32,        // B, G, R, unused (BI_RGB, 32 bits)
  kBmpBitFields16,  // 16-bit pixels through masks (also the 5-5-5 default)
  kBmpBitFields32,  // 32-bit pixels through masks other than the default
};

struct BmpInfo {
  int width;                       // 1 to kMaxBmpDimension
  int height;                      // 1 to kMaxBmpDimension
  bool topDown;                    // rows stored top row first (negative height)
  int headerSize;                  // 12, 16, 40, 52, 56, 64, 108 or 124
  int bitCount;                    // 1, 2, 4, 8, 16, 24 or 32
  int compression;                 // as stored (0 for an OS/2 1.x header)
  BmpPixelFormat format;
  bool indexed;                    // rows come out as colour indices, not RGB
  int colourCount;                 // entries of the colour table (indexed pictures)
  unsigned char colours[256][3];   // the colour table as R, G, B
  std::uint32_t masks[3];          // red, green and blue bit fields (16 and 32 bits)
  std::uint64_t pixelOffset;       // where the pixel data starts in the file
};

struct BmpChannel {
  std::uint32_t mask;
  int shift;
  std::uint32_t maximum;             // mask >> shift
  std::vector<unsigned char> scale;  // value -> 0..255, for masks up to 12 bits
};

struct BmpDecoder {
  ByteSource* source;
  BmpInfo info;
  int nextRow;                       // next row to hand out, counted from the bottom
  std::uint64_t stride;              // bytes per stored row (uncompressed)
  std::size_t rowBytes;              // bytes of pixels in a stored row, without padding
  std::vector<unsigned char> raw;    // one stored row
  BmpChannel channels[3];
  // RLE decoding state.
  int rleX;
  int rleY;                          // row of the stream's position, from the bottom
  bool rleEnded;                     // end of bitmap seen
  std::size_t rleFill;               // bytes in rleBuffer
  std::size_t rleNext;               // next byte of rleBuffer
  unsigned char rleBuffer[4096];
};

// Reads and checks the headers, bit fields and colour table; afterwards the decoder
// is ready to hand out the bottom row. On failure sets *error to the reason.
bool OpenBmp(ByteSource* source, BmpDecoder* decoder, std::string* error);

// Hands out row decoder->nextRow (counted from the bottom) and moves on to the next:
// info.width colour indices for an indexed picture, otherwise info.width * 3 bytes
// R, G, B. Must not be called more than info.height times.
bool ReadBmpRow(BmpDecoder* decoder, unsigned char* row, std::string* error);

// For an uncompressed 24- or 32-bit picture (format kBmpRgb24 or kBmpRgb32): hands out
// row decoder->nextRow as stored, B, G, R per pixel (and a fourth, unused byte for 32
// bits), without copying it, and moves on to the next. *pixels points into the
// decoder and stays valid until the next read.
bool ReadBmpStoredRow(BmpDecoder* decoder, const unsigned char** pixels, std::string* error);

// A whole decoded picture, for tests and fuzzing: R, G, B per pixel, top row first.
struct DecodedBmp {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// A picture of more than maxPixels pixels is refused before anything is allocated for
// it (a fuzz target passes a small limit: a few bytes of RLE can describe a picture
// of 32768 x 32768 pixels).
constexpr std::uint64_t kNoPixelLimit = static_cast<std::uint64_t>(kMaxBmpDimension) * kMaxBmpDimension;
bool DecodeBmp(ByteSource* source, DecodedBmp* picture, std::string* error,
               std::uint64_t maxPixels = kNoPixelLimit);
bool DecodeBmpMemory(const unsigned char* data, std::size_t size, DecodedBmp* picture,
                     std::string* error, std::uint64_t maxPixels = kNoPixelLimit);

#endif
