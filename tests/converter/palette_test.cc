#include "converter/palette.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Rgb = std::array<int, 3>;

std::string U16(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// A BMP file with the given header fields and colour table entries (in file order,
// blue green red [reserved]). `pixelOffset` 0 means "right after the table".
struct BmpParts {
  std::uint32_t headerSize = 40;
  std::uint32_t bitCount = 8;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::string masks;  // written between the header and the table
  std::vector<Rgb> colours;
  std::uint32_t pixelOffset = 0;
};

std::string Bmp(const BmpParts& p) {
  std::string header;
  if (p.headerSize == 12) {
    header = U32(12) + U16(4) + U16(4) + U16(1) + U16(p.bitCount);
  } else {
    header = U32(p.headerSize) + U32(4) + U32(4) + U16(1) + U16(p.bitCount) +
             U32(p.compression) + U32(0) + U32(2835) + U32(2835) + U32(p.colorsUsed) + U32(0);
    header.resize(p.headerSize, '\0');
  }
  std::string table;
  for (const Rgb& c : p.colours) {
    table += static_cast<char>(c[2]);
    table += static_cast<char>(c[1]);
    table += static_cast<char>(c[0]);
    if (p.headerSize != 12) table += '\0';
  }
  std::string pixels(16, '\0');
  std::uint32_t offset =
      p.pixelOffset ? p.pixelOffset : static_cast<std::uint32_t>(14 + header.size() + p.masks.size() + table.size());
  std::string body = header + p.masks + table + pixels;
  return "BM" + U32(static_cast<std::uint32_t>(14 + body.size())) + U32(0) + U32(offset) + body;
}

std::vector<Rgb> Ramp(int n) {
  std::vector<Rgb> out;
  for (int i = 0; i < n; ++i) out.push_back({i, 255 - i, (i * 37) & 0xFF});
  return out;
}

std::string RiffPal(const std::vector<Rgb>& colours, const std::string& before = "") {
  std::string data = U16(0x0300) + U16(static_cast<std::uint32_t>(colours.size()));
  for (const Rgb& c : colours) {
    data += static_cast<char>(c[0]);
    data += static_cast<char>(c[1]);
    data += static_cast<char>(c[2]);
    data += '\x01';  // a flag byte, which is not part of the colour
  }
  std::string chunks = before + "data" + U32(static_cast<std::uint32_t>(data.size())) + data;
  return "RIFF" + U32(static_cast<std::uint32_t>(4 + chunks.size())) + "PAL " + chunks;
}

std::string RawTable(const std::vector<Rgb>& colours) {
  std::string out;
  for (const Rgb& c : colours) {
    out += static_cast<char>(c[0]);
    out += static_cast<char>(c[1]);
    out += static_cast<char>(c[2]);
  }
  return out;
}

std::vector<Rgb> Colours(const Palette& p) {
  std::vector<Rgb> out;
  for (int i = 0; i < p.count; ++i) out.push_back({p.rgb[i][0], p.rgb[i][1], p.rgb[i][2]});
  return out;
}

bool Parse(const std::string& bytes, Palette* palette, std::string* error) {
  return ParsePalette(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(),
                      palette, error);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct FormatCase {
  const char* name;
  std::string bytes;
  std::vector<Rgb> expected;
};

TEST(ParsePalette, ReadsEveryFormatByContent) {
  // The hex list of exactly 768 bytes must not be taken for a raw table.
  std::string hex768;
  std::vector<Rgb> hex768Colours;
  for (int i = 0; i < 96; ++i) {
    char line[16];
    std::snprintf(line, sizeof line, "#%02X%02X%02X\n", i, 2 * i, 255 - i);
    hex768 += line;
    hex768Colours.push_back({i, 2 * i, 255 - i});
  }
  ASSERT_EQ(hex768.size(), 768u);

  std::vector<Rgb> eightBit = Ramp(256);  // holds values above 63
  std::vector<Rgb> sixBit;
  std::vector<Rgb> sixBitScaled;
  for (int i = 0; i < 256; ++i) {
    int v = i % 64;
    sixBit.push_back({v, 63 - v, 0});
    // 6-bit VGA values are scaled by v * 255 / 63 rounded to nearest.
    sixBitScaled.push_back({(v * 255 + 31) / 63, ((63 - v) * 255 + 31) / 63, 0});
  }
  EXPECT_EQ(sixBitScaled[63][0], 255);
  EXPECT_EQ(sixBitScaled[32][0], 130);
  EXPECT_EQ(sixBitScaled[31][0], 125);
  EXPECT_EQ(sixBitScaled[1][0], 4);

  std::vector<Rgb> sparse = Ramp(252);
  BmpParts bmp8;
  bmp8.colours = Ramp(256);
  BmpParts core1;
  core1.headerSize = 12;
  core1.bitCount = 1;
  core1.colours = {{0, 0, 0}, {255, 255, 255}};
  BmpParts coreSparse;  // 8-bit, but the pixels start after 252 entries
  coreSparse.headerSize = 12;
  coreSparse.colours = sparse;
  BmpParts used4;
  used4.bitCount = 4;
  used4.colorsUsed = 3;
  used4.colours = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  BmpParts fields16;  // the table follows the three channel masks
  fields16.bitCount = 16;
  fields16.compression = 3;
  fields16.colorsUsed = 2;
  fields16.masks = U32(0xF800) + U32(0x07E0) + U32(0x001F);
  fields16.colours = {{10, 20, 30}, {40, 50, 60}};
  BmpParts rgb24;
  rgb24.bitCount = 24;
  rgb24.colorsUsed = 2;
  rgb24.colours = {{200, 100, 0}, {0, 100, 200}};
  BmpParts v5;
  v5.headerSize = 124;
  v5.bitCount = 2;
  v5.colours = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
  BmpParts os2v2;
  os2v2.headerSize = 16;
  os2v2.bitCount = 1;
  os2v2.colours = {{9, 8, 7}, {6, 5, 4}};

  const FormatCase cases[] = {
      {"JASC-PAL", "JASC-PAL\n0100\n3\n255 0 0\n0 255 0\n0 0 255\n",
       {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}},
      {"JASC-PAL with BOM, CR LF, spacing and trailing blank lines",
       "\xEF\xBB\xBFJASC-PAL\r\n0100\r\n2\r\n  1   2 3  \r\n\t4 5\t6\r\n\r\n\r\n",
       {{1, 2, 3}, {4, 5, 6}}},
      {"JASC-PAL of 256 colours", "JASC-PAL\n0100\n256\n" + Repeat("7 8 9\n", 256),
       std::vector<Rgb>(256, Rgb{7, 8, 9})},
      {"RIFF PAL", RiffPal({{10, 20, 30}, {255, 128, 0}}), {{10, 20, 30}, {255, 128, 0}}},
      {"RIFF PAL after an odd-sized chunk", RiffPal({{1, 2, 3}}, "LIST" + U32(3) + "abc" + '\0'),
       {{1, 2, 3}}},
      {"GIMP palette",
       "GIMP Palette\nName: Test\nColumns: 4\n#\n# a comment\n  0   0   0\tBlack\n"
       "255 255 255 White snow\n\n 12  34  56\n",
       {{0, 0, 0}, {255, 255, 255}, {12, 34, 56}}},
      {"GIMP palette with CR LF", "GIMP Palette\r\nName: x\r\n1 2 3 Untitled\r\n", {{1, 2, 3}}},
      {"hex list", "FF0000\n#00ff00\r\n\n  #0000Ff  \n", {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}},
      {"hex list without final newline", "\n123456", {{0x12, 0x34, 0x56}}},
      {"hex list of exactly 768 bytes", hex768, hex768Colours},
      {"raw table, 8-bit", RawTable(eightBit), eightBit},
      {"raw table with four trailing bytes", RawTable(eightBit) + std::string("\x00\x10\xFF\xFF", 4),
       eightBit},
      {"raw table, 6-bit VGA", RawTable(sixBit), sixBitScaled},
      {"BMP 8-bit, 256 implied colours", Bmp(bmp8), bmp8.colours},
      {"BMP core header, 1-bit", Bmp(core1), core1.colours},
      {"BMP core header, table shortened by the pixel offset", Bmp(coreSparse), sparse},
      {"BMP 4-bit with 3 colours used", Bmp(used4), used4.colours},
      {"BMP 16-bit bitfields with a table", Bmp(fields16), fields16.colours},
      {"BMP 24-bit with a table", Bmp(rgb24), rgb24.colours},
      {"BMP V5 header, 2-bit", Bmp(v5), v5.colours},
      {"BMP OS/2 16-byte header", Bmp(os2v2), os2v2.colours},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    Palette palette;
    std::string error;
    ASSERT_TRUE(Parse(c.bytes, &palette, &error)) << error;
    EXPECT_EQ(Colours(palette), c.expected);
  }
}

struct ErrorCase {
  const char* name;
  std::string bytes;
  const char* message;  // the whole message, or a part of it
};

TEST(ParsePalette, RejectsBadFilesWithTheReason) {
  BmpParts rgb24;
  rgb24.bitCount = 24;
  BmpParts tooMany;
  tooMany.colorsUsed = 300;
  BmpParts hugeCount;
  hugeCount.colorsUsed = 0xFFFFFFFFu;
  BmpParts badBits;
  badBits.bitCount = 3;
  badBits.colorsUsed = 2;
  BmpParts badHeader;
  badHeader.headerSize = 40;
  std::string truncatedTable = Bmp(BmpParts{40, 8, 0, 0, "", Ramp(256), 0}).substr(0, 54 + 1000);
  std::string hugeHeader = Bmp(badHeader);
  hugeHeader.replace(14, 4, U32(0xFFFFFFF0u));
  std::string smallHeader = Bmp(badHeader);
  smallHeader.replace(14, 4, U32(7));
  // A header long enough for a compression field (20 to 35 bytes), in a file that
  // ends before that field does.
  std::string cutBeforeCompression = Bmp(badHeader);
  cutBeforeCompression.replace(14, 4, U32(32));
  cutBeforeCompression.resize(32);

  std::string riffWave = RiffPal({{1, 2, 3}});
  riffWave.replace(8, 4, "WAVE");
  std::string riffVersion = RiffPal({{1, 2, 3}});
  riffVersion.replace(20, 2, U16(0x0200));
  std::string riffOverrun = RiffPal({{1, 2, 3}});
  riffOverrun.replace(16, 4, U32(1000));
  std::string riffShort = RiffPal({{1, 2, 3}});
  riffShort.replace(22, 2, U16(4));

  std::string gimp257 = "GIMP Palette\n" + Repeat("1 2 3\n", 257);
  std::string hex257 = Repeat("#010203\n", 257);

  const ErrorCase cases[] = {
      {"empty", "", "not a palette file: the file is empty"},
      {"text of no format", "hello world\n", "not a palette file: it is no JASC-PAL"},
      {"binary of no format", std::string(100, '\x80'), "not a palette file"},
      {"a raw table one byte short", std::string(767, '\x01'), "(it has 767 bytes)"},
      {"JASC-PAL without version", "JASC-PAL\n", "JASC-PAL: the file ends before the version"},
      {"JASC-PAL wrong version", "JASC-PAL\n0200\n1\n1 2 3\n",
       "JASC-PAL line 2: version '0200' is not 0100"},
      {"JASC-PAL count not a number", "JASC-PAL\n0100\nabc\n",
       "JASC-PAL line 3: colour count 'abc' is not a number"},
      {"JASC-PAL no colour", "JASC-PAL\n0100\n0\n", "JASC-PAL line 3: the colour count is 0"},
      {"JASC-PAL too many", "JASC-PAL\n0100\n257\n", "JASC-PAL line 3: colour count 257 is more than 256"},
      {"JASC-PAL huge count", "JASC-PAL\n0100\n99999999999999999999\n",
       "colour count a number above 999999 is more than 256"},
      {"JASC-PAL value above 255", "JASC-PAL\n0100\n2\n1 2 3\n1 2 256\n",
       "JASC-PAL line 5: blue value 256 is above 255"},
      {"JASC-PAL missing number", "JASC-PAL\n0100\n1\n1 2\n",
       "JASC-PAL line 4: the blue value is missing"},
      {"JASC-PAL blank colour line", "JASC-PAL\n0100\n1\n\n", "JASC-PAL line 4: the red value is missing"},
      {"JASC-PAL negative", "JASC-PAL\n0100\n1\n-1 0 0\n",
       "JASC-PAL line 4: '-1' is not a number"},
      {"JASC-PAL extra word", "JASC-PAL\n0100\n1\n1 2 3 4\n",
       "JASC-PAL line 4: unexpected '4' after 'R G B'"},
      {"JASC-PAL fewer colours", "JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n",
       "JASC-PAL: the header gives 3 colours but the file ends after 2"},
      {"JASC-PAL more colours", "JASC-PAL\n0100\n1\n1 2 3\n4 5 6\n",
       "JASC-PAL line 5: more colours than the 1 the header gives"},
      {"GIMP no colour", "GIMP Palette\nName: empty\n# nothing\n", "GIMP palette: the palette holds no colour"},
      {"GIMP too many", gimp257, "GIMP palette line 258: the palette holds more than 256 colours"},
      {"GIMP value above 255", "GIMP Palette\n300 0 0 Red\n", "GIMP palette line 2: red value 300 is above 255"},
      {"GIMP missing number", "GIMP Palette\n1\n", "GIMP palette line 2: the green value is missing"},
      {"GIMP unknown line", "GIMP Palette\nColour: red\n",
       "GIMP palette line 2: 'Colour:' is not a number"},
      {"hex list bad line", "FF0000\n00FF00\nGG0000\n",
       "hex colour list line 3: 'GG0000' is not a colour (expected RRGGBB or #RRGGBB)"},
      {"hex list short colour", "#FF0000\n#FFF\n", "hex colour list line 2: '#FFF' is not a colour"},
      {"hex list too many", hex257, "hex colour list line 257: the list holds more than 256 colours"},
      {"RIFF of another type", riffWave, "not a palette file: a RIFF file of type 'WAVE', not 'PAL '"},
      {"RIFF too short", "RIFF\x04", "RIFF PAL: the file is too short"},
      {"RIFF PAL version", riffVersion, "RIFF PAL: version 0x0200 is not 0x0300"},
      {"RIFF PAL no colour", RiffPal({}), "RIFF PAL: the palette holds no colour"},
      {"RIFF PAL too many", RiffPal(std::vector<Rgb>(257, Rgb{0, 0, 0})),
       "RIFF PAL: 257 colours is more than 256"},
      {"RIFF PAL chunk past the end", riffOverrun,
       "RIFF PAL: chunk 'data' of 1000 bytes runs past the end of the file"},
      {"RIFF PAL chunk too short for its count", riffShort,
       "RIFF PAL: the data chunk of 8 bytes is too short for 4 colours"},
      {"RIFF PAL without data chunk", "RIFF" + U32(12) + "PAL " + "LIST" + U32(0),
       "RIFF PAL: the file has no data chunk"},
      {"BMP without colour table", Bmp(rgb24), "BMP: the 24-bit image holds no colour table"},
      {"BMP more than 256 colours", Bmp(tooMany), "BMP: the header gives 300 colours, more than 256"},
      {"BMP absurd colour count", Bmp(hugeCount), "BMP: the header gives 4294967295 colours"},
      {"BMP bad bit count", Bmp(badBits), "BMP: bit count 3 is not a BMP bit count"},
      {"BMP table past the end", truncatedTable,
       "BMP: the colour table of 256 entries at offset 54 runs past the end of the file (1054 bytes)"},
      {"BMP huge header size", hugeHeader, "BMP: header size 4294967280 is not a BMP header size"},
      {"BMP small header size", smallHeader, "BMP: header size 7 is not a BMP header size"},
      {"BMP too short", std::string("BM\x10\x00", 4), "BMP: the file is too short for a BMP header (4 bytes)"},
      {"BMP header cut", Bmp(badHeader).substr(0, 40), "BMP: the file ends inside its 40-byte header"},
      {"BMP header cut before its compression field", cutBeforeCompression,
       "BMP: the file ends inside its 32-byte header"},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    Palette palette;
    palette.count = -7;  // a failure must leave the palette as it was
    std::string error;
    EXPECT_FALSE(Parse(c.bytes, &palette, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << "error: " << error;
    EXPECT_EQ(palette.count, -7);
  }
}

TEST(ParsePalette, ErrorTextShowsBinaryBytesSafely) {
  Palette palette;
  std::string error;
  std::string bytes = "JASC-PAL\n0100\n1\n1 2 \x01\xFF" + std::string(40, 'z') + "\n";
  ASSERT_FALSE(Parse(bytes, &palette, &error));
  EXPECT_EQ(error, "JASC-PAL line 4: '??zzzzzzzzzzzzzzzzzzzzzz...' is not a number (expected 'R G B', 0 to 255)");
}

struct SuiteCase {
  const char* file;
  int count;        // 0: the file must be refused
  Rgb second;       // colour 1 when read
  long sum;         // the sum of all red, green and blue values when read
  const char* message;
};

TEST(ParsePalette, ReadsTheColourTablesOfTheBmpSuite) {
  const SuiteCase cases[] = {
      {"g/pal1.bmp", 2, {255, 255, 255}, 765, ""},
      {"g/pal4.bmp", 12, {255, 0, 0}, 4592, ""},
      {"g/pal8.bmp", 252, {51, 0, 0}, 96444, ""},
      {"g/pal8-0.bmp", 256, {51, 0, 0}, 96444, ""},
      {"g/pal8os2.bmp", 256, {51, 0, 0}, 96444, ""},
      {"g/pal8v5.bmp", 252, {51, 0, 0}, 96444, ""},
      {"g/rgb16-565pal.bmp", 256, {1, 1, 1}, 97920, ""},
      {"g/rgb24pal.bmp", 256, {1, 1, 1}, 97920, ""},
      {"q/pal8os2sp.bmp", 252, {51, 0, 0}, 96444, ""},
      {"q/pal8os2v2-16.bmp", 256, {51, 0, 0}, 96444, ""},
      {"q/pal1huffmsb.bmp", 2, {0, 0, 0}, 765, ""},
      {"g/rgb24.bmp", 0, {}, 0, "BMP: the 24-bit image holds no colour table"},
      {"g/rgb32bf.bmp", 0, {}, 0, "BMP: the 32-bit image holds no colour table"},
      {"q/rgb24largepal.bmp", 0, {}, 0, "BMP: the header gives 300 colours, more than 256"},
      {"q/pal8oversizepal.bmp", 0, {}, 0, "BMP: the header gives 300 colours, more than 256"},
      {"b/badpalettesize.bmp", 0, {}, 0, "more than 256"},
      {"b/badbitcount.bmp", 0, {}, 0, "BMP: bit count 30000 is not a BMP bit count"},
  };
  for (const SuiteCase& c : cases) {
    SCOPED_TRACE(c.file);
    std::string bytes = ReadFile(std::string(BMPSUITE_DIR) + "/" + c.file);
    ASSERT_FALSE(bytes.empty());
    Palette palette;
    std::string error;
    bool ok = Parse(bytes, &palette, &error);
    if (c.count == 0) {
      EXPECT_FALSE(ok);
      EXPECT_NE(error.find(c.message), std::string::npos) << "error: " << error;
    } else {
      ASSERT_TRUE(ok) << error;
      EXPECT_EQ(palette.count, c.count);
      EXPECT_EQ((Rgb{palette.rgb[1][0], palette.rgb[1][1], palette.rgb[1][2]}), c.second);
      long sum = 0;
      for (int i = 0; i < palette.count; ++i) sum += palette.rgb[i][0] + palette.rgb[i][1] + palette.rgb[i][2];
      EXPECT_EQ(sum, c.sum);
    }
  }
}

// Damaged copies of valid files of every format: each must be read or refused
// with a reason, never read out of bounds (the sanitize build checks that).
TEST(ParsePalette, SurvivesDamagedAndTruncatedInput) {
  BmpParts core;
  core.headerSize = 12;
  core.colours = Ramp(256);
  BmpParts fields;
  fields.bitCount = 16;
  fields.compression = 3;
  fields.colorsUsed = 4;
  fields.masks = std::string(12, '\xFF');
  fields.colours = Ramp(4);
  const std::string seeds[] = {
      "JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0\r\n0 0 255\r\n",
      "GIMP Palette\nName: x\n# c\n 1 2 3 a\n4 5 6\n",
      "#FF0000\n00FF00\n",
      RiffPal(Ramp(16), "LIST" + U32(3) + "abc" + '\0'),
      RawTable(Ramp(256)),
      Bmp(BmpParts{}),
      Bmp(core),
      Bmp(fields),
  };
  // Either a palette of 1 to 256 colours, or a reason: never anything else.
  auto ExpectPaletteOrReason = [](const std::vector<unsigned char>& bytes) {
    Palette palette;
    std::string error;
    if (ParsePalette(bytes.data(), bytes.size(), &palette, &error)) {
      EXPECT_GE(palette.count, 1);
      EXPECT_LE(palette.count, 256);
    } else {
      EXPECT_FALSE(error.empty());
    }
  };
  std::mt19937 random(12345);
  for (const std::string& seed : seeds) {
    for (std::size_t cut = 0; cut <= seed.size(); ++cut) {
      std::vector<unsigned char> bytes(seed.begin(), seed.begin() + cut);
      ExpectPaletteOrReason(bytes);
    }
    for (int round = 0; round < 3000; ++round) {
      std::vector<unsigned char> bytes(seed.begin(), seed.end());
      int flips = 1 + static_cast<int>(random() % 4);
      for (int f = 0; f < flips; ++f) {
        bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
      }
      bytes.resize(random() % (bytes.size() + 1));
      ExpectPaletteOrReason(bytes);
    }
  }
}

}  // namespace
