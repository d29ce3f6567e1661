#include "converter/nearest_colour.h"

void InitNearestColourSearch(NearestColourSearch* search, const Palette& palette) {
  search->palette = palette;
}

unsigned char NearestIndex(NearestColourSearch* search, unsigned char r, unsigned char g,
                           unsigned char b) {
  const Palette& p = search->palette;
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < p.count; ++i) {
    long dr = r - p.rgb[i][0], dg = g - p.rgb[i][1], db = b - p.rgb[i][2];
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return static_cast<unsigned char>(best);
}
