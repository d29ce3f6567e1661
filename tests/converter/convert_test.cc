// The conversion pipeline and the BMP it writes; replacing files safely.
#include "converter/convert.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "converter/bmp_decoder.h"
#include "converter/bmp_writer.h"
#include "tests/converter/bmp_builder.h"
#include "tests/converter/test_files.h"

namespace {

using bmptest::BmpLayout;
using bmptest::BuildBmp;
using bmptest::Bytes;
using bmptest::Padded;
using bmptest::ReadFileBytes;
using bmptest::StoreRows;
using bmptest::TempFolder;
using bmptest::WriteFileBytes;

Palette ThreeColours() {
  Palette palette;
  palette.count = 3;
  const unsigned char colours[3][3] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}};
  for (int i = 0; i < 3; ++i) {
    for (int c = 0; c < 3; ++c) palette.rgb[i][c] = colours[i][c];
  }
  return palette;
}

// 3 x 2, 24 bits:  top:    red        black        (250,250,250)
//                  bottom: blue       (10,10,10)   (128,128,128)
Bytes SmallRgbPicture() {
  BmpLayout layout;
  layout.width = 3;
  layout.height = 2;
  layout.bitCount = 24;
  layout.pixels = StoreRows({Padded({0, 0, 255, 0, 0, 0, 250, 250, 250}),
                           Padded({255, 0, 0, 10, 10, 10, 128, 128, 128})});
  return BuildBmp(layout);
}

// What hueswap writes for SmallRgbPicture with ThreeColours, byte by byte.
const Bytes kSmallOutput = {
    // BITMAPFILEHEADER: "BM", file size 74, reserved, pixels at 66.
    'B', 'M', 74, 0, 0, 0, 0, 0, 0, 0, 66, 0, 0, 0,
    // BITMAPINFOHEADER: size 40, 3 x 2 (bottom-up), 1 plane, 8 bits, BI_RGB, 8 bytes
    // of pixels, no density, 3 colours used, all important.
    40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0,
    // Colour table: B, G, R, 0 for black, white, red.
    0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0,
    // Bottom row: blue -> black (0), (10,10,10) -> black, (128,128,128) -> white (1).
    0, 0, 1, 0,
    // Top row: red (2), black (0), near-white (1).
    2, 0, 1, 0,
};

// Converts a picture in memory to the three-colour palette; the output's bytes.
Bytes ConvertInMemory(const Bytes& input) {
  ByteSource source;
  InitMemorySource(&source, input.data(), input.size());
  NearestColourSearch search;
  InitNearestColourSearch(&search, ThreeColours());
  std::FILE* out = std::tmpfile();
  if (out == nullptr) return {};
  std::string error;
  bool outputFault = false;
  bool converted = ConvertBmp(&source, &search, out, &error, &outputFault);
  EXPECT_TRUE(converted) << error;
  EXPECT_FALSE(outputFault);
  std::fflush(out);
  std::rewind(out);
  Bytes written(200);
  written.resize(std::fread(written.data(), 1, written.size(), out));
  std::fclose(out);
  return written;
}

TEST(Convert, OutputFormatByteByByte) {
  EXPECT_EQ(ConvertInMemory(SmallRgbPicture()), kSmallOutput);
}

TEST(Convert, ConvertFileWritesTheOutput) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "in.bmp", SmallRgbPicture()));
  HueswapError error;
  ASSERT_TRUE(ConvertBmpFile(folder / "in.bmp", folder / "out.bmp", ThreeColours(), &error))
      << error.file << ": " << error.reason;
  EXPECT_EQ(ReadFileBytes(folder / "out.bmp"), kSmallOutput);
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"in.bmp", "out.bmp"}));
}

TEST(Convert, IndexedInputMapsItsColourTable) {
  // A 4-bit picture whose colour table holds near-red, near-white and blue.
  BmpLayout layout;
  layout.width = 5;
  layout.height = 1;
  layout.bitCount = 4;
  layout.colours = {{250, 10, 10}, {240, 240, 240}, {0, 0, 200}};
  layout.pixels = bmptest::PackIndexRow({0, 1, 2, 1, 0}, 4);
  Bytes written = ConvertInMemory(BuildBmp(layout));
  ASSERT_EQ(written.size(), 66u + 8u);
  EXPECT_EQ(Bytes(written.begin() + 66, written.end()), (Bytes{2, 1, 0, 1, 2, 0, 0, 0}));
}

