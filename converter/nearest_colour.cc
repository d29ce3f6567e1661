#include "converter/nearest_colour.h"

#include <algorithm>
#include <new>

namespace {

// Palettes with up to this many distinct colours get the coarser cells.
const int kSmallPalette = 16;

// The smallest and largest squared distance along one axis from value v to the
// interval [lo, hi]. Branch-free, so that loops over the palette vectorise.
inline int AxisNearest(int v, int lo, int hi) {
  int d = std::max(std::max(lo - v, v - hi), 0);
  return d * d;
}
inline int AxisFarthest(int v, int lo, int hi) {
  int d = std::max(v - lo, hi - v);
  return d * d;
}

int CellIndex(int shift, int r, int g, int b) {
  int bits = 8 - shift;
  return ((r >> shift) << (2 * bits)) | ((g >> shift) << bits) | (b >> shift);
}

// Picks out of `from` (positions in the unique arrays, n of them, in ascending
// order; null for the whole palette) the entries that can be nearest to some colour
// of the box whose low corner is (rlo, glo, blo) and whose side is `width`, writing
// them to `to`; returns how many. Let M be the smallest, over `from`, of the largest
// distance from an entry to any point of the box. Every colour in the box has an
// entry of `from` within M, so its nearest entry, and every entry tied with it,
// lies at most M from the box; entries farther than M from the whole box can never
// win there. (When `from` is only part of the palette, this is exact as long as
// `from` holds every entry that can win in the box.)
int Candidates(const NearestColourSearch* s, const unsigned char* from, int n, int rlo,
               int glo, int blo, int width, unsigned char* to) {
  const int rhi = rlo + width - 1, ghi = glo + width - 1, bhi = blo + width - 1;
  int red[256], green[256], blue[256];
  const int* r = s->uniqueRed;
  const int* g = s->uniqueGreen;
  const int* b = s->uniqueBlue;
  if (from != nullptr) {
    for (int k = 0; k < n; ++k) {
      red[k] = s->uniqueRed[from[k]];
      green[k] = s->uniqueGreen[from[k]];
      blue[k] = s->uniqueBlue[from[k]];
    }
    r = red;
    g = green;
    b = blue;
  }
  int nearest[256];
  int minOfFarthest = 1 << 30;
  for (int k = 0; k < n; ++k) {
    nearest[k] = AxisNearest(r[k], rlo, rhi) + AxisNearest(g[k], glo, ghi) +
                 AxisNearest(b[k], blo, bhi);
    int farthest = AxisFarthest(r[k], rlo, rhi) + AxisFarthest(g[k], glo, ghi) +
                   AxisFarthest(b[k], blo, bhi);
    minOfFarthest = std::min(minOfFarthest, farthest);
  }
  int count = 0;
  for (int k = 0; k < n; ++k) {
    to[count] = static_cast<unsigned char>(from != nullptr ? from[k] : k);
    count += nearest[k] <= minOfFarthest;
  }
  return count;
}

// Builds the candidate list of the coarse cell holding (r, g, b) from the whole
// palette; returns the cell.
int CoarseCell(NearestColourSearch* s, int r, int g, int b) {
  int cell = CellIndex(s->coarseShift, r, g, b);
  if (s->coarseStart[cell] >= 0) return cell;
  unsigned char list[256];
  int width = 1 << s->coarseShift, mask = ~(width - 1);
  int count = Candidates(s, nullptr, s->uniqueCount, r & mask, g & mask, b & mask, width, list);
  s->coarseStart[cell] = static_cast<std::int32_t>(s->candidates.size());
  s->coarseCount[cell] = static_cast<std::uint16_t>(count);
  s->candidates.insert(s->candidates.end(), list, list + count);
  return cell;
}

// Starts a short list for a fine cell that several entries share; returns the
// cell's value.
std::uint16_t MakeFineList(NearestColourSearch* s, const unsigned char* winners, int count) {
  std::size_t id = s->fineListStart.size();
  if (id >= std::size_t(kFineScanCoarse - kFineListBase)) return kFineScanCoarse;
  s->fineListStart.push_back(static_cast<std::uint32_t>(s->fineEntries.size()));
  s->fineEntries.push_back(static_cast<std::uint32_t>(count));
  for (int k = 0; k < count; ++k) {
    int u = winners[k];
    s->fineEntries.push_back(std::uint32_t(s->uniqueRed[u]) | (std::uint32_t(s->uniqueGreen[u]) << 8) |
                             (std::uint32_t(s->uniqueBlue[u]) << 16) |
                             (std::uint32_t(s->uniqueIndex[u]) << 24));
  }
  return static_cast<std::uint16_t>(kFineListBase + id);
}

// The nearest entry of a short list. Distance and index in one key: the smallest
// key is the closest entry, and among equally close ones the lowest palette index.
// (A distance is at most 3 * 255^2, below 2^18.)
inline unsigned char ScanFineList(const std::uint32_t* entry, int r, int g, int b) {
  const std::uint32_t n = *entry++;
  int bestKey = 1 << 30;
  for (std::uint32_t k = 0; k < n; ++k) {
    std::uint32_t e = entry[k];
    int dr = r - int(e & 0xFF), dg = g - int((e >> 8) & 0xFF), db = b - int((e >> 16) & 0xFF);
    int key = ((dr * dr + dg * dg + db * db) << 8) | int(e >> 24);
    bestKey = std::min(bestKey, key);
  }
  return static_cast<unsigned char>(bestKey & 0xFF);
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
  search->fineListStart.clear();
  search->fineEntries.clear();
  // calloc, not a cleared vector: a large block comes as fresh zero pages from the
  // system, so the parts of the table that no colour reaches cost nothing.
  search->fine.reset();
  search->fineCells = std::size_t(1) << (3 * (8 - search->fineShift));
  search->fine.reset(
      static_cast<std::uint16_t*>(std::calloc(search->fineCells, sizeof(std::uint16_t))));
  if (!search->fine) throw std::bad_alloc();
}

unsigned char NearestIndexSearch(NearestColourSearch* search, int r, int g, int b) {
  std::uint16_t& fine = search->fine[CellIndex(search->fineShift, r, g, b)];
  if (fine == kFineNotBuilt) {
    // The coarse cell's list holds every entry that can win in the fine cell,
    // which lies inside it.
    int coarse = CoarseCell(search, r, g, b);
    const unsigned char* list = search->candidates.data() + search->coarseStart[coarse];
    unsigned char winners[256];
    int width = 1 << search->fineShift, mask = ~(width - 1);
    int count = Candidates(search, list, search->coarseCount[coarse], r & mask, g & mask,
                           b & mask, width, winners);
    if (count == 1) {
      fine = static_cast<std::uint16_t>(1 + search->uniqueIndex[winners[0]]);
      return search->uniqueIndex[winners[0]];
    }
    fine = MakeFineList(search, winners, count);
  }
  if (fine < kFineListBase) return static_cast<unsigned char>(fine - 1);
  if (fine != kFineScanCoarse) {
    return ScanFineList(search->fineEntries.data() + search->fineListStart[fine - kFineListBase],
                        r, g, b);
  }
  int coarse = CoarseCell(search, r, g, b);
  const unsigned char* list = search->candidates.data() + search->coarseStart[coarse];
  const int n = search->coarseCount[coarse];
  int bestKey = 1 << 30;
  for (int k = 0; k < n; ++k) {
    int u = list[k];
    int dr = r - search->uniqueRed[u], dg = g - search->uniqueGreen[u],
        db = b - search->uniqueBlue[u];
    int key = ((dr * dr + dg * dg + db * db) << 8) | search->uniqueIndex[u];
    bestKey = std::min(bestKey, key);
  }
  return static_cast<unsigned char>(bestKey & 0xFF);
}

unsigned char NearestIndexByScan(const NearestColourSearch* search, int r, int g, int b) {
  int bestKey = 1 << 30;
  for (int u = 0; u < search->uniqueCount; ++u) {
    int dr = r - search->uniqueRed[u], dg = g - search->uniqueGreen[u],
        db = b - search->uniqueBlue[u];
    bestKey = std::min(bestKey, ((dr * dr + dg * dg + db * db) << 8) | search->uniqueIndex[u]);
  }
  return static_cast<unsigned char>(bestKey & 0xFF);
}

namespace {

// NearestIndicesBgr for one cell size: with the shift known when compiling, the
// cell's number takes a few instructions instead of variable shifts.
template <int kShift>
void IndicesBgr(NearestColourSearch* search, const unsigned char* pixels, int bytesPerPixel,
                int count, unsigned char* indices) {
  constexpr int kBits = 8 - kShift;
  const std::uint16_t* fine = search->fine.get();
  // A decided cell is one look-up, cheaper than comparing with the previous pixel;
  // the previous colour is remembered only for shared cells, whose answer takes a
  // scan (runs of one colour on a cell's border).
  std::uint32_t last = 0xFFFFFFFFu;  // no colour yet
  unsigned char lastIndex = 0;
  for (int i = 0; i < count; ++i, pixels += bytesPerPixel) {
    const unsigned r = pixels[2], g = pixels[1], b = pixels[0];
    const unsigned value =
        fine[((r >> kShift) << (2 * kBits)) | ((g >> kShift) << kBits) | (b >> kShift)];
    if (value - 1u < 256u) {
      indices[i] = static_cast<unsigned char>(value - 1u);
      continue;
    }
    const std::uint32_t colour = (r << 16) | (g << 8) | b;
    if (colour != last) {
      last = colour;
      if (value >= kFineListBase && value != kFineScanCoarse) {
        // Short lists grow as cells are built, so their storage is looked up anew.
        lastIndex = ScanFineList(
            search->fineEntries.data() + search->fineListStart[value - kFineListBase], int(r),
            int(g), int(b));
      } else {
        lastIndex = NearestIndexSearch(search, int(r), int(g), int(b));
        // The search may have built this very cell: the next pixel reads it anew.
      }
    }
    indices[i] = lastIndex;
  }
}

}  // namespace

void NearestIndicesBgr(NearestColourSearch* search, const unsigned char* pixels,
                       int bytesPerPixel, int count, unsigned char* indices) {
  if (search->fineShift == 3) {
    IndicesBgr<3>(search, pixels, bytesPerPixel, count, indices);
  } else {
    IndicesBgr<2>(search, pixels, bytesPerPixel, count, indices);
  }
}
