// Checks a converted picture against a brute-force nearest-colour search.
// Usage: exact_check INPUT.bmp PALETTE.bmp OUTPUT.bmp [strict]
// INPUT is the original (8- or 24-bit), PALETTE an 8-bit picture whose colour
// table is the target palette, OUTPUT the converted picture (8- or 24-bit).
// Prints how many pixels have the colour of the nearest palette entry (smallest
// squared RGB distance, first entry among equals). With "strict" the output must
// also be 8-bit with the palette as its table and carry that entry's index; the
// exit status is then 0 only if every pixel matches.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_bmp.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: exact_check INPUT.bmp PALETTE.bmp OUTPUT.bmp [strict]\n");
    return 2;
  }
  bool strict = argc == 5 && std::string(argv[4]) == "strict";
  BenchImage input, palette, output;
  std::string error;
  if (!ReadBenchBmp(argv[1], &input, &error) || !ReadBenchBmp(argv[2], &palette, &error) ||
      !ReadBenchBmp(argv[3], &output, &error)) {
    std::fprintf(stderr, "exact_check: %s\n", error.c_str());
    return 2;
  }
  if (input.width != output.width || input.height != output.height) {
    std::fprintf(stderr, "exact_check: %s is %dx%d, %s is %dx%d\n", argv[1], input.width,
                 input.height, argv[3], output.width, output.height);
    return 1;
  }
  const std::vector<std::vector<unsigned char>>& pal = palette.table;
  if (strict && (output.bits != 8 || output.table != pal)) {
    std::fprintf(stderr, "exact_check: %s does not carry the palette as its colour table\n", argv[3]);
    return 1;
  }
  // Brute force, once per distinct input colour.
  std::vector<int> nearest(1 << 24, -1);
  long pixels = static_cast<long>(input.width) * input.height, matching = 0;
  for (long i = 0; i < pixels; ++i) {
    const unsigned char* c = input.bits == 8 ? input.table[input.pixels[i]].data() : &input.pixels[3 * i];
    int key = (c[0] << 16) | (c[1] << 8) | c[2];
    if (nearest[key] < 0) {
      long best = -1;
      for (std::size_t k = 0; k < pal.size(); ++k) {
        long dr = c[0] - pal[k][0], dg = c[1] - pal[k][1], db = c[2] - pal[k][2];
        long d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < best) {
          best = d;
          nearest[key] = static_cast<int>(k);
        }
      }
    }
    const std::vector<unsigned char>& want = pal[nearest[key]];
    bool same;
    if (output.bits == 8) {
      same = output.table[output.pixels[i]] == want && (!strict || output.pixels[i] == nearest[key]);
    } else {
      const unsigned char* o = &output.pixels[3 * i];
      same = o[0] == want[0] && o[1] == want[1] && o[2] == want[2];
    }
    matching += same;
  }
  std::printf("%.4f%% of %ld pixels match the brute-force nearest colour%s\n",
              100.0 * matching / pixels, pixels, strict ? " (index and colour)" : "");
  return (!strict || matching == pixels) ? 0 : 1;
}
