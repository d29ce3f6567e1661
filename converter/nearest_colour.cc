#include "converter/nearest_colour.h"

#include <algorithm>

namespace {

// Palettes with up to this many distinct colours get the coarser cells.
const int kSmallPalette = 16;

// The smallest and largest squared distance along one axis from value v to the
// interval [lo, hi].
void AxisRange(int v, int lo, int hi, int* nearest, int* farthest) {
  int dn, df;
  if (v < lo) {
    dn = lo - v;
    df = hi - v;
  } else if (v > hi) {
    dn = v - hi;
    df = v - lo;
  } else {
    dn = 0;
    df = std::max(v - lo, hi - v);
  }
  *nearest = dn * dn;
  *farthest = df * df;
}

int CellBits(const NearestColourSearch* s) { return 8 - s->cellShift; }

int CellOf(const NearestColourSearch* s, int r, int g, int b) {
  int shift = s->cellShift, bits = CellBits(s);
  return ((r >> shift) << (2 * bits)) | ((g >> shift) << bits) | (b >> shift);
}

// Builds the candidate list of one cell. Let M be the smallest, over the palette,
// of the largest distance from an entry to any point of the cell: every colour in
// the cell has an entry within M, so its nearest entry (and every entry tied with
// it) lies at most M from the cell. Entries farther than M from the whole cell can
// never win there and are left out.
void BuildCell(NearestColourSearch* s, int cell) {
  int bits = CellBits(s), width = 1 << s->cellShift, mask = (1 << bits) - 1;
  int rlo = (cell >> (2 * bits)) * width;
  int glo = ((cell >> bits) & mask) * width;
  int blo = (cell & mask) * width;
  int rhi = rlo + width - 1, ghi = glo + width - 1, bhi = blo + width - 1;

  int nearest[256];
  int minOfFarthest = 1 << 30;
  for (int i = 0; i < s->uniqueCount; ++i) {
    int rn, rf, gn, gf, bn, bf;
    AxisRange(s->uniqueRed[i], rlo, rhi, &rn, &rf);
    AxisRange(s->uniqueGreen[i], glo, ghi, &gn, &gf);
    AxisRange(s->uniqueBlue[i], blo, bhi, &bn, &bf);
    nearest[i] = rn + gn + bn;
    minOfFarthest = std::min(minOfFarthest, rf + gf + bf);
  }
  s->cellStart[cell] = static_cast<std::int32_t>(s->candidates.size());
  int count = 0;
  for (int i = 0; i < s->uniqueCount; ++i) {
    if (nearest[i] <= minOfFarthest) {
      s->candidates.push_back(static_cast<unsigned char>(i));
      ++count;
    }
  }
  s->cellCount[cell] = static_cast<std::uint16_t>(count);
}

}  // namespace

void InitNearestColourSearch(NearestColourSearch* search, const Palette& palette) {
  search->palette = palette;
  int count = std::min(std::max(palette.count, 1), 256);
  search->palette.count = count;

  // Keep the first of repeated colours: it is the one a tie goes to.
  search->uniqueCount = 0;
  for (int i = 0; i < count; ++i) {
    int r = palette.rgb[i][0], g = palette.rgb[i][1], b = palette.rgb[i][2];
    bool seen = false;
    for (int j = 0; j < search->uniqueCount && !seen; ++j) {
      seen = search->uniqueRed[j] == r && search->uniqueGreen[j] == g &&
             search->uniqueBlue[j] == b;
    }
    if (seen) continue;
    int u = search->uniqueCount++;
    search->uniqueRed[u] = r;
    search->uniqueGreen[u] = g;
    search->uniqueBlue[u] = b;
    search->uniqueIndex[u] = static_cast<unsigned char>(i);
  }

  search->cellShift = search->uniqueCount <= kSmallPalette ? 5 : 4;
  std::size_t cells = std::size_t(1) << (3 * CellBits(search));
  search->cellStart.assign(cells, -1);
  search->cellCount.assign(cells, 0);
  search->candidates.clear();
  search->candidates.reserve(cells * 4);

  // Every slot starts as white (0xFFFFFF), which can only be asked for in its own
  // slot; that one slot starts as black instead (black hashes elsewhere).
  const std::uint32_t white = 0xFFFFFFu, black = 0;
  search->cache.assign(std::size_t(1) << kNearestCacheBits, white << 8);
  search->cache[NearestCacheSlot(white)] = black << 8;
  if (NearestCacheSlot(white) == NearestCacheSlot(black)) search->cache[0] = 1u << 8;
}

unsigned char NearestIndexSearch(NearestColourSearch* search, std::uint32_t colour) {
  int r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
  int cell = CellOf(search, r, g, b);
  if (search->cellStart[cell] < 0) BuildCell(search, cell);

  const unsigned char* list = search->candidates.data() + search->cellStart[cell];
  int n = search->cellCount[cell];
  int bestDistance = 1 << 30;
  int best = 0;
  // The list is in palette order, so keeping only strictly closer entries leaves
  // ties with the lowest index.
  for (int k = 0; k < n; ++k) {
    int u = list[k];
    int dr = r - search->uniqueRed[u], dg = g - search->uniqueGreen[u],
        db = b - search->uniqueBlue[u];
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = u;
    }
  }
  unsigned char index = search->uniqueIndex[best];
  search->cache[NearestCacheSlot(colour)] = (colour << 8) | index;
  return index;
}

void NearestIndicesBgr(NearestColourSearch* search, const unsigned char* pixels,
                       int bytesPerPixel, int count, unsigned char* indices) {
  std::uint32_t last = 0xFFFFFFFFu;  // no colour yet
  unsigned char lastIndex = 0;
  for (int i = 0; i < count; ++i, pixels += bytesPerPixel) {
    std::uint32_t colour = (std::uint32_t(pixels[2]) << 16) | (std::uint32_t(pixels[1]) << 8) |
                           pixels[0];
    if (colour != last) {
      last = colour;
      lastIndex = NearestIndex(search, pixels[2], pixels[1], pixels[0]);
    }
    indices[i] = lastIndex;
  }
}
