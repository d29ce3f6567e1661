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

int CellIndex(int shift, int r, int g, int b) {
  int bits = 8 - shift;
  return ((r >> shift) << (2 * bits)) | ((g >> shift) << bits) | (b >> shift);
}

// Picks out of `from` (positions in the unique arrays, n of them, in ascending
// order) the entries that can be nearest to some colour of the box whose low
// corner is (rlo, glo, blo) and whose side is `width`, writing them to `to`; returns
// how many. Let M be the smallest, over `from`, of the largest distance from an
// entry to any point of the box. Every colour in the box has an entry of `from`
// within M, so its nearest entry, and every entry tied with it, lies at most M
// from the box; entries farther than M from the whole box can never win there.
// (When `from` is only part of the palette, this is exact as long as `from` holds
// every entry that can win in the box.)
int Candidates(const NearestColourSearch* s, const unsigned char* from, int n, int rlo,
               int glo, int blo, int width, unsigned char* to) {
  int rhi = rlo + width - 1, ghi = glo + width - 1, bhi = blo + width - 1;
  int nearest[256];
  int minOfFarthest = 1 << 30;
  for (int k = 0; k < n; ++k) {
    int i = from[k];
    int rn, rf, gn, gf, bn, bf;
    AxisRange(s->uniqueRed[i], rlo, rhi, &rn, &rf);
    AxisRange(s->uniqueGreen[i], glo, ghi, &gn, &gf);
    AxisRange(s->uniqueBlue[i], blo, bhi, &bn, &bf);
    nearest[k] = rn + gn + bn;
    minOfFarthest = std::min(minOfFarthest, rf + gf + bf);
  }
  int count = 0;
  for (int k = 0; k < n; ++k) {
    if (nearest[k] <= minOfFarthest) to[count++] = from[k];
  }
  return count;
}

// Builds the candidate list of the coarse cell holding (r, g, b) from the whole
// palette; returns the cell.
int CoarseCell(NearestColourSearch* s, int r, int g, int b) {
  int cell = CellIndex(s->coarseShift, r, g, b);
  if (s->coarseStart[cell] >= 0) return cell;
  unsigned char all[256], list[256];
  for (int i = 0; i < s->uniqueCount; ++i) all[i] = static_cast<unsigned char>(i);
  int width = 1 << s->coarseShift, mask = ~(width - 1);
  int count = Candidates(s, all, s->uniqueCount, r & mask, g & mask, b & mask, width, list);
  s->coarseStart[cell] = static_cast<std::int32_t>(s->candidates.size());
  s->coarseCount[cell] = static_cast<std::uint16_t>(count);
  s->candidates.insert(s->candidates.end(), list, list + count);
  return cell;
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

  bool small = search->uniqueCount <= kSmallPalette;
  search->coarseShift = small ? 5 : 4;
  search->fineShift = small ? 3 : 2;
  std::size_t coarseCells = std::size_t(1) << (3 * (8 - search->coarseShift));
  search->coarseStart.assign(coarseCells, -1);
  search->coarseCount.assign(coarseCells, 0);
  search->candidates.clear();
  search->candidates.reserve(coarseCells * 4);
  search->fine.assign(std::size_t(1) << (3 * (8 - search->fineShift)), kFineNotBuilt);
}

unsigned char NearestIndexSearch(NearestColourSearch* search, int r, int g, int b) {
  int coarse = CoarseCell(search, r, g, b);
  const unsigned char* list = search->candidates.data() + search->coarseStart[coarse];
  int n = search->coarseCount[coarse];

  std::uint16_t& fine = search->fine[CellIndex(search->fineShift, r, g, b)];
  if (fine == kFineNotBuilt) {
    // The coarse cell's list holds every entry that can win in the fine cell,
    // which lies inside it.
    unsigned char winners[256];
    int width = 1 << search->fineShift, mask = ~(width - 1);
    int count = Candidates(search, list, n, r & mask, g & mask, b & mask, width, winners);
    fine = count == 1 ? search->uniqueIndex[winners[0]] : kFineShared;
    if (count == 1) return static_cast<unsigned char>(fine);
  }

  // Distance and position in one key: the smallest key is the closest entry, and
  // among equally close ones the first in the list, which is the lowest palette
  // index. (A distance is at most 3 * 255^2, below 2^18.)
  int bestKey = 1 << 30;
  for (int k = 0; k < n; ++k) {
    int u = list[k];
    int dr = r - search->uniqueRed[u], dg = g - search->uniqueGreen[u],
        db = b - search->uniqueBlue[u];
    int key = ((dr * dr + dg * dg + db * db) << 8) | u;
    bestKey = std::min(bestKey, key);
  }
  return search->uniqueIndex[bestKey & 0xFF];
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
