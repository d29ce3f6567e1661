// The BMP decoder on any bytes, with a small pixel cap (a few bytes of RLE may describe
// a picture of 32768 x 32768 pixels; the cap keeps each run short).
//
// A decoded picture has sane sizes and exactly width * height pixels; a refused one
// has a reason. A decoded indexed picture is read once more row by row: every index
// lies within the colour table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "converter/bmp_decoder.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr std::uint64_t kPixelCap = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodedBmp picture;
  std::string error;
  if (!DecodeBmpMemory(data, size, &picture, &error, kPixelCap)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(picture.width >= 1 && picture.width <= kMaxBmpDimension);
  FUZZ_CHECK(picture.height >= 1 && picture.height <= kMaxBmpDimension);
  FUZZ_CHECK(static_cast<std::uint64_t>(picture.width) * picture.height <= kPixelCap);
  FUZZ_CHECK(picture.rgb.size() == static_cast<std::size_t>(picture.width) * picture.height * 3);

  ByteSource source;
  InitMemorySource(&source, data, size);
  static BmpDecoder decoder;
  FUZZ_CHECK(OpenBmp(&source, &decoder, &error));
  const BmpInfo& info = decoder.info;
  FUZZ_CHECK(info.width == picture.width && info.height == picture.height);
  if (!info.indexed) return 0;
  FUZZ_CHECK(info.colourCount >= 1 && info.colourCount <= 256);
  std::vector<unsigned char> row(static_cast<std::size_t>(info.width) * 3);
  for (int y = 0; y < info.height; ++y) {
    FUZZ_CHECK(ReadBmpRow(&decoder, row.data(), &error));
    for (int x = 0; x < info.width; ++x) FUZZ_CHECK(row[x] < info.colourCount);
  }
  return 0;
}
