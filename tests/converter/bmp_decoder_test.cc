// The BMP decoder on small files built here, one case each.
#include "converter/bmp_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "tests/converter/bmp_builder.h"

namespace {

using bmptest::BmpLayout;
using bmptest::BuildBmp;
using bmptest::Bytes;
using bmptest::PackIndexRow;
using bmptest::Padded;
using bmptest::Rgb;
using bmptest::StoreRows;

const Rgb kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlue = {0, 0, 255}, kWhite = {255, 255, 255},
          kBlack = {0, 0, 0}, kGrey = {128, 128, 128};

// Decodes bytes; on failure the reason is returned through *error.
bool Decode(const Bytes& file, bmptest::Bytes* rgb, std::string* error, int* width = nullptr,
            int* height = nullptr) {
  DecodedBmp picture;
  if (!DecodeBmpMemory(file.data(), file.size(), &picture, error)) return false;
  *rgb = picture.rgb;
  if (width) *width = picture.width;
  if (height) *height = picture.height;
  return true;
}

Bytes Pixels(std::initializer_list<Rgb> colours) {
  Bytes out;
  for (const Rgb& c : colours) out.insert(out.end(), c.begin(), c.end());
  return out;
}

// Expects the file to decode to the given pixels (top row first).
void ExpectPicture(const Bytes& file, int width, int height, const Bytes& expected) {
  Bytes rgb;
  std::string error;
  int w = 0, h = 0;
  ASSERT_TRUE(Decode(file, &rgb, &error, &w, &h)) << error;
  EXPECT_EQ(w, width);
  EXPECT_EQ(h, height);
  EXPECT_EQ(rgb, expected);
}

// Expects the file to be refused with a reason containing `reason`.
void ExpectRefused(const Bytes& file, const std::string& reason) {
  Bytes rgb;
  std::string error;
  EXPECT_FALSE(Decode(file, &rgb, &error));
  EXPECT_NE(error.find(reason), std::string::npos) << "reason: " << error;
}

// A 3 x 2 picture with four colours: the base of several cases.
//   row 0 (top):    red   green blue
//   row 1 (bottom): white black red
const std::vector<Rgb> kFour = {kRed, kGreen, kBlue, kWhite, kBlack};
const std::vector<std::vector<int>> kIndices = {{0, 1, 2}, {3, 4, 0}};
const Bytes kExpected = Pixels({kRed, kGreen, kBlue, kWhite, kBlack, kRed});

BmpLayout Indexed(int bits, bool topDown = false) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = topDown ? -2 : 2;
  layout.bitCount = bits;
  layout.colours = kFour;
  std::vector<Bytes> rows;
  for (const auto& r : kIndices) rows.push_back(PackIndexRow(r, bits));
  layout.pixels = StoreRows(rows, topDown);
  return layout;
}

TEST(BmpDecoder, EightBitBottomUpAndTopDown) {
  ExpectPicture(BuildBmp(Indexed(8)), 3, 2, kExpected);
  ExpectPicture(BuildBmp(Indexed(8, true)), 3, 2, kExpected);
}

TEST(BmpDecoder, FourAndOneAndTwoBits) {
  ExpectPicture(BuildBmp(Indexed(4)), 3, 2, kExpected);
  BmpLayout two = Indexed(4);
  two.bitCount = 2;
  two.colours = {kRed, kGreen, kBlue, kWhite};
  two.pixels = StoreRows({PackIndexRow({0, 1, 2}, 2), PackIndexRow({3, 3, 0}, 2)});
  ExpectPicture(BuildBmp(two), 3, 2, Pixels({kRed, kGreen, kBlue, kWhite, kWhite, kRed}));
  // 1 bit, a width that is not a multiple of 8: 10 pixels in a 4-byte row.
  BmpLayout one;
  one.width = 10;
  one.height = 1;
  one.bitCount = 1;
  one.colours = {kBlack, kWhite};
  one.pixels = StoreRows({PackIndexRow({1, 0, 1, 1, 0, 0, 0, 0, 1, 1}, 1)});
  ExpectPicture(BuildBmp(one), 10, 1,
                Pixels({kWhite, kBlack, kWhite, kWhite, kBlack, kBlack, kBlack, kBlack, kWhite, kWhite}));
}

