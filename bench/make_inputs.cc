// Writes the inputs of the hueswap benchmarks into a folder:
//   big24.bmp       1024x1024, 24-bit: a photo-like scene (smooth gradients, discs,
//                   and a little per-pixel noise, as a camera leaves)
//   big8.bmp        the same scene, 8-bit, in a 252-colour cube
//   noise24.bmp     1024x1024, 24-bit, every pixel random: the most cells the
//                   nearest-colour search can build (its largest memory)
//   pal256.pal      a 256-colour JASC-PAL palette (fixed pseudo-random colours)
//   pal256.bmp      the same palette as a 16x16 8-bit picture, for the remap of
//                   ImageMagick and Pillow
//   pal16.pal, pal16.bmp   a 16-colour palette, the same two ways
//   batch/NNN.bmp   300 pictures of 128x128, 24-bit, each a different crop of
//                   the scene
// Usage: make_inputs FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_bmp.h"

namespace {

std::uint32_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352du;
  x ^= x >> 15;
  x *= 0x846ca68bu;
  x ^= x >> 16;
  return x;
}

int Clamp(double v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<int>(v + 0.5); }

// The scene, 2048x2048 in its own coordinates.
void Scene(int x, int y, unsigned char rgb[3]) {
  double r = 255.0 * x / 2047, g = 255.0 * y / 2047;
  double b = 128 + 100 * std::sin(x * 0.006) * std::cos(y * 0.004);
  struct Disc { double cx, cy, radius; int r, g, b; };
  static const Disc discs[] = {{500, 600, 260, 230, 200, 40}, {1400, 500, 200, 40, 90, 200},
                               {1000, 1400, 380, 180, 40, 60}, {1700, 1600, 150, 30, 160, 80}};
  for (const Disc& d : discs) {
    double dist = std::hypot(x - d.cx, y - d.cy);
    if (dist < d.radius) {
      double shade = 0.7 + 0.3 * (1 - dist / d.radius);  // lit from the middle
      r = d.r * shade;
      g = d.g * shade;
      b = d.b * shade;
    }
  }
  std::uint32_t h = Hash(static_cast<std::uint32_t>(y) * 4096u + static_cast<std::uint32_t>(x));
  rgb[0] = static_cast<unsigned char>(Clamp(r + static_cast<int>(h & 3) - 1));
  rgb[1] = static_cast<unsigned char>(Clamp(g + static_cast<int>((h >> 2) & 3) - 1));
  rgb[2] = static_cast<unsigned char>(Clamp(b + static_cast<int>((h >> 4) & 3) - 1));
}

BenchImage Crop(int x0, int y0, int size, int step) {
  BenchImage image;
  image.width = image.height = size;
  image.bits = 24;
  image.pixels.resize(static_cast<std::size_t>(size) * size * 3);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      Scene(x0 + x * step, y0 + y * step, &image.pixels[(static_cast<std::size_t>(y) * size + x) * 3]);
    }
  }
  return image;
}

std::vector<std::vector<unsigned char>> RandomPalette(int count, std::uint32_t seed) {
  std::vector<std::vector<unsigned char>> colours;
  for (int i = 0; i < count; ++i) {
    std::uint32_t h = Hash(seed * 1000u + static_cast<std::uint32_t>(i));
    colours.push_back({static_cast<unsigned char>(h), static_cast<unsigned char>(h >> 8),
                       static_cast<unsigned char>(h >> 16)});
  }
  return colours;
}

bool WritePalette(const std::string& folder, const std::string& name,
                  const std::vector<std::vector<unsigned char>>& colours) {
  std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(colours.size()) + "\r\n";
  for (const std::vector<unsigned char>& c : colours) {
    text += std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) + "\r\n";
  }
  std::FILE* f = std::fopen((folder + "/" + name + ".pal").c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) return false;
  // The palette as a picture that shows each colour once.
  BenchImage image;
  image.width = colours.size() == 256 ? 16 : 4;
  image.height = static_cast<int>(colours.size()) / image.width;
  image.bits = 8;
  image.table = colours;
  for (std::size_t i = 0; i < colours.size(); ++i) image.pixels.push_back(static_cast<unsigned char>(i));
  return WriteBenchBmp(folder + "/" + name + ".bmp", image);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_inputs FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  bool ok = true;

  BenchImage big = Crop(0, 0, 1024, 2);
  ok &= WriteBenchBmp(folder + "/big24.bmp", big);

  BenchImage big8;
  big8.width = big8.height = 1024;
  big8.bits = 8;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 7; ++g) {
      for (int b = 0; b < 6; ++b) {
        big8.table.push_back({static_cast<unsigned char>(r * 51), static_cast<unsigned char>(g * 255 / 6),
                              static_cast<unsigned char>(b * 51)});
      }
    }
  }
  for (std::size_t i = 0; i < big.pixels.size(); i += 3) {
    int r = (big.pixels[i] + 25) / 51, g = (big.pixels[i + 1] * 6 + 127) / 255, b = (big.pixels[i + 2] + 25) / 51;
    big8.pixels.push_back(static_cast<unsigned char>((r * 7 + g) * 6 + b));
  }
  ok &= WriteBenchBmp(folder + "/big8.bmp", big8);

  BenchImage noise;
  noise.width = noise.height = 1024;
  noise.bits = 24;
  noise.pixels.resize(std::size_t(1024) * 1024 * 3);
  for (std::size_t i = 0; i < noise.pixels.size(); ++i) {
    noise.pixels[i] = static_cast<unsigned char>(Hash(static_cast<std::uint32_t>(i) ^ 0x9e3779b9u));
  }
  ok &= WriteBenchBmp(folder + "/noise24.bmp", noise);

  ok &= WritePalette(folder, "pal256", RandomPalette(256, 1));
  ok &= WritePalette(folder, "pal16", RandomPalette(16, 2));

  for (int i = 0; i < 300; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/batch/%03d.bmp", i);
    ok &= WriteBenchBmp(folder + name, Crop((i * 97) % 1900, (i * 61) % 1900, 128, 1));
  }
  if (!ok) {
    std::fprintf(stderr, "make_inputs: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
