// Exact nearest-colour search: the palette index with the smallest squared Euclidean
// distance in RGB, ties going to the lowest index.
#ifndef TINTSHIFT_CONVERTER_NEAREST_COLOUR_H
#define TINTSHIFT_CONVERTER_NEAREST_COLOUR_H

#include "converter/palette.h"

struct NearestColourSearch {
  Palette palette;
};

void InitNearestColourSearch(NearestColourSearch* search, const Palette& palette);
unsigned char NearestIndex(NearestColourSearch* search, unsigned char r, unsigned char g,
                           unsigned char b);

#endif