TEST(BmpDecoder, Os2CoreHeaderWithThreeByteColours) {
  BmpLayout layout = Indexed(4);
  layout.headerSize = 12;
  ExpectPicture(BuildBmp(layout), 3, 2, kExpected);
  // 24 bits in an OS/2 1.x header.
  BmpLayout rgb;
  rgb.headerSize = 12;
  rgb.width = 2;
  rgb.height = 1;
  rgb.bitCount = 24;
  rgb.pixels = Padded({0, 0, 255, 255, 0, 0});
  ExpectPicture(BuildBmp(rgb), 2, 1, Pixels({kRed, kBlue}));
}

TEST(BmpDecoder, Os2Version2Headers) {
  BmpLayout sixteen = Indexed(8);
  sixteen.headerSize = 16;
  ExpectPicture(BuildBmp(sixteen), 3, 2, kExpected);
  BmpLayout full = Indexed(8);
  full.headerSize = 64;
  ExpectPicture(BuildBmp(full), 3, 2, kExpected);
  BmpLayout huffman = Indexed(1);
  huffman.headerSize = 64;
  huffman.compression = 3;
  huffman.colours = {kBlack, kWhite};
  ExpectRefused(BuildBmp(huffman), "Huffman");
  BmpLayout rle24;
  rle24.headerSize = 64;
  rle24.bitCount = 24;
  rle24.compression = 4;
  rle24.pixels = {0, 1};
  ExpectRefused(BuildBmp(rle24), "RLE24");
}

TEST(BmpDecoder, VersionFourAndFiveHeadersIgnoreMasksWithoutBitFields) {
  for (int size : {52, 56, 108, 124}) {
    BmpLayout layout = Indexed(8);
    layout.headerSize = size;
    layout.masks = {1, 2, 4, 8};  // not used: compression is BI_RGB
    ExpectPicture(BuildBmp(layout), 3, 2, kExpected);
  }
}

TEST(BmpDecoder, SixteenBitsDefaultFiveFiveFive) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 1;
  layout.bitCount = 16;
  Bytes row;
  for (std::uint32_t v : {0x7FFFu, 0x7C00u, 0x03E0u, 0x0001u}) bmptest::Put16(&row, v);
  layout.pixels = row;
  ExpectPicture(BuildBmp(layout), 4, 1, Pixels({kWhite, kRed, kGreen, {0, 0, 8}}));
}

TEST(BmpDecoder, SixteenBitsWithMasksAfterOrInTheHeader) {
  Bytes row;
  for (std::uint32_t v : {0xF800u, 0x07E0u, 0x001Fu, 0x0020u}) bmptest::Put16(&row, v);
  const Bytes expected = Pixels({kRed, kGreen, kBlue, {0, 4, 0}});
  for (int size : {40, 52, 56, 108, 124}) {
    BmpLayout layout;
    layout.headerSize = size;
    layout.width = 4;
    layout.height = 1;
    layout.bitCount = 16;
    layout.compression = 3;
    layout.masks = {0xF800, 0x07E0, 0x001F};
    layout.pixels = row;
    SCOPED_TRACE(size);
    ExpectPicture(BuildBmp(layout), 4, 1, expected);
  }
  // BI_ALPHABITFIELDS: four masks after a 40-byte header.
  BmpLayout alpha;
  alpha.width = 2;
  alpha.height = 1;
  alpha.bitCount = 16;
  alpha.compression = 6;
  alpha.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
  alpha.pixels.clear();
  bmptest::Put16(&alpha.pixels, 0xFF00);
  bmptest::Put16(&alpha.pixels, 0x00F8);
  ExpectPicture(BuildBmp(alpha), 2, 1, Pixels({kRed, {0, 255, 136}}));
}

