// Exact nearest-colour search: the palette index with the smallest squared Euclidean
// distance in RGB, ties going to the lowest index.
//
// Two layers make it fast without giving up exactness:
//  - a direct-mapped cache of colours already answered, keyed by the 24-bit colour;
//  - on a miss, RGB space is cut into cells, and each cell keeps the list
//    of the palette entries that can be nearest to some colour inside it (built the
//    first time a colour falls into the cell). The search scans only that list.
#ifndef TINTSHIFT_CONVERTER_NEAREST_COLOUR_H
#define TINTSHIFT_CONVERTER_NEAREST_COLOUR_H

#include <cstdint>
#include <vector>

#include "converter/palette.h"

struct NearestColourSearch {
  Palette palette;

  // The palette without repeated colours, each with the lowest index that holds it.
  int uniqueCount;
  int uniqueRed[256];
  int uniqueGreen[256];
  int uniqueBlue[256];
  unsigned char uniqueIndex[256];

  // RGB space is cut into cells of 2^cellShift values along each axis: 32 for
  // palettes of a few colours, whose cells are cheap to list but seldom reused,
  // and 16 for larger ones.
  int cellShift;

  // Per cell: where its candidate list starts in `candidates`, or -1 while it is
  // not built; and how many entries the list holds. A candidate is a position in
  // the unique arrays, and each list is in ascending palette order.
  std::vector<std::int32_t> cellStart;
  std::vector<std::uint16_t> cellCount;
  std::vector<unsigned char> candidates;

  // The cache: each slot holds (colour << 8) | index. A slot that was never written
  // holds a colour that does not hash to it, so it never answers a lookup.
  std::vector<std::uint32_t> cache;
};

// Sets up a search for a palette of 1 to 256 colours. Cheap enough to run once per
// image: it allocates about 90 KB and builds cells only when they are first used.
void InitNearestColourSearch(NearestColourSearch* search, const Palette& palette);

// The answer for a colour the cache does not hold; it fills the cache.
unsigned char NearestIndexSearch(NearestColourSearch* search, std::uint32_t colour);

// Maps a run of pixels stored blue, green, red (as BMP rows are), `bytesPerPixel`
// apart (3 or 4), to palette indices.
void NearestIndicesBgr(NearestColourSearch* search, const unsigned char* pixels,
                       int bytesPerPixel, int count, unsigned char* indices);

const int kNearestCacheBits = 14;

inline std::uint32_t NearestCacheSlot(std::uint32_t colour) {
  return (colour * 2654435761u) >> (32 - kNearestCacheBits);
}

inline unsigned char NearestIndex(NearestColourSearch* search, unsigned char r,
                                  unsigned char g, unsigned char b) {
  std::uint32_t colour = (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
  std::uint32_t slot = search->cache[NearestCacheSlot(colour)];
  if ((slot >> 8) == colour) return static_cast<unsigned char>(slot);
  return NearestIndexSearch(search, colour);
}

#endif
