#include "converter/bmp_writer.h"

#include <cerrno>
#include <cstring>

namespace {

void Put16(unsigned char* p, std::uint32_t value) {
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
}

void Put32(unsigned char* p, std::uint32_t value) {
  Put16(p, value);
  Put16(p + 2, value >> 16);
}

bool WriteFailure(std::string* error) {
  int code = errno;
  *error = std::string("write error: ") + (code != 0 ? std::strerror(code) : "unknown");
  return false;
}

}  // namespace

std::size_t BmpIndexedStride(int width) {
  return (static_cast<std::size_t>(width) + 3) / 4 * 4;
}

std::size_t BuildBmpHeader(int width, int height, const Palette& palette,
                           unsigned char* header) {
  const std::uint32_t count = static_cast<std::uint32_t>(palette.count);
  const std::uint32_t offset = 14 + 40 + 4 * count;
  const std::uint32_t imageSize =
      static_cast<std::uint32_t>(BmpIndexedStride(width)) * static_cast<std::uint32_t>(height);
  unsigned char* p = header;
  std::memset(p, 0, offset);
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, offset + imageSize);   // bfSize
  Put32(p + 10, offset);              // bfOffBits
  p += 14;
  Put32(p + 0, 40);                   // biSize
  Put32(p + 4, static_cast<std::uint32_t>(width));
  Put32(p + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
  Put16(p + 12, 1);                   // biPlanes
  Put16(p + 14, 8);                   // biBitCount
  Put32(p + 16, 0);                   // BI_RGB
  Put32(p + 20, imageSize);           // biSizeImage
  Put32(p + 24, 0);                   // biXPelsPerMeter: not known
  Put32(p + 28, 0);                   // biYPelsPerMeter
  Put32(p + 32, count);               // biClrUsed
  Put32(p + 36, 0);                   // biClrImportant: all
  p += 40;
  for (std::uint32_t i = 0; i < count; ++i, p += 4) {
    p[0] = palette.rgb[i][2];
    p[1] = palette.rgb[i][1];
    p[2] = palette.rgb[i][0];
    p[3] = 0;
  }
  return offset;
}

bool WriteBmpHeader(std::FILE* out, int width, int height, const Palette& palette,
                    std::string* error) {
  unsigned char header[14 + 40 + 4 * 256];
  std::size_t length = BuildBmpHeader(width, height, palette, header);
  errno = 0;
  if (std::fwrite(header, 1, length, out) != length) return WriteFailure(error);
  return true;
}

bool WriteBmpRow(std::FILE* out, unsigned char* row, int width, std::string* error) {
  std::size_t stride = BmpIndexedStride(width);
  for (std::size_t x = static_cast<std::size_t>(width); x < stride; ++x) row[x] = 0;
  errno = 0;
  if (std::fwrite(row, 1, stride, out) != stride) return WriteFailure(error);
  return true;
}