TEST(BmpDecoder, UnusualMaskWidthsScaleToFullRange) {
  // 2-3-1 bits, as in bmpsuite's q/rgb16-231.bmp.
  BmpLayout layout;
  layout.width = 3;
  layout.height = 1;
  layout.bitCount = 16;
  layout.compression = 3;
  layout.masks = {0x30, 0x0E, 0x01};
  for (std::uint32_t v : {0x3Fu, 0x10u, 0x04u}) bmptest::Put16(&layout.pixels, v);
  layout.pixels = Padded(layout.pixels);
  ExpectPicture(BuildBmp(layout), 3, 1, Pixels({kWhite, {85, 0, 0}, {0, 73, 0}}));
  // 10-bit channels in 32 bits.
  BmpLayout ten;
  ten.width = 1;
  ten.height = 1;
  ten.bitCount = 32;
  ten.compression = 3;
  ten.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
  bmptest::Put32(&ten.pixels, (1023u << 20) | (512u << 10) | 0u);
  ExpectPicture(BuildBmp(ten), 1, 1, Pixels({{255, 128, 0}}));
}

TEST(BmpDecoder, TwentyFourAndThirtyTwoBits) {
  BmpLayout rgb24;
  rgb24.width = 1;
  rgb24.height = 2;
  rgb24.bitCount = 24;
  rgb24.pixels = StoreRows({Padded({10, 20, 30}), Padded({40, 50, 60})});
  ExpectPicture(BuildBmp(rgb24), 1, 2, Pixels({{30, 20, 10}, {60, 50, 40}}));
  // 32 bits, BI_RGB: the fourth byte (alpha or nothing) is ignored.
  BmpLayout rgb32;
  rgb32.width = 2;
  rgb32.height = 1;
  rgb32.bitCount = 32;
  rgb32.pixels = {1, 2, 3, 0xFF, 4, 5, 6, 0x00};
  ExpectPicture(BuildBmp(rgb32), 2, 1, Pixels({{3, 2, 1}, {6, 5, 4}}));
  // 32 bits with other masks (x, B, G, R from high to low byte... here R in the top byte).
  BmpLayout xbgr = rgb32;
  xbgr.compression = 3;
  xbgr.masks = {0xFF000000, 0x00FF0000, 0x0000FF00};
  ExpectPicture(BuildBmp(xbgr), 2, 1, Pixels({{0xFF, 3, 2}, {0, 6, 5}}));
}

TEST(BmpDecoder, ShortColourTables) {
  BmpLayout layout = Indexed(8);
  layout.colours = {kRed, kGreen, kBlue, kWhite, kBlack};  // biClrUsed 5 of 256
  ExpectPicture(BuildBmp(layout), 3, 2, kExpected);
  // biClrUsed 0: the table is as long as fits before the pixel data.
  layout.writeClrUsed = false;
  ExpectPicture(BuildBmp(layout), 3, 2, kExpected);
  // More entries than 8 bits allow, all present: the first 256 are used.
  BmpLayout over = Indexed(8);
  over.colours.resize(300, kGrey);
  ExpectPicture(BuildBmp(over), 3, 2, kExpected);
}

TEST(BmpDecoder, ColourTableThatDoesNotFitIsRefused) {
  BmpLayout layout = Indexed(8);
  layout.clrUsed = 6;  // five entries present
  ExpectRefused(BuildBmp(layout), "colour table of 6 entries does not fit");
  layout.clrUsed = 0x12345678;
  ExpectRefused(BuildBmp(layout), "does not fit");
  BmpLayout none = Indexed(8);
  none.colours.clear();
  ExpectRefused(BuildBmp(none), "no colour table");
}

TEST(BmpDecoder, IndexBeyondTheColourTableIsRefused) {
  BmpLayout layout = Indexed(8);
  layout.colours = {kRed, kGreen, kBlue, kWhite};  // index 4 is used
  ExpectRefused(BuildBmp(layout), "colour index 4 beyond the colour table of 4 entries");
}

TEST(BmpDecoder, PixelDataOffsetIsHonoured) {
  BmpLayout gap = Indexed(8);
  gap.gap = Bytes(37, 0xEE);
  ExpectPicture(BuildBmp(gap), 3, 2, kExpected);
  BmpLayout inside = Indexed(8);
  inside.offBits = 40;
  ExpectRefused(BuildBmp(inside), "inside the headers");
  BmpLayout beyond = Indexed(8);
  beyond.offBits = 100000;
  ExpectRefused(BuildBmp(beyond), "beyond the end of the file");
}

