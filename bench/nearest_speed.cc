// Speed of the nearest-colour search against a plain scan of the palette, for the
// image shapes hueswap meets: one large picture with a 256-colour palette, many
// small pictures with a 16-colour palette, and noise (the worst case for the
// cache). Also checks that both give the same indices. Built and run by
// bench/nearest_speed.sh.
#include <algorithm>
#include <chrono>
#include <utility>
#include <cstdio>
#include <random>
#include <vector>

#include "bench/bench_bmp.h"
#include "converter/nearest_colour.h"

namespace {

unsigned char Scan(const Palette& p, int r, int g, int b) {
  int best = 0;
  int bestDistance = 1 << 30;
  for (int i = 0; i < p.count; ++i) {
    int dr = r - p.rgb[i][0], dg = g - p.rgb[i][1], db = b - p.rgb[i][2];
    int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<unsigned char>(best);
}

Palette RandomPalette(std::mt19937* random, int count) {
  Palette p;
  p.count = count;
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) p.rgb[i][c] = static_cast<unsigned char>((*random)());
  }
  return p;
}

// Pixels stored blue, green, red.
std::vector<unsigned char> Gradient(int width, int height) {
  std::vector<unsigned char> px(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &px[(static_cast<std::size_t>(y) * width + x) * 3];
      p[2] = static_cast<unsigned char>(x * 255 / (width - 1));
      p[1] = static_cast<unsigned char>(y * 255 / (height - 1));
      p[0] = static_cast<unsigned char>((x + y) * 255 / (width + height - 2));
    }
  }
  return px;
}

std::vector<unsigned char> Noise(std::mt19937* random, int width, int height) {
  std::vector<unsigned char> px(static_cast<std::size_t>(width) * height * 3);
  for (unsigned char& v : px) v = static_cast<unsigned char>((*random)());
  return px;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Converts `images` copies of the pixels, setting the search up anew for each
// copy as hueswap does once per file; returns seconds.
double TimeSearch(const Palette& palette, const std::vector<unsigned char>& px, int images,
                  std::vector<unsigned char>* out) {
  int count = static_cast<int>(px.size() / 3);
  out->assign(count, 0);
  auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < images; ++k) {
    NearestColourSearch search;
    InitNearestColourSearch(&search, palette);
    NearestIndicesBgr(&search, px.data(), 3, count, out->data());
  }
  return Seconds(start);
}

double TimeScan(const Palette& palette, const std::vector<unsigned char>& px, int images,
                std::vector<unsigned char>* out) {
  int count = static_cast<int>(px.size() / 3);
  out->assign(count, 0);
  auto start = std::chrono::steady_clock::now();
  for (int k = 0; k < images; ++k) {
    for (int i = 0; i < count; ++i) {
      (*out)[i] = Scan(palette, px[3 * i + 2], px[3 * i + 1], px[3 * i]);
    }
  }
  return Seconds(start);
}

bool Report(const char* name, const Palette& palette, const std::vector<unsigned char>& px,
            int images) {
  std::vector<unsigned char> fast, slow;
  // The best of five runs of the search: the machine may be busy.
  double t = TimeSearch(palette, px, images, &fast);
  for (int run = 1; run < 5; ++run) t = std::min(t, TimeSearch(palette, px, images, &fast));
  double s = TimeScan(palette, px, images, &slow);
  double pixels = static_cast<double>(px.size() / 3) * images;
  bool same = fast == slow;
  std::printf("%-44s search %7.2f ms (%5.2f ns/px)  scan %8.2f ms (%6.2f ns/px)  %5.1fx  %s\n",
              name, t * 1e3, t * 1e9 / pixels, s * 1e3, s * 1e9 / pixels, s / t,
              same ? "same indices" : "INDICES DIFFER");
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  std::mt19937 random(1);
  // Optionally a real picture: nearest_speed PICTURE24.bmp PALETTE8.bmp
  if (argc == 3) {
    BenchImage picture, palette;
    std::string error;
    if (!ReadBenchBmp(argv[1], &picture, &error) || !ReadBenchBmp(argv[2], &palette, &error) ||
        picture.bits != 24) {
      std::fprintf(stderr, "nearest_speed: %s\n", error.empty() ? "the picture must be 24-bit" : error.c_str());
      return 2;
    }
    Palette p;
    p.count = static_cast<int>(palette.table.size());
    for (int i = 0; i < p.count; ++i) {
      for (int c = 0; c < 3; ++c) p.rgb[i][c] = palette.table[i][c];
    }
    // bench_bmp keeps pixels red, green, blue; the timed functions take blue first.
    for (std::size_t i = 0; i < picture.pixels.size(); i += 3) std::swap(picture.pixels[i], picture.pixels[i + 2]);
    return Report(argv[1], p, picture.pixels, 1) ? 0 : 1;
  }
  Palette p256 = RandomPalette(&random, 256);
  Palette p16 = RandomPalette(&random, 16);
  bool ok = true;

  // Set-up cost alone, per image.
  {
    const int rounds = 2000;
    auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < rounds; ++k) {
      NearestColourSearch search;
      InitNearestColourSearch(&search, p16);
      if (NearestIndex(&search, 1, 2, 3) > 15) ok = false;
    }
    std::printf("%-44s %7.2f us per image\n", "set-up + one lookup, 16 colours",
                Seconds(start) * 1e6 / rounds);
  }
  ok &= Report("1024x1024 gradient, 256 colours", p256, Gradient(1024, 1024), 1);
  ok &= Report("1024x1024 noise, 256 colours", p256, Noise(&random, 1024, 1024), 1);
  ok &= Report("300 x 128x128 gradient, 16 colours", p16, Gradient(128, 128), 300);
  ok &= Report("300 x 128x128 noise, 16 colours", p16, Noise(&random, 128, 128), 300);
  return ok ? 0 : 1;
}
