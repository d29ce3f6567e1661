// Builds small BMP files in tests: the headers as a writer would lay them out, and the
// stored rows from a picture given top row first.
#ifndef TINTSHIFT_TESTS_CONVERTER_BMP_BUILDER_H
#define TINTSHIFT_TESTS_CONVERTER_BMP_BUILDER_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace bmptest {

using Bytes = std::vector<unsigned char>;
using Rgb = std::array<unsigned char, 3>;

inline void Put16(Bytes* b, std::uint32_t v) {
  b->push_back(static_cast<unsigned char>(v));
  b->push_back(static_cast<unsigned char>(v >> 8));
}

inline void Put32(Bytes* b, std::uint32_t v) {
  Put16(b, v);
  Put16(b, v >> 16);
}

struct BmpLayout {
  int headerSize = 40;            // 12, 16, 40, 52, 56, 64, 108, 124 (or a wrong one)
  std::int32_t width = 1;
  std::int32_t height = 1;        // negative: top-down
  int bitCount = 8;
  std::uint32_t compression = 0;
  std::uint16_t planes = 1;
  std::vector<Rgb> colours;       // the colour table, R, G, B
  bool writeClrUsed = true;       // biClrUsed = colours.size(), else 0
  std::int64_t clrUsed = -1;      // explicit biClrUsed (when >= 0)
  std::vector<std::uint32_t> masks;  // bit fields: in the header (52+) or after it (40)
  Bytes pixels;                   // the pixel data as stored
  std::int64_t offBits = -1;      // explicit bfOffBits (when >= 0)
  Bytes gap;                      // bytes between the colour table and the pixel data
};

inline Bytes BuildBmp(const BmpLayout& layout) {
  Bytes header;  // the info header
  Put32(&header, static_cast<std::uint32_t>(layout.headerSize));
  if (layout.headerSize == 12) {
    Put16(&header, static_cast<std::uint32_t>(layout.width));
    Put16(&header, static_cast<std::uint32_t>(layout.height));
    Put16(&header, layout.planes);
    Put16(&header, static_cast<std::uint32_t>(layout.bitCount));
  } else {
    Put32(&header, static_cast<std::uint32_t>(layout.width));
    Put32(&header, static_cast<std::uint32_t>(layout.height));
    Put16(&header, layout.planes);
    Put16(&header, static_cast<std::uint32_t>(layout.bitCount));
    if (layout.headerSize >= 40) {
      Put32(&header, layout.compression);
      Put32(&header, static_cast<std::uint32_t>(layout.pixels.size()));
      Put32(&header, 2835);
      Put32(&header, 2835);
      std::uint32_t used = layout.clrUsed >= 0 ? static_cast<std::uint32_t>(layout.clrUsed)
                           : layout.writeClrUsed ? static_cast<std::uint32_t>(layout.colours.size())
                                               : 0;
      Put32(&header, used);
      Put32(&header, 0);
    }
    bool masksInHeader = layout.headerSize >= 52 && layout.headerSize != 64;
    if (masksInHeader) {
      for (int i = 0; i < 4; ++i) {
        Put32(&header, i < static_cast<int>(layout.masks.size()) ? layout.masks[i] : 0);
      }
    }
    while (header.size() < static_cast<std::size_t>(layout.headerSize)) header.push_back(0);
    header.resize(static_cast<std::size_t>(layout.headerSize));
  }
  Bytes afterHeader;  // bit fields after a 40-byte header, then the colour table
  if (layout.headerSize == 40) {
    for (std::uint32_t m : layout.masks) Put32(&afterHeader, m);
  }
  for (const Rgb& c : layout.colours) {
    afterHeader.push_back(c[2]);
    afterHeader.push_back(c[1]);
    afterHeader.push_back(c[0]);
    if (layout.headerSize != 12) afterHeader.push_back(0);
  }
  afterHeader.insert(afterHeader.end(), layout.gap.begin(), layout.gap.end());
  std::uint32_t offset = static_cast<std::uint32_t>(14 + header.size() + afterHeader.size());
  if (layout.offBits >= 0) offset = static_cast<std::uint32_t>(layout.offBits);
  Bytes file;
  file.push_back('B');
  file.push_back('M');
  Put32(&file, static_cast<std::uint32_t>(14 + header.size() + afterHeader.size() + layout.pixels.size()));
  Put32(&file, 0);
  Put32(&file, offset);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), afterHeader.begin(), afterHeader.end());
  file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
  return file;
}

// Packs one row of colour indices at 1, 2, 4 or 8 bits, padded to 4 bytes.
inline Bytes PackIndexRow(const std::vector<int>& indices, int bits) {
  Bytes row((indices.size() * bits + 31) / 32 * 4, 0);
  for (std::size_t x = 0; x < indices.size(); ++x) {
    std::size_t bit = x * bits;
    int shift = 8 - bits - static_cast<int>(bit % 8);
    row[bit / 8] |= static_cast<unsigned char>(indices[x] << shift);
  }
  return row;
}

// Stores rows given top row first: bottom row first unless topDown.
inline Bytes StoreRows(const std::vector<Bytes>& rowsTopFirst, bool topDown = false) {
  Bytes out;
  for (std::size_t i = 0; i < rowsTopFirst.size(); ++i) {
    const Bytes& row = rowsTopFirst[topDown ? i : rowsTopFirst.size() - 1 - i];
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

// Pads a row of raw bytes to a multiple of 4.
inline Bytes Padded(Bytes row) {
  while (row.size() % 4 != 0) row.push_back(0);
  return row;
}

inline Bytes ReadFileBytes(const std::string& path) {
  Bytes bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  unsigned char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return bytes;
}

inline bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace bmptest

#endif
