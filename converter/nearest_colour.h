// Exact nearest-colour search: the palette index with the smallest squared Euclidean
// distance in RGB, ties going to the lowest index.
//
// RGB space is cut into boxes at two sizes, and each box learns, the first time a
// colour falls into it, which palette entries can be nearest to some colour inside
// it (the others are provably farther; see Candidates in the .cc):
//  - coarse cells (16 or 32 values wide) keep that list of candidates;
//  - fine cells (4 or 8 values wide), built from their coarse cell's list, keep the
//    answer when a single entry wins the whole fine cell, which is so for most
//    colours, and otherwise a short list of their own (two to four entries as a
//    rule), packed with the entries' colours so that a scan touches one cache line.
// A colour in a decided fine cell costs one table look-up; in a shared one, a scan
// of a few entries. Nothing is approximated: the result is always the brute-force
// answer.
//
// The fine table is allocated zeroed and zero means "not built", so setting a
// search up clears nothing: the system hands out zeroed pages only where colours
// fall. That keeps the set-up cost near nothing for a small picture.
#ifndef TINTSHIFT_CONVERTER_NEAREST_COLOUR_H
#define TINTSHIFT_CONVERTER_NEAREST_COLOUR_H

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "converter/palette.h"

// Fine-cell values: 0 while not built; 1 + index for a cell that one entry wins;
// kFineListBase + n for a shared cell whose candidates are short list n; and
// kFineScanCoarse for a shared cell that scans its coarse cell's list (once the
// short lists' numbers have run out).
const std::uint16_t kFineNotBuilt = 0;
const std::uint16_t kFineListBase = 257;
const std::uint16_t kFineScanCoarse = 0xFFFF;

struct FreeDeleter {
  void operator()(void* memory) const { std::free(memory); }
};

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

  // Per fine cell, one of the values above (fineCells of them, zeroed memory).
  std::unique_ptr<std::uint16_t[], FreeDeleter> fine;
  std::size_t fineCells;

  // The short lists of shared fine cells: list n starts at fineListStart[n] in
  // fineEntries with its length, followed by its entries, each packed as
  // red | green << 8 | blue << 16 | palette index << 24.
  std::vector<std::uint32_t> fineListStart;
  std::vector<std::uint32_t> fineEntries;
};

// Sets up a search for a palette of 1 to 256 colours (a count outside that range
// is clamped to it). Cheap enough to run once per picture: it allocates a zeroed
// fine table (512 KB for more than 16 distinct colours, else 64 KB) and clears
// the small coarse table (24 KB or 3 KB); cells are built only when a colour first
// falls into them. Throws std::bad_alloc when memory runs out.
void InitNearestColourSearch(NearestColourSearch* search, const Palette& palette);

// The answer for a colour whose fine cell holds no single answer; builds what it
// needs.
unsigned char NearestIndexSearch(NearestColourSearch* search, int r, int g, int b);

// The same answer as NearestIndex by a plain scan of the palette, building nothing:
// quicker for a handful of colours (an indexed picture's colour table) than setting
// up cells that would serve one colour each.
unsigned char NearestIndexByScan(const NearestColourSearch* search, int r, int g, int b);

// Maps a run of pixels stored blue, green, red (as BMP rows are), `bytesPerPixel`
// apart (3 or 4), to palette indices.
void NearestIndicesBgr(NearestColourSearch* search, const unsigned char* pixels,
                       int bytesPerPixel, int count, unsigned char* indices);

inline unsigned char NearestIndex(NearestColourSearch* search, unsigned char r,
                                  unsigned char g, unsigned char b) {
  const int shift = search->fineShift, bits = 8 - shift;
  unsigned value =
      search->fine[((r >> shift) << (2 * bits)) | ((g >> shift) << bits) | (b >> shift)];
  if (value - 1u < 256u) return static_cast<unsigned char>(value - 1u);
  return NearestIndexSearch(search, r, g, b);
}

#endif
