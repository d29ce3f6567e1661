// A small BMP reader and writer for the benchmark tools only: uncompressed 8- and
// 24-bit pictures with a 40-byte (or longer) header, which is all the benchmarks
// make or need to check. It shares no code with hueswap on purpose, so that the
// exactness check does not trust what it checks.
#ifndef TINTSHIFT_BENCH_BENCH_BMP_H
#define TINTSHIFT_BENCH_BENCH_BMP_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct BenchImage {
  int width = 0;
  int height = 0;
  int bits = 0;                                       // 8 or 24
  std::vector<std::vector<unsigned char>> table;      // r, g, b per entry (8-bit)
  std::vector<unsigned char> pixels;                  // top row first; index or r,g,b
};

inline void PutU16(std::string* s, unsigned v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>((v >> 8) & 0xFF));
}

inline void PutU32(std::string* s, std::uint32_t v) {
  PutU16(s, v & 0xFFFF);
  PutU16(s, v >> 16);
}

inline bool WriteBenchBmp(const std::string& path, const BenchImage& image) {
  int bytesPerPixel = image.bits / 8;
  int stride = (image.width * bytesPerPixel + 3) / 4 * 4;
  std::uint32_t tableSize = static_cast<std::uint32_t>(image.table.size() * 4);
  std::uint32_t offset = 54 + tableSize;
  std::uint32_t pixelSize = static_cast<std::uint32_t>(stride) * image.height;
  std::string out = "BM";
  PutU32(&out, offset + pixelSize);
  PutU32(&out, 0);
  PutU32(&out, offset);
  PutU32(&out, 40);
  PutU32(&out, static_cast<std::uint32_t>(image.width));
  PutU32(&out, static_cast<std::uint32_t>(image.height));
  PutU16(&out, 1);
  PutU16(&out, static_cast<unsigned>(image.bits));
  PutU32(&out, 0);
  PutU32(&out, pixelSize);
  PutU32(&out, 2835);
  PutU32(&out, 2835);
  PutU32(&out, static_cast<std::uint32_t>(image.table.size()));
  PutU32(&out, 0);
  for (const std::vector<unsigned char>& c : image.table) {
    out.push_back(static_cast<char>(c[2]));
    out.push_back(static_cast<char>(c[1]));
    out.push_back(static_cast<char>(c[0]));
    out.push_back('\0');
  }
  for (int y = image.height - 1; y >= 0; --y) {
    const unsigned char* row = &image.pixels[static_cast<std::size_t>(y) * image.width * bytesPerPixel];
    std::string line(static_cast<std::size_t>(stride), '\0');
    for (int x = 0; x < image.width; ++x) {
      if (bytesPerPixel == 1) {
        line[x] = static_cast<char>(row[x]);
      } else {
        line[3 * x] = static_cast<char>(row[3 * x + 2]);
        line[3 * x + 1] = static_cast<char>(row[3 * x + 1]);
        line[3 * x + 2] = static_cast<char>(row[3 * x]);
      }
    }
    out += line;
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

inline std::uint32_t GetU32(const std::vector<unsigned char>& d, std::size_t at) {
  return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (std::uint32_t(d[at + 3]) << 24);
}

inline bool ReadBenchBmp(const std::string& path, BenchImage* image, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = path + ": cannot open";
    return false;
  }
  std::vector<unsigned char> d;
  unsigned char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) d.insert(d.end(), buffer, buffer + got);
  std::fclose(f);
  if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') {
    *error = path + ": not a BMP file";
    return false;
  }
  std::uint32_t offset = GetU32(d, 10), headerSize = GetU32(d, 14);
  std::int32_t width = static_cast<std::int32_t>(GetU32(d, 18));
  std::int32_t height = static_cast<std::int32_t>(GetU32(d, 22));
  int bits = d[28] | (d[29] << 8);
  std::uint32_t compression = GetU32(d, 30), used = GetU32(d, 46);
  if (headerSize < 40 || compression != 0 || (bits != 8 && bits != 24) || width <= 0 ||
      height == 0 || width > 65535 || height > 65535 || height < -65535) {
    *error = path + ": not an uncompressed 8- or 24-bit BMP with a 40-byte header";
    return false;
  }
  bool bottomUp = height > 0;
  if (!bottomUp) height = -height;
  image->width = width;
  image->height = height;
  image->bits = bits;
  image->table.clear();
  if (bits == 8) {
    std::uint32_t count = used ? used : 256;
    if (count > 256 || 14 + headerSize + 4 * count > d.size()) {
      *error = path + ": bad colour table";
      return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      std::size_t at = 14 + headerSize + 4 * i;
      image->table.push_back({d[at + 2], d[at + 1], d[at]});
    }
  }
  int bytesPerPixel = bits / 8;
  std::size_t stride = (static_cast<std::size_t>(width) * bytesPerPixel + 3) / 4 * 4;
  if (offset + stride * height > d.size()) {
    *error = path + ": pixels run past the end of the file";
    return false;
  }
  image->pixels.assign(static_cast<std::size_t>(width) * height * bytesPerPixel, 0);
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = &d[offset + stride * (bottomUp ? height - 1 - y : y)];
    unsigned char* target = &image->pixels[static_cast<std::size_t>(y) * width * bytesPerPixel];
    for (int x = 0; x < width; ++x) {
      if (bytesPerPixel == 1) {
        if (row[x] >= image->table.size()) {
          *error = path + ": pixel index outside the colour table";
          return false;
        }
        target[x] = row[x];
      } else {
        target[3 * x] = row[3 * x + 2];
        target[3 * x + 1] = row[3 * x + 1];
        target[3 * x + 2] = row[3 * x];
      }
    }
  }
  return true;
}

#endif