// The definition: smallest squared distance, first index among equals.
int BruteForce(const Palette& p, const unsigned char* rgb) {
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < p.count; ++i) {
    long dr = rgb[0] - p.rgb[i][0], dg = rgb[1] - p.rgb[i][1], db = rgb[2] - p.rgb[i][2];
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

Palette RandomPalette(std::mt19937* random, int count) {
  Palette palette;
  palette.count = count;
  for (int i = 0; i < count; ++i) {
    for (int c = 0; c < 3; ++c) palette.rgb[i][c] = static_cast<unsigned char>((*random)());
  }
  return palette;
}

// Every way pixels reach the search (24- and 32-bit rows handed over as stored,
// indexed rows through the colour table, small and large, where a large one maps
// two pixels at a time, and decoded 16-bit rows) gives, pixel for pixel, the
// brute-force answer for the decoded colour.
TEST(Convert, EveryPixelPathMatchesBruteForce) {
  struct Row {
    const char* name;
    int bitCount;
    int width;
    int height;
    int paletteSize;
  };
  const Row rows[] = {
      {"24-bit, odd width", 24, 131, 67, 256},
      {"24-bit, 16 colours", 24, 64, 64, 16},
      {"32-bit", 32, 77, 40, 200},
      {"8-bit, small", 8, 33, 9, 256},
      {"8-bit, large enough for pairs, odd width", 8, 1023, 257, 256},
      {"8-bit, large enough for pairs, width 9", 8, 9, 30000, 7},
      {"4-bit", 4, 45, 20, 16},
      {"16-bit (5-5-5)", 16, 50, 30, 100},
  };
  std::mt19937 random(31);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BmpLayout layout;
    layout.width = row.width;
    layout.height = row.height;
    layout.bitCount = row.bitCount;
    if (row.bitCount <= 8) {
      int entries = 1 << row.bitCount;
      for (int i = 0; i < entries - 3; ++i) {  // indices past the table are refused
        unsigned v = random();
        layout.colours.push_back({static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16)});
      }
      int count = static_cast<int>(layout.colours.size());
      for (int y = 0; y < row.height; ++y) {
        std::vector<int> indices(static_cast<std::size_t>(row.width));
        // Runs and noise, so that neighbouring pairs repeat and differ.
        for (int& i : indices) i = (random() % 4 == 0) ? static_cast<int>(random() % count) : y % count;
        Bytes packed = bmptest::PackIndexRow(indices, row.bitCount);
        layout.pixels.insert(layout.pixels.end(), packed.begin(), packed.end());
      }
    } else {
      std::size_t stride = (static_cast<std::size_t>(row.width) * row.bitCount + 31) / 32 * 4;
      for (int y = 0; y < row.height; ++y) {
        Bytes stored(stride, 0);
        for (std::size_t i = 0; i < static_cast<std::size_t>(row.width) * row.bitCount / 8; ++i) {
          // Smooth with a little noise, like a photograph, plus stretches of one colour.
          stored[i] = static_cast<unsigned char>(y % 5 == 0 ? 90 : (i * 7 + y * 3 + random() % 3));
        }
        layout.pixels.insert(layout.pixels.end(), stored.begin(), stored.end());
      }
    }
    Bytes input = BuildBmp(layout);
    DecodedBmp decoded;
    std::string error;
    ASSERT_TRUE(DecodeBmpMemory(input.data(), input.size(), &decoded, &error)) << error;

    Palette palette = RandomPalette(&random, row.paletteSize);
    ByteSource source;
    InitMemorySource(&source, input.data(), input.size());
    NearestColourSearch search;
    InitNearestColourSearch(&search, palette);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    bool outputFault = false;
    ASSERT_TRUE(ConvertBmp(&source, &search, out, &error, &outputFault)) << error;
    std::fflush(out);
    std::rewind(out);
    const std::size_t offset = 54 + 4 * static_cast<std::size_t>(palette.count);
    const std::size_t stride = BmpIndexedStride(row.width);
    Bytes written(offset + stride * static_cast<std::size_t>(row.height) + 1);
    written.resize(std::fread(written.data(), 1, written.size(), out));
    std::fclose(out);
    ASSERT_EQ(written.size(), offset + stride * static_cast<std::size_t>(row.height));

    int mismatches = 0;
    for (int y = 0; y < row.height; ++y) {
      const unsigned char* indices = written.data() + offset + stride * static_cast<std::size_t>(row.height - 1 - y);
      for (int x = 0; x < row.width; ++x) {
        const unsigned char* rgb = &decoded.rgb[(static_cast<std::size_t>(y) * row.width + x) * 3];
        int expected = BruteForce(palette, rgb);
        if (indices[x] != expected && ++mismatches <= 5) {
          ADD_FAILURE() << "pixel " << x << "," << y << ": got " << int(indices[x])
                        << ", brute force " << expected;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(Convert, InPlaceConversionReplacesTheFile) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "a.bmp", SmallRgbPicture()));
  HueswapError error;
  ASSERT_TRUE(ConvertBmpFile(folder / "a.bmp", folder / "a.bmp", ThreeColours(), &error))
      << error.reason;
  EXPECT_EQ(ReadFileBytes(folder / "a.bmp"), kSmallOutput);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"a.bmp"});
}

