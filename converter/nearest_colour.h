// Exact nearest-colour search: the palette index with the smallest squared Euclidean
// distance in RGB, ties going to the lowest index.
//
// RGB space is cut into boxes at two sizes, and each box learns, the first time a
// colour falls into it, which palette entries can be nearest to some colour inside
// it (the others are provably farther; see Candidates in the .cc):
//  - coarse cells (16 or 32 values wide) keep that list of candidates;
//  - fine cells (4 or 8 values wide), built from their coarse cell's list, keep
//    only the answer when a single entry wins the whole fine cell, which is so for
//    most colours. This table doubles as the cache of answers: a colour in such a
//    cell costs one look-up.
// A colour in a fine cell that several entries share is answered by scanning its
// coarse cell's short list. Nothing is approximated: the result is always the
// brute-force answer.
#ifndef TINTSHIFT_CONVERTER_NEAREST_COLOUR_H
#define TINTSHIFT_CONVERTER_NEAREST_COLOUR_H

#include <cstdint>
#include <vector>

#include "converter/palette.h"

// Fine-cell states other than an answer (0..255).
const std::uint16_t kFineNotBuilt = 0xFFFF;
const std::uint16_t kFineShared = 0xFFFE;

struct NearestColourSearch {
  Palette palette;

  // The palette without repeated colours, each with the lowest index that holds it.
  int uniqueCount;
  int uniqueRed[256];
  int uniqueGreen[256];
  int uniqueBlue[256];
  unsigned char uniqueIndex[256];

  // Cells are 2^shift values wide along each axis. Small palettes get bigger
  // cells: their lists stay short, and small tables are quicker to set up, which
  // matters when there are many small pictures.
  int coarseShift;
  int fineShift;

  // Per coarse cell: where its candidate list starts in `candidates`, or -1 while
  // it is not built; and the list's length. A candidate is a position in the
  // unique arrays, and each list is in ascending palette order.
  std::vector<std::int32_t> coarseStart;
  std::vector<std::uint16_t> coarseCount;
  std::vector<unsigned char> candidates;

  // Per fine cell: the palette index that wins the whole cell, kFineShared, or
  // kFineNotBuilt.
  std::vector<std::uint16_t> fine;
};

// Sets up a search for a palette of 1 to 256 colours (a count outside that range
// is clamped to it). Cheap enough to run once per picture: with more than 16
// distinct colours it clears about 600 KB, else about 70 KB; cells are built only
// when a colour first falls into them.
void InitNearestColourSearch(NearestColourSearch* search, const Palette& palette);

// The answer for a colour whose fine cell holds no answer yet; builds what it needs.
unsigned char NearestIndexSearch(NearestColourSearch* search, int r, int g, int b);

// Maps a run of pixels stored blue, green, red (as BMP rows are), `bytesPerPixel`
// apart (3 or 4), to palette indices.
void NearestIndicesBgr(NearestColourSearch* search, const unsigned char* pixels,
                       int bytesPerPixel, int count, unsigned char* indices);

inline unsigned char NearestIndex(NearestColourSearch* search, unsigned char r,
                                  unsigned char g, unsigned char b) {
  const int shift = search->fineShift, bits = 8 - shift;
  std::uint16_t answer =
      search->fine[((r >> shift) << (2 * bits)) | ((g >> shift) << bits) | (b >> shift)];
  if (answer < 256) return static_cast<unsigned char>(answer);
  return NearestIndexSearch(search, r, g, b);
}

#endif