TEST(BmpDecoder, LastRowWithoutPaddingIsAccepted) {
  Bytes file = BuildBmp(Indexed(8));
  file.pop_back();  // the last stored row is 3 bytes of pixels and 1 of padding
  ExpectPicture(file, 3, 2, kExpected);
  file.pop_back();
  ExpectRefused(file, "truncated pixel data");
}

TEST(BmpDecoder, EveryTruncationIsRefused) {
  for (const BmpLayout& layout : {Indexed(8), Indexed(4, true), Indexed(1)}) {
    Bytes file = BuildBmp(layout);
    // Cut before the last row's padding: at most the padding may be missing.
    std::size_t rowBytes = (static_cast<std::size_t>(layout.width) * layout.bitCount + 7) / 8;
    std::size_t lastPixel = file.size() - ((rowBytes + 3) / 4 * 4 - rowBytes);
    for (std::size_t length = 0; length < lastPixel; ++length) {
      Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
      Bytes rgb;
      std::string error;
      EXPECT_FALSE(Decode(cut, &rgb, &error)) << "length " << length;
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(BmpDecoder, RefusedFormatsAndFields) {
  BmpLayout jpeg;
  jpeg.headerSize = 124;
  jpeg.bitCount = 0;
  jpeg.compression = 4;
  jpeg.pixels = {0xFF, 0xD8};
  ExpectRefused(BuildBmp(jpeg), "JPEG");
  BmpLayout png = jpeg;
  png.compression = 5;
  ExpectRefused(BuildBmp(png), "PNG");
  BmpLayout sixtyFour;
  sixtyFour.bitCount = 64;
  sixtyFour.pixels = Bytes(8, 0);
  ExpectRefused(BuildBmp(sixtyFour), "unsupported bit count 64");
  BmpLayout header = Indexed(8);
  header.headerSize = 44;
  ExpectRefused(BuildBmp(header), "unsupported header size 44");
  BmpLayout rle = Indexed(8);
  rle.compression = 1;
  rle.bitCount = 4;
  ExpectRefused(BuildBmp(rle), "RLE8 compression with bit count 4");
  BmpLayout unknown = Indexed(8);
  unknown.compression = 9;
  ExpectRefused(BuildBmp(unknown), "unknown compression 9");
  ExpectRefused(Bytes{'G', 'I', 'F', '8', '9', 'a'}, "not a BMP file");
  ExpectRefused(Bytes{}, "not a BMP file");
  ExpectRefused(Bytes{'B', 'M', 0, 0}, "truncated file header");
  Bytes shortHeader = BuildBmp(Indexed(8));
  shortHeader.resize(30);
  ExpectRefused(shortHeader, "truncated header");
}

TEST(BmpDecoder, SizesAreChecked) {
  BmpLayout layout = Indexed(8);
  layout.width = 0;
  ExpectRefused(BuildBmp(layout), "invalid width 0");
  layout.width = -3;
  ExpectRefused(BuildBmp(layout), "invalid width -3");
  layout.width = 3;
  layout.height = 0;
  ExpectRefused(BuildBmp(layout), "zero height");
  layout.height = 32769;
  ExpectRefused(BuildBmp(layout), "beyond 32768 x 32768");
  layout.height = -32769;
  ExpectRefused(BuildBmp(layout), "beyond 32768 x 32768");
  layout.height = INT32_MIN;
  ExpectRefused(BuildBmp(layout), "beyond 32768 x 32768");
  // The largest size is accepted by the header checks and then refused for its
  // missing pixels (1 GiB that the file does not have), without allocating them.
  layout.width = 32768;
  layout.height = 32768;
  ExpectRefused(BuildBmp(layout), "truncated pixel data");
}

TEST(BmpDecoder, BadBitFieldsAreRefused) {
  BmpLayout layout;
  layout.width = 1;
  layout.height = 1;
  layout.bitCount = 16;
  layout.compression = 3;
  layout.pixels = {0, 0, 0, 0};
  layout.masks = {0xF800, 0x07E0, 0};
  ExpectRefused(BuildBmp(layout), "the blue bit field is empty");
  layout.masks = {0xF000, 0x0F00, 0x00F1};
  ExpectRefused(BuildBmp(layout), "the blue bit field is not contiguous");
  layout.masks = {0xF800, 0x0FE0, 0x001F};
  ExpectRefused(BuildBmp(layout), "the bit fields overlap");
  layout.masks = {0xF0000, 0x07E0, 0x001F};
  ExpectRefused(BuildBmp(layout), "outside the 16-bit pixel");
  layout.bitCount = 24;
  ExpectRefused(BuildBmp(layout), "bit fields with bit count 24");
}

// RLE8 and RLE4 streams, built byte by byte.
BmpLayout Rle(int bits, Bytes stream, int width = 4, int height = 3) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = bits;
  layout.compression = bits == 8 ? 1 : 2;
  layout.colours = kFour;
  layout.pixels = std::move(stream);
  return layout;
}

TEST(BmpDecoder, Rle8RunsAbsoluteRunsEndOfLineDeltaAndEndOfBitmap) {
  // Bottom row: 2 x red, then absolute green blue white (3 pixels, padded)... 5 pixels
  // would not fit in 4, so: 1 x red, absolute green blue white, end of line.
  // Middle row: delta right 1 and up 1 (lands in the top row at x 2)... first 4 x black.
  Bytes stream = {
      1, 0,                  // bottom row: red
      0, 3, 1, 2, 3, 0,      // absolute: green, blue, white, padding
      0, 0,                  // end of line
      4, 4,                  // middle row: 4 x black
      0, 0,                  // end of line
      0, 2, 2, 0,            // delta: right 2 (top row)
      2, 1,                  // 2 x green at x 2 and 3
      0, 1,                  // end of bitmap
  };
  ExpectPicture(BuildBmp(Rle(8, stream)), 4, 3,
                Pixels({kRed, kRed, kGreen, kGreen,          // top: x 0 and 1 left out: index 0
                        kBlack, kBlack, kBlack, kBlack,
                        kRed, kGreen, kBlue, kWhite}));
}

TEST(BmpDecoder, RleLeftOutPixelsTakeIndexZero) {
  // End of bitmap at once: every pixel is index 0.
  ExpectPicture(BuildBmp(Rle(8, {0, 1})), 4, 3, Pixels({kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed}));
  // A delta that skips rows.
  ExpectPicture(BuildBmp(Rle(8, {0, 2, 1, 2, 1, 1, 0, 1})), 4, 3,
                Pixels({kRed, kGreen, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed}));
}

TEST(BmpDecoder, Rle4RunsAlternateTheirTwoIndices) {
  Bytes stream = {
      4, 0x12,               // bottom: green blue green blue
      0, 0,
      0, 3, 0x34, 0x00,      // middle: absolute white black red (3 nibbles, padded)
      0, 0,
      3, 0x40,               // top: black red black
      0, 1,
  };
  ExpectPicture(BuildBmp(Rle(4, stream)), 4, 3,
                Pixels({kBlack, kRed, kBlack, kRed,
                        kWhite, kBlack, kRed, kRed,
                        kGreen, kBlue, kGreen, kBlue}));
}

TEST(BmpDecoder, RleStreamMayEndWithoutEndOfBitmapOnceComplete) {
  ExpectPicture(BuildBmp(Rle(8, {2, 1, 0, 0, 2, 2}, 2, 2)), 2, 2,
                Pixels({kBlue, kBlue, kGreen, kGreen}));
  ExpectRefused(BuildBmp(Rle(8, {2, 1, 0, 0, 1, 2}, 2, 2)), "truncated RLE data");
  ExpectRefused(BuildBmp(Rle(8, {2, 1, 0, 0, 0, 3, 1}, 2, 2)), "RLE run beyond the end of a row");
  ExpectRefused(BuildBmp(Rle(8, {2, 1, 0, 0, 0, 2, 1}, 2, 2)), "truncated RLE data");
}

TEST(BmpDecoder, RleFaultsAreRefused) {
  ExpectRefused(BuildBmp(Rle(8, {5, 1, 0, 1})), "RLE run beyond the end of a row");
  ExpectRefused(BuildBmp(Rle(8, {0, 5, 1, 1, 1, 1, 1, 0, 0, 1})), "RLE run beyond the end of a row");
  ExpectRefused(BuildBmp(Rle(4, {5, 0x11, 0, 1})), "RLE run beyond the end of a row");
  ExpectRefused(BuildBmp(Rle(8, {0, 2, 5, 0, 0, 1})), "RLE delta moves outside the picture");
  ExpectRefused(BuildBmp(Rle(8, {0, 2, 0, 4, 0, 1})), "RLE delta moves outside the picture");
  ExpectRefused(BuildBmp(Rle(8, {4, 9, 0, 1})), "colour index 9 beyond the colour table");
  BmpLayout topDown = Rle(8, {0, 1});
  topDown.height = -3;
  ExpectRefused(BuildBmp(topDown), "top-down picture with RLE compression");
}

TEST(BmpDecoder, FileAndMemorySourcesDecodeAlike) {
  Bytes file = BuildBmp(Indexed(8, true));
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), f), file.size());
  std::rewind(f);
  ByteSource source;
  std::string error;
  ASSERT_TRUE(InitFileSource(&source, f, &error)) << error;
  EXPECT_EQ(source.size, file.size());
  DecodedBmp picture;
  ASSERT_TRUE(DecodeBmp(&source, &picture, &error)) << error;
  EXPECT_EQ(picture.rgb, kExpected);
  std::fclose(f);
}

