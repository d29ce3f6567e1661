#include "converter/nearest_colour.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The definition: smallest squared distance, first index among equals.
int BruteForce(const Palette& p, int r, int g, int b) {
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
  return best;
}

Palette MakePalette(const std::vector<std::vector<int>>& colours) {
  Palette p;
  p.count = static_cast<int>(colours.size());
  for (int i = 0; i < p.count; ++i) {
    for (int c = 0; c < 3; ++c) p.rgb[i][c] = static_cast<unsigned char>(colours[i][c]);
  }
  return p;
}

// Each component drawn from `levels` (all of 0..255 when empty).
Palette RandomPalette(std::mt19937* random, int count, const std::vector<int>& levels) {
  Palette p;
  p.count = count;
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) {
      unsigned v = (*random)();
      p.rgb[i][c] = static_cast<unsigned char>(levels.empty() ? v & 0xFF : levels[v % levels.size()]);
    }
  }
  return p;
}

struct PaletteCase {
  std::string name;
  Palette palette;
};

std::vector<PaletteCase> Palettes() {
  std::mt19937 random(2024);
  std::vector<PaletteCase> cases;
  cases.push_back({"one colour", MakePalette({{90, 10, 200}})});
  cases.push_back({"two equal colours", MakePalette({{5, 5, 5}, {5, 5, 5}})});
  // (1,0,0) is as far from entry 1 as from entry 2; entry 3 repeats entry 1.
  cases.push_back({"hand-made ties", MakePalette({{255, 255, 255}, {0, 0, 0}, {2, 0, 0},
                                                  {0, 0, 0}, {1, 1, 1}})});
  cases.push_back({"black and white", MakePalette({{0, 0, 0}, {255, 255, 255}})});
  cases.push_back({"16 random", RandomPalette(&random, 16, {})});
  cases.push_back({"256 random", RandomPalette(&random, 256, {})});
  // Few levels: many repeated entries and many equal distances.
  cases.push_back({"256 from 3 levels", RandomPalette(&random, 256, {0, 128, 255})});
  cases.push_back({"64 from an even lattice", RandomPalette(&random, 64, {0, 2, 4, 6, 250, 252})});
  cases.push_back({"256 clustered", RandomPalette(&random, 256, {100, 101, 102, 103, 104, 105, 106})});
  Palette grey;
  grey.count = 256;
  for (int i = 0; i < 256; ++i) grey.rgb[i][0] = grey.rgb[i][1] = grey.rgb[i][2] = static_cast<unsigned char>(255 - i);
  cases.push_back({"256 greys, descending", grey});
  return cases;
}