TEST(Convert, FailedInPlaceConversionKeepsTheOriginal) {
  TempFolder folder;
  // Truncated inside the pixel data: refused before the output is touched.
  BmpLayout layout;
  layout.width = 300;
  layout.height = 300;
  layout.bitCount = 24;
  layout.pixels = Bytes(900 * 300, 77);
  Bytes file = BuildBmp(layout);
  file.resize(file.size() - 1000);
  ASSERT_TRUE(WriteFileBytes(folder / "cut.bmp", file));
  // An RLE stream that breaks after 300 of 400 rows: refused half-way through, when
  // rows are already in the temporary file.
  BmpLayout rle;
  rle.width = 400;
  rle.height = 400;
  rle.bitCount = 8;
  rle.compression = 1;
  rle.colours = {{1, 2, 3}, {200, 200, 200}};
  for (int y = 0; y < 300; ++y) {
    rle.pixels.insert(rle.pixels.end(), {200, 1, 200, 1, 0, 0});
  }
  rle.pixels.insert(rle.pixels.end(), {255, 1, 255, 1});  // a run past the row's end
  Bytes broken = BuildBmp(rle);
  ASSERT_TRUE(WriteFileBytes(folder / "rle.bmp", broken));

  HueswapError error;
  EXPECT_FALSE(ConvertBmpFile(folder / "cut.bmp", folder / "cut.bmp", ThreeColours(), &error));
  EXPECT_EQ(error.file, folder / "cut.bmp");
  EXPECT_NE(error.reason.find("truncated pixel data"), std::string::npos) << error.reason;
  EXPECT_EQ(ReadFileBytes(folder / "cut.bmp"), file);

  EXPECT_FALSE(ConvertBmpFile(folder / "rle.bmp", folder / "rle.bmp", ThreeColours(), &error));
  EXPECT_EQ(error.file, folder / "rle.bmp");
  EXPECT_EQ(error.reason, "RLE run beyond the end of a row");
  EXPECT_EQ(ReadFileBytes(folder / "rle.bmp"), broken);
  // No temporary file is left behind.
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"cut.bmp", "rle.bmp"}));
}

TEST(Convert, FailedConversionKeepsAnExistingOutput) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "bad.bmp", Bytes{'B', 'M', 1, 2, 3}));
  ASSERT_TRUE(WriteFileBytes(folder / "out.bmp", Bytes{'o', 'l', 'd'}));
  HueswapError error;
  EXPECT_FALSE(ConvertBmpFile(folder / "bad.bmp", folder / "out.bmp", ThreeColours(), &error));
  EXPECT_EQ(error.file, folder / "bad.bmp");
  EXPECT_EQ(ReadFileBytes(folder / "out.bmp"), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"bad.bmp", "out.bmp"}));
}