TEST(BmpDecoder, AFolderIsNotARegularFile) {
  std::FILE* f = std::fopen(".", "rb");
  if (f == nullptr) GTEST_SKIP() << "this system does not open folders as files";
  ByteSource source;
  std::string error;
  EXPECT_FALSE(InitFileSource(&source, f, &error));
  EXPECT_EQ(error, "not a regular file");
  std::fclose(f);
}

TEST(BmpDecoder, PixelLimitForWholePictureDecoding) {
  // Two bytes of RLE describe 32768 x 32768 pixels; the whole-picture helper refuses
  // to allocate them when a limit is given.
  BmpLayout layout = Rle(8, {0, 1}, 32768, 32768);
  Bytes file = BuildBmp(layout);
  DecodedBmp picture;
  std::string error;
  EXPECT_FALSE(DecodeBmpMemory(file.data(), file.size(), &picture, &error, 1 << 20));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;
  // Row by row it decodes in a row's memory.
  ByteSource source;
  InitMemorySource(&source, file.data(), file.size());
  BmpDecoder decoder;
  ASSERT_TRUE(OpenBmp(&source, &decoder, &error)) << error;
  std::vector<unsigned char> row(32768);
  for (int y = 0; y < 3; ++y) ASSERT_TRUE(ReadBmpRow(&decoder, row.data(), &error)) << error;
}