TEST(NearestIndex, MatchesBruteForceOnEveryPalette) {
  std::mt19937 random(77);
  for (const PaletteCase& c : Palettes()) {
    SCOPED_TRACE(c.name);
    NearestColourSearch search;
    InitNearestColourSearch(&search, c.palette);
    std::vector<std::vector<int>> queries;
    // A lattice over the whole cube, walked twice so that answers come from the
    // cache as well as from the search.
    for (int pass = 0; pass < 2; ++pass) {
      for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 15) {
          for (int b = 0; b < 256; b += 15) queries.push_back({r, g, b});
        }
      }
    }
    // The cube's corners, every palette colour and its neighbours, odd midpoints.
    for (int corner = 0; corner < 8; ++corner) {
      queries.push_back({corner & 1 ? 255 : 0, corner & 2 ? 255 : 0, corner & 4 ? 255 : 0});
    }
    for (int i = 0; i < c.palette.count; ++i) {
      for (int d = -1; d <= 1; ++d) {
        queries.push_back({std::min(255, std::max(0, c.palette.rgb[i][0] + d)), c.palette.rgb[i][1],
                           std::min(255, std::max(0, c.palette.rgb[i][2] - d))});
      }
    }
    for (int r = 1; r < 8; r += 2) {
      for (int g = 1; g < 8; g += 2) queries.push_back({r, g, 1});
    }
    for (int k = 0; k < 20000; ++k) {
      unsigned v = random();
      queries.push_back({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)});
    }
    int mismatches = 0;
    for (const std::vector<int>& q : queries) {
      int expected = BruteForce(c.palette, q[0], q[1], q[2]);
      int got = NearestIndex(&search, static_cast<unsigned char>(q[0]),
                             static_cast<unsigned char>(q[1]), static_cast<unsigned char>(q[2]));
      if (got != expected && ++mismatches <= 5) {
        ADD_FAILURE() << "colour " << q[0] << "," << q[1] << "," << q[2] << ": got " << got
                      << ", brute force " << expected;
      }
      int scanned = NearestIndexByScan(&search, q[0], q[1], q[2]);
      if (scanned != expected && ++mismatches <= 5) {
        ADD_FAILURE() << "colour " << q[0] << "," << q[1] << "," << q[2] << ": scan gave "
                      << scanned << ", brute force " << expected;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

// A colour in every fine cell of a 256-colour search: more cells are shared than
// there are short lists, so the last ones fall back to scanning their coarse cell's
// list. Every answer, from either kind of cell, is the brute-force one.
TEST(NearestIndex, CellsBeyondTheShortListsStayExact) {
  std::mt19937 random(4242);
  Palette palette = RandomPalette(&random, 256, {});
  NearestColourSearch search;
  InitNearestColourSearch(&search, palette);
  int mismatches = 0;
  for (int pass = 0; pass < 2; ++pass) {  // building the cells, then reading them
    for (int r = 1; r < 256; r += 4) {
      for (int g = 2; g < 256; g += 4) {
        for (int b = 3; b < 256; b += 4) {
          int got = NearestIndex(&search, static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                                 static_cast<unsigned char>(b));
          int expected = BruteForce(palette, r, g, b);
          if (got != expected && ++mismatches <= 5) {
            ADD_FAILURE() << "colour " << r << "," << g << "," << b << ": got " << got
                          << ", brute force " << expected;
          }
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(search.fineListStart.size(), std::size_t(kFineScanCoarse - kFineListBase))
      << "the short lists did not run out; the fallback went untested";
}

TEST(NearestIndex, TiesGoToTheLowestIndex) {
  struct Row {
    std::vector<std::vector<int>> palette;
    std::vector<int> colour;
    int expected;
  };
  const Row rows[] = {
      {{{0, 0, 0}, {2, 0, 0}}, {1, 0, 0}, 0},
      {{{2, 0, 0}, {0, 0, 0}}, {1, 0, 0}, 0},
      {{{9, 9, 9}, {0, 0, 0}, {2, 0, 0}}, {1, 0, 0}, 1},
      {{{7, 7, 7}, {7, 7, 7}, {7, 7, 7}}, {200, 0, 0}, 0},
      {{{0, 0, 0}, {50, 50, 50}, {50, 50, 50}}, {50, 50, 50}, 1},
      {{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {85, 85, 85}, 0},
      // Equal at the far corner of the search's 16-wide cell: entry 0 only just
      // reaches the cell and must still be weighed.
      {{{30, 30, 30}, {0, 0, 0}}, {15, 15, 15}, 0},
      {{{225, 30, 225}, {255, 0, 255}}, {240, 15, 240}, 0},
  };
  for (const Row& row : rows) {
    Palette p = MakePalette(row.palette);
    NearestColourSearch search;
    InitNearestColourSearch(&search, p);
    for (int twice = 0; twice < 2; ++twice) {  // the search, then the cache
      EXPECT_EQ(NearestIndex(&search, static_cast<unsigned char>(row.colour[0]),
                             static_cast<unsigned char>(row.colour[1]),
                             static_cast<unsigned char>(row.colour[2])),
                row.expected);
    }
  }
}

// A search set up again for another palette must forget the first one's answers.
TEST(NearestIndex, ReinitialisingForgetsThePreviousPalette) {
  NearestColourSearch search;
  InitNearestColourSearch(&search, MakePalette({{0, 0, 0}, {255, 255, 255}}));
  EXPECT_EQ(NearestIndex(&search, 250, 250, 250), 1);
  EXPECT_EQ(NearestIndex(&search, 0, 0, 0), 0);
  InitNearestColourSearch(&search, MakePalette({{255, 255, 255}, {0, 0, 0}}));
  EXPECT_EQ(NearestIndex(&search, 250, 250, 250), 0);
  EXPECT_EQ(NearestIndex(&search, 0, 0, 0), 1);
  EXPECT_EQ(NearestIndex(&search, 255, 255, 255), 0);
}

TEST(NearestIndicesBgr, MapsRowsOfThreeAndFourBytesLikeSinglePixels) {
  std::mt19937 random(5);
  Palette p = RandomPalette(&random, 40, {});
  NearestColourSearch search;
  InitNearestColourSearch(&search, p);
  for (int bytesPerPixel = 3; bytesPerPixel <= 4; ++bytesPerPixel) {
    SCOPED_TRACE(bytesPerPixel);
    const int count = 500;
    std::vector<unsigned char> row(count * bytesPerPixel);
    for (int i = 0; i < count; ++i) {
      // Runs of equal pixels, as in real images, and changes inside a run's padding
      // byte that must not matter.
      unsigned v = (i / 3) * 2654435761u;
      for (int c = 0; c < 3; ++c) row[i * bytesPerPixel + c] = static_cast<unsigned char>(v >> (8 * c));
      if (bytesPerPixel == 4) row[i * 4 + 3] = static_cast<unsigned char>(i);
    }
    std::vector<unsigned char> indices(count);
    NearestIndicesBgr(&search, row.data(), bytesPerPixel, count, indices.data());
    for (int i = 0; i < count; ++i) {
      const unsigned char* px = &row[i * bytesPerPixel];
      ASSERT_EQ(indices[i], BruteForce(p, px[2], px[1], px[0])) << "pixel " << i;
    }
  }
}

}  // namespace
