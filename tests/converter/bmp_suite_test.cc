// The BMP Suite (shared/bmpsuite) as the yardstick of the decoder and the conversion.
//
// g/: every file converts, and the files that show one picture in different encodings
//     decode to the same colours (kSamePicture).
// b/ and q/: ONE table, kDecisions, says for every file whether it converts or is
//     refused, and why. The test checks the table against the folders (no file missing,
//     none extra) and every row against the decoder, the conversion and the program.
#include <dirent.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "converter/bmp_decoder.h"
#include "converter/convert.h"
#include "converter/nearest_colour.h"
#include "tests/converter/bmp_builder.h"
#include "tests/converter/test_files.h"

namespace {

using bmptest::Bytes;
using bmptest::ReadFileBytes;
using bmptest::TempFolder;

const std::string kSuite = BMPSUITE_DIR;

enum Outcome { kConverts, kRefused };

// How a converting file is checked beyond "it converts correctly".
enum Check {
  kNoReference,  // no other file shows this picture exactly
  kSame,         // decodes to exactly the colours of `reference`
  kClose,        // every channel within `tolerance` of `reference` (fewer bits per channel)
  kRleGaps,      // equals `reference` where the RLE stream writes pixels, colour 0 elsewhere
};

struct Decision {
  const char* file;        // relative to the suite's folder
  Outcome outcome;
  const char* reason;      // refused: part of the reason given
  Check check;
  const char* reference;   // kSame, kClose, kRleGaps: the file showing the same picture
  int tolerance;
  const char* why;
};

// clang-format off
const Decision kDecisions[] = {
  // ---- b/: bad files. Converted only where the fault does not touch the pixels.
  {"b/badbitcount.bmp", kRefused, "unsupported bit count 30000", kNoReference, "", 0,
   "bit count 30000 is no pixel format"},
  {"b/badbitssize.bmp", kConverts, "", kSame, "g/pal1.bmp", 0,
   "only biSizeImage is wrong; it is redundant for uncompressed rows and not used"},
  {"b/baddens1.bmp", kConverts, "", kSame, "g/pal1.bmp", 0,
   "only the horizontal density is wrong; densities are not used"},
  {"b/baddens2.bmp", kConverts, "", kSame, "g/pal1.bmp", 0,
   "only the vertical density is wrong; densities are not used"},
  {"b/badfilesize.bmp", kConverts, "", kSame, "g/pal1.bmp", 0,
   "only bfSize is wrong; the file's real size is what is checked"},
  {"b/badheadersize.bmp", kRefused, "unsupported header size 66", kNoReference, "", 0,
   "a 66-byte header is no known header"},
  {"b/badpalettesize.bmp", kRefused, "does not fit before the pixel data", kNoReference, "", 0,
   "biClrUsed 305402420: a colour table far larger than the file"},
  {"b/badplanes.bmp", kConverts, "", kSame, "g/pal1.bmp", 0,
   "only biPlanes is wrong; it does not change how the pixels are stored"},
  {"b/badrle.bmp", kRefused, "RLE run beyond the end of a row", kNoReference, "", 0,
   "an RLE8 run writes past the end of its row"},
  {"b/badrle4.bmp", kRefused, "RLE run beyond the end of a row", kNoReference, "", 0,
   "an RLE4 run writes past the end of its row"},
  {"b/badrle4bis.bmp", kRefused, "RLE delta moves outside the picture", kNoReference, "", 0,
   "an RLE4 delta leaves the picture"},
  {"b/badrle4ter.bmp", kRefused, "RLE delta moves outside the picture", kNoReference, "", 0,
   "an RLE4 delta leaves the picture"},
  {"b/badrlebis.bmp", kRefused, "RLE delta moves outside the picture", kNoReference, "", 0,
   "an RLE8 delta leaves the picture"},
  {"b/badrleter.bmp", kRefused, "RLE delta moves outside the picture", kNoReference, "", 0,
   "an RLE8 delta leaves the picture"},
  {"b/badwidth.bmp", kRefused, "invalid width -127", kNoReference, "", 0,
   "negative width"},
  {"b/pal8badindex.bmp", kRefused, "beyond the colour table of 101 entries", kNoReference, "", 0,
   "decision: a colour index beyond the colour table is refused, not shown as black"},
  {"b/reallybig.bmp", kRefused, "beyond 32768 x 32768", kNoReference, "", 0,
   "3000000 x 2000000 pixels"},
  {"b/rgb16-880.bmp", kRefused, "the blue bit field is empty", kNoReference, "", 0,
   "bit fields 8-8-0: no bits for blue"},
  {"b/rletopdown.bmp", kRefused, "top-down picture with RLE compression", kNoReference, "", 0,
   "RLE pictures cannot be top-down"},
  {"b/shortfile.bmp", kRefused, "truncated pixel data", kNoReference, "", 0,
   "the file ends inside the pixel data"},

  // ---- q/: questionable files. Converted where the meaning is clear.
  {"q/pal1huffmsb.bmp", kRefused, "OS/2 Huffman 1D compression is not supported", kNoReference, "", 0,
   "OS/2 2.x Huffman 1D compression"},
  {"q/pal1p1.bmp", kConverts, "", kNoReference, "", 0,
   "a 1-bit picture with a one-entry colour table, every pixel index 0"},
  {"q/pal2.bmp", kConverts, "", kNoReference, "", 0,
   "2 bits per pixel (Windows CE), grey"},
  {"q/pal2color.bmp", kConverts, "", kNoReference, "", 0,
   "2 bits per pixel (Windows CE), colour"},
  {"q/pal4rlecut.bmp", kConverts, "", kRleGaps, "g/pal4.bmp", 0,
   "decision: pixels after an early end of bitmap take colour index 0"},
  {"q/pal4rletrns.bmp", kConverts, "", kRleGaps, "g/pal4.bmp", 0,
   "decision: pixels skipped by deltas and early ends of line take colour index 0"},
  {"q/pal8offs.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "a gap before the pixels; bfOffBits is honoured"},
  {"q/pal8os2-hs.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "OS/2 1.x with a wrong bfSize, not used"},
  {"q/pal8os2-sz.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "OS/2 1.x with a wrong bfSize, not used"},
  {"q/pal8os2sp.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "OS/2 1.x with a colour table of 252 entries, as many as fit before the pixels"},
  {"q/pal8os2v2-16.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "OS/2 2.x 16-byte header"},
  {"q/pal8os2v2-40sz.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "OS/2 2.x in a 40-byte header, wrong bfSize"},
  {"q/pal8os2v2-sz.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "OS/2 2.x 64-byte header, wrong bfSize"},
  {"q/pal8os2v2.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "OS/2 2.x 64-byte header"},
  {"q/pal8oversizepal.bmp", kConverts, "", kSame, "g/pal8.bmp", 0,
   "biClrUsed 300 (all present): the first 256 entries are used"},
  {"q/pal8rlecut.bmp", kConverts, "", kRleGaps, "g/pal8.bmp", 0,
   "decision: pixels after an early end of bitmap take colour index 0"},
  {"q/pal8rletrns.bmp", kConverts, "", kRleGaps, "g/pal8.bmp", 0,
   "decision: pixels skipped by deltas and early ends of line take colour index 0"},
  {"q/rgb16-231.bmp", kConverts, "", kNoReference, "", 0,
   "bit fields 2-3-1; scaled to 0..255 (the suite's picture is no plain quantisation of rgb24)"},
  {"q/rgb16-3103.bmp", kConverts, "", kClose, "g/rgb24.bmp", 36,
   "bit fields 3-10-3"},
  {"q/rgb16faketrns.bmp", kConverts, "", kSame, "g/rgb16.bmp", 0,
   "5-5-5 with the unused bit set; it is ignored"},
  {"q/rgb24jpeg.bmp", kRefused, "JPEG-compressed BMP files are not supported", kNoReference, "", 0,
   "BI_JPEG"},
  {"q/rgb24largepal.bmp", kConverts, "", kSame, "g/rgb24.bmp", 0,
   "a 300-entry colour table in a 24-bit file, not used"},
  {"q/rgb24lprof.bmp", kConverts, "", kSame, "g/rgb24.bmp", 0,
   "a linked colour profile, not used"},
  {"q/rgb24png.bmp", kRefused, "PNG-compressed BMP files are not supported", kNoReference, "", 0,
   "BI_PNG"},
  {"q/rgb24rle24.bmp", kRefused, "OS/2 RLE24 compression is not supported", kNoReference, "", 0,
   "OS/2 2.x RLE24 compression"},
  {"q/rgb32-111110.bmp", kConverts, "", kClose, "g/rgb24.bmp", 1,
   "bit fields 11-11-10"},
  {"q/rgb32-7187.bmp", kConverts, "", kClose, "g/rgb24.bmp", 1,
   "bit fields 7-18-7"},
  {"q/rgb32-xbgr.bmp", kConverts, "", kSame, "g/rgb24.bmp", 0,
   "bit fields with red in the top byte"},
  {"q/rgb32fakealpha.bmp", kConverts, "", kSame, "g/rgb24.bmp", 0,
   "BI_RGB 32 bits with values in the unused byte; ignored"},
  {"q/rgb32h52.bmp", kConverts, "", kSame, "g/rgb24.bmp", 0,
   "bit fields in a 52-byte (V2) header"},
  {"q/rgba16-1924.bmp", kConverts, "", kNoReference, "", 0,
   "bit fields 1-9-2 with 4 alpha bits (alpha ignored)"},
  {"q/rgba16-4444.bmp", kConverts, "", kClose, "q/rgba32-1.bmp", 8,
   "bit fields 4-4-4 with 4 alpha bits (alpha ignored)"},
  {"q/rgba16-5551.bmp", kConverts, "", kSame, "g/rgb16.bmp", 0,
   "5-5-5 with 1 alpha bit (alpha ignored)"},
  {"q/rgba32-1.bmp", kConverts, "", kNoReference, "", 0,
   "8-8-8 with an alpha channel (ignored); the reference of the rgba32 files"},
  {"q/rgba32-1010102.bmp", kConverts, "", kSame, "q/rgba32-1.bmp", 0,
   "bit fields 10-10-10 with 2 alpha bits"},
  {"q/rgba32-2.bmp", kConverts, "", kSame, "q/rgba32-1.bmp", 0,
   "alpha in another byte"},
  {"q/rgba32-61754.bmp", kConverts, "", kClose, "q/rgba32-1.bmp", 4,
   "bit fields 6-17-5 with 4 alpha bits"},
  {"q/rgba32-81284.bmp", kConverts, "", kSame, "q/rgba32-1.bmp", 0,
   "bit fields 8-12-8 with 4 alpha bits"},
  {"q/rgba32abf.bmp", kConverts, "", kSame, "q/rgba32-1.bmp", 0,
   "BI_ALPHABITFIELDS (four masks after a 40-byte header)"},
  {"q/rgba32h56.bmp", kConverts, "", kSame, "q/rgba32-1.bmp", 0,
   "bit fields with alpha in a 56-byte (V3) header"},
  {"q/rgba64.bmp", kRefused, "unsupported bit count 64", kNoReference, "", 0,
   "64 bits per pixel (16 bits per channel, linear light) is not supported"},
};

// g/ files that show one picture in different encodings: each group decodes alike.
const std::vector<std::vector<const char*>> kSamePicture = {
  {"g/pal1.bmp", "g/pal1wb.bmp"},
  {"g/pal4.bmp", "g/pal4rle.bmp"},
  {"g/pal8.bmp", "g/pal8-0.bmp", "g/pal8os2.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp",
   "g/pal8v4.bmp", "g/pal8v5.bmp"},
  {"g/rgb16.bmp", "g/rgb16bfdef.bmp"},
  {"g/rgb16-565.bmp", "g/rgb16-565pal.bmp"},
  {"g/rgb24.bmp", "g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp"},
};

// g/ files that show the top-left part of g/pal8.bmp: other widths, other row padding.
const char* const kCropsOfPal8[] = {"g/pal8w124.bmp", "g/pal8w125.bmp", "g/pal8w126.bmp"};

// g/ files that show g/rgb24.bmp's picture with fewer bits per channel.
struct Close {
  const char* file;
  const char* reference;
  int tolerance;
};
const Close kCloseToRgb24[] = {{"g/rgb16.bmp", "g/rgb24.bmp", 4}, {"g/rgb16-565.bmp", "g/rgb24.bmp", 4}};
// clang-format on

std::vector<std::string> BmpFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir((kSuite + "/" + folder).c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0) {
      names.push_back(folder + "/" + name);
    }
  }
  closedir(dir);
  return names;
}

bool DecodeSuiteFile(const std::string& file, DecodedBmp* picture, std::string* error) {
  Bytes bytes = ReadFileBytes(kSuite + "/" + file);
  return DecodeBmpMemory(bytes.data(), bytes.size(), picture, error);
}

DecodedBmp MustDecode(const std::string& file) {
  DecodedBmp picture;
  std::string error;
  EXPECT_TRUE(DecodeSuiteFile(file, &picture, &error)) << file << ": " << error;
  return picture;
}

// Converts the file with ConvertBmpFile and checks the output: an 8-bit BMP of the same
// size whose every pixel is the palette colour nearest to the input's pixel.
void ExpectConvertsCorrectly(const std::string& file) {
  SCOPED_TRACE(file);
  TempFolder folder;
  const Palette palette = bmptest::TestPalette();
  HueswapError error;
  ASSERT_TRUE(ConvertBmpFile(kSuite + "/" + file, folder / "out.bmp", palette, &error))
      << error.file << ": " << error.reason;
  ASSERT_EQ(folder.Names(), std::vector<std::string>{"out.bmp"});
  Bytes output = ReadFileBytes(folder / "out.bmp");
  ASSERT_GE(output.size(), 54u);
  EXPECT_EQ(output[28], 8);   // biBitCount
  EXPECT_EQ(output[30], 0);   // BI_RGB
  DecodedBmp in = MustDecode(file), out;
  std::string reason;
  ASSERT_TRUE(DecodeBmpMemory(output.data(), output.size(), &out, &reason)) << reason;
  ASSERT_EQ(out.width, in.width);
  ASSERT_EQ(out.height, in.height);
  NearestColourSearch search;
  InitNearestColourSearch(&search, palette);
  for (std::size_t p = 0; p < in.rgb.size(); p += 3) {
    int index = NearestIndex(&search, in.rgb[p], in.rgb[p + 1], in.rgb[p + 2]);
    ASSERT_EQ(out.rgb[p], palette.rgb[index][0]) << "pixel " << p / 3;
    ASSERT_EQ(out.rgb[p + 1], palette.rgb[index][1]) << "pixel " << p / 3;
    ASSERT_EQ(out.rgb[p + 2], palette.rgb[index][2]) << "pixel " << p / 3;
  }
}

TEST(BmpSuite, TheFolderIsThere) {
  ASSERT_FALSE(BmpFilesIn("g").empty()) << "no bmpsuite at " << kSuite;
}

TEST(BmpSuite, EveryGoodFileConverts) {
  for (const std::string& file : BmpFilesIn("g")) ExpectConvertsCorrectly(file);
}

TEST(BmpSuite, GoodFilesShowingOnePictureDecodeAlike) {
  for (const auto& group : kSamePicture) {
    DecodedBmp first = MustDecode(group[0]);
    EXPECT_EQ(first.width * first.height * 3, static_cast<int>(first.rgb.size()));
    for (std::size_t i = 1; i < group.size(); ++i) {
      DecodedBmp other = MustDecode(group[i]);
      EXPECT_EQ(other.width, first.width) << group[i];
      EXPECT_EQ(other.height, first.height) << group[i];
      EXPECT_TRUE(other.rgb == first.rgb) << group[i] << " differs from " << group[0];
    }
  }
}

TEST(BmpSuite, NarrowerGoodFilesAreCropsOfPal8) {
  DecodedBmp whole = MustDecode("g/pal8.bmp");
  for (const char* file : kCropsOfPal8) {
    DecodedBmp crop = MustDecode(file);
    ASSERT_LE(crop.width, whole.width) << file;
    ASSERT_LE(crop.height, whole.height) << file;
    for (int y = 0; y < crop.height; ++y) {
      const unsigned char* a = crop.rgb.data() + static_cast<std::size_t>(y) * crop.width * 3;
      const unsigned char* b = whole.rgb.data() + static_cast<std::size_t>(y) * whole.width * 3;
      ASSERT_TRUE(std::equal(a, a + crop.width * 3, b)) << file << " row " << y;
    }
  }
}

TEST(BmpSuite, SixteenBitGoodFilesAreCloseToRgb24) {
  for (const Close& c : kCloseToRgb24) {
    DecodedBmp picture = MustDecode(c.file), reference = MustDecode(c.reference);
    ASSERT_EQ(picture.rgb.size(), reference.rgb.size()) << c.file;
    int worst = 0;
    for (std::size_t i = 0; i < picture.rgb.size(); ++i) {
      worst = std::max(worst, std::abs(picture.rgb[i] - reference.rgb[i]));
    }
    EXPECT_LE(worst, c.tolerance) << c.file;
  }
}

TEST(BmpSuite, TheTableCoversEveryBadAndQuestionableFile) {
  std::set<std::string> inFolders, inTable;
  for (const char* folder : {"b", "q"}) {
    for (const std::string& file : BmpFilesIn(folder)) inFolders.insert(file);
  }
  for (const Decision& d : kDecisions) {
    EXPECT_TRUE(inTable.insert(d.file).second) << d.file << " is in the table twice";
  }
  EXPECT_EQ(inTable, inFolders);
}

TEST(BmpSuite, BadAndQuestionableFilesAsTheTableSays) {
  const Palette palette = bmptest::TestPalette();
  for (const Decision& d : kDecisions) {
    SCOPED_TRACE(d.file);
    DecodedBmp picture;
    std::string error;
    bool decoded = DecodeSuiteFile(d.file, &picture, &error);
    if (d.outcome == kRefused) {
      EXPECT_FALSE(decoded);
      EXPECT_NE(error.find(d.reason), std::string::npos) << "reason given: " << error;
      // The conversion refuses it too, naming the input, and leaves nothing behind.
      TempFolder folder;
      HueswapError failure;
      EXPECT_FALSE(ConvertBmpFile(kSuite + "/" + d.file, folder / "out.bmp", palette, &failure));
      EXPECT_EQ(failure.file, kSuite + "/" + d.file);
      EXPECT_EQ(failure.reason, error);
      EXPECT_TRUE(folder.Names().empty());
      continue;
    }
    ASSERT_TRUE(decoded) << error;
    ExpectConvertsCorrectly(d.file);
    if (d.check == kNoReference) continue;
    DecodedBmp reference = MustDecode(d.reference);
    ASSERT_EQ(picture.width, reference.width);
    ASSERT_EQ(picture.height, reference.height);
    ASSERT_EQ(picture.rgb.size(), reference.rgb.size());
    if (d.check == kSame) {
      EXPECT_TRUE(picture.rgb == reference.rgb) << "differs from " << d.reference;
    } else if (d.check == kClose) {
      int worst = 0;
      for (std::size_t i = 0; i < picture.rgb.size(); ++i) {
        worst = std::max(worst, std::abs(picture.rgb[i] - reference.rgb[i]));
      }
      EXPECT_LE(worst, d.tolerance) << "compared with " << d.reference;
    } else {  // kRleGaps: colour 0 of the file's own table where the stream left pixels out
      ByteSource source;
      Bytes bytes = ReadFileBytes(kSuite + "/" + d.file);
      InitMemorySource(&source, bytes.data(), bytes.size());
      BmpDecoder decoder;
      ASSERT_TRUE(OpenBmp(&source, &decoder, &error));
      const unsigned char* zero = decoder.info.colours[0];
      int gaps = 0;
      for (std::size_t p = 0; p < picture.rgb.size(); p += 3) {
        bool same = std::equal(&picture.rgb[p], &picture.rgb[p] + 3, &reference.rgb[p]);
        bool isZero = std::equal(&picture.rgb[p], &picture.rgb[p] + 3, zero);
        ASSERT_TRUE(same || isZero) << "pixel " << p / 3;
        if (!same) ++gaps;
      }
      EXPECT_GT(gaps, 0);
    }
  }
}

// The program itself on b/ and q/: exit 0 and silence, or exit 1 with one line naming
// the file, and no output left behind.
TEST(BmpSuite, TheProgramFollowsTheTable) {
  TempFolder folder;
  std::string jasc = bmptest::TestPaletteJasc();
  ASSERT_TRUE(bmptest::WriteFileBytes(folder / "p.pal", Bytes(jasc.begin(), jasc.end())));
  for (const Decision& d : kDecisions) {
    SCOPED_TRACE(d.file);
    std::string input = kSuite + "/" + d.file;
    std::string command = std::string("'") + HUESWAP_PATH + "' '" + input + "' '" + (folder / "out.bmp") +
                          "' -P '" + (folder / "p.pal") + "' 2>'" + (folder / "err.txt") + "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    Bytes err = ReadFileBytes(folder / "err.txt");
    std::string text(err.begin(), err.end());
    if (d.outcome == kConverts) {
      EXPECT_EQ(WEXITSTATUS(status), 0);
      EXPECT_EQ(text, "");
      EXPECT_TRUE(bmptest::FileExists(folder / "out.bmp"));
      std::remove((folder / "out.bmp").c_str());
    } else {
      EXPECT_EQ(WEXITSTATUS(status), 1);
      EXPECT_EQ(text.rfind("hueswap: " + input + ": ", 0), 0u) << text;
      EXPECT_NE(text.find(d.reason), std::string::npos) << text;
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
      EXPECT_FALSE(bmptest::FileExists(folder / "out.bmp"));
    }
    std::remove((folder / "err.txt").c_str());
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"p.pal"});
  }
}

}  // namespace