// Damaged copies of valid files: each is decoded or refused, never crashes (this runs
// under the sanitizers too).
TEST(BmpDecoder, DamagedFilesAreDecodedOrRefused) {
  std::vector<Bytes> seeds = {BuildBmp(Indexed(8)), BuildBmp(Indexed(4, true)),
                              BuildBmp(Rle(8, {1, 0, 0, 3, 1, 2, 3, 0, 0, 0, 4, 4, 0, 0, 0, 2, 2, 0, 2, 1, 0, 1})),
                              BuildBmp(Rle(4, {4, 0x12, 0, 0, 0, 3, 0x34, 0x00, 0, 0, 3, 0x40, 0, 1}))};
  std::mt19937 random(12345);
  int decoded = 0, refused = 0;
  for (int i = 0; i < 4000; ++i) {
    Bytes file = seeds[static_cast<std::size_t>(i) % seeds.size()];
    int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      std::size_t at = random() % file.size();
      file[at] = static_cast<unsigned char>(random());
    }
    if (random() % 4 == 0) file.resize(random() % file.size());
    DecodedBmp picture;
    std::string error;
    if (DecodeBmpMemory(file.data(), file.size(), &picture, &error, 1 << 22)) {
      ++decoded;
      EXPECT_EQ(picture.rgb.size(), static_cast<std::size_t>(picture.width) * picture.height * 3);
    } else {
      ++refused;
      EXPECT_FALSE(error.empty());
    }
  }
  EXPECT_GT(decoded, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