TEST(Convert, OutputProblemsNameTheOutput) {
  TempFolder folder;
  ASSERT_TRUE(WriteFileBytes(folder / "in.bmp", SmallRgbPicture()));
  HueswapError error;
  EXPECT_FALSE(ConvertBmpFile(folder / "in.bmp", folder / "missing/out.bmp", ThreeColours(), &error));
  EXPECT_EQ(error.file, folder / "missing/out.bmp");
  EXPECT_NE(error.reason.find("cannot create a temporary file"), std::string::npos) << error.reason;
  // A folder in the output's place cannot be replaced; the temporary file goes.
  ASSERT_EQ(mkdir((folder / "dir.bmp").c_str(), 0755), 0);
  EXPECT_FALSE(ConvertBmpFile(folder / "in.bmp", folder / "dir.bmp", ThreeColours(), &error));
  EXPECT_EQ(error.file, folder / "dir.bmp");
  EXPECT_NE(error.reason.find("cannot replace it"), std::string::npos) << error.reason;
  rmdir((folder / "dir.bmp").c_str());
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"in.bmp"});
}

TEST(Convert, InputProblemsNameTheInput) {
  TempFolder folder;
  HueswapError error;
  EXPECT_FALSE(ConvertBmpFile(folder / "none.bmp", folder / "out.bmp", ThreeColours(), &error));
  EXPECT_EQ(error.file, folder / "none.bmp");
  EXPECT_EQ(error.reason, "cannot open: No such file or directory");
  EXPECT_FALSE(ConvertBmpFile(folder.path(), folder / "out.bmp", ThreeColours(), &error));
  EXPECT_EQ(error.file, folder.path());
  EXPECT_TRUE(folder.Names().empty());
}

TEST(Convert, WriteFailureIsAnOutputFault) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  BmpLayout layout;
  layout.width = 256;
  layout.height = 256;
  layout.bitCount = 8;
  layout.colours = {{0, 0, 0}};
  layout.pixels = Bytes(256 * 256, 0);
  Bytes input = BuildBmp(layout);
  ByteSource source;
  InitMemorySource(&source, input.data(), input.size());
  NearestColourSearch search;
  InitNearestColourSearch(&search, ThreeColours());
  std::string error;
  bool outputFault = false;
  EXPECT_FALSE(ConvertBmp(&source, &search, full, &error, &outputFault));
  EXPECT_TRUE(outputFault);
  EXPECT_NE(error.find("write error"), std::string::npos) << error;
  std::fclose(full);
}

TEST(Convert, TemporaryNamesStayInTheOutputsFolder) {
  EXPECT_EQ(TemporaryNameFor("pics/a.bmp", 42, 7), "pics/a.bmp.42-7.tmp");
  EXPECT_EQ(TemporaryNameFor("a.bmp", 1, 0), "a.bmp.1-0.tmp");
}

TEST(Convert, PaletteFileProblemsNameThePaletteFile) {
  TempFolder folder;
  Palette palette;
  HueswapError error;
  EXPECT_FALSE(ReadPaletteFile(folder / "none.pal", &palette, &error));
  EXPECT_EQ(error.file, folder / "none.pal");
  ASSERT_TRUE(WriteFileBytes(folder / "bad.pal", Bytes{'x', 'y', 'z'}));
  EXPECT_FALSE(ReadPaletteFile(folder / "bad.pal", &palette, &error));
  EXPECT_EQ(error.file, folder / "bad.pal");
  EXPECT_FALSE(error.reason.empty());
  std::string jasc = bmptest::TestPaletteJasc();
  ASSERT_TRUE(WriteFileBytes(folder / "good.pal", Bytes(jasc.begin(), jasc.end())));
  ASSERT_TRUE(ReadPaletteFile(folder / "good.pal", &palette, &error)) << error.reason;
  EXPECT_EQ(palette.count, 16);
}

}  // namespace
