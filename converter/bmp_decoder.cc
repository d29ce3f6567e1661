#include "converter/bmp_decoder.h"

#include <cstring>

namespace {

constexpr int kFileHeaderSize = 14;

// Compression values of the headers.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitFields = 3;   // OS/2 2.x: Huffman 1D
constexpr std::uint32_t kBiJpeg = 4;        // OS/2 2.x: RLE24
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitFields = 6;

std::uint16_t Get16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string Number(std::uint64_t value) { return std::to_string(value); }

bool Fail(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

// The reason for a read that came back short: the file's end, or an I/O error.
bool ReadFailure(const ByteSource* source, std::string* error, const char* what) {
  if (source->failed) return Fail(error, "read error");
  return Fail(error, std::string("truncated ") + what);
}

bool ReadExactly(ByteSource* source, void* buffer, std::size_t count) {
  return SourceRead(source, buffer, count) == count;
}

const char* ChannelName(int channel) {
  static const char* const kNames[3] = {"red", "green", "blue"};
  return kNames[channel];
}

bool SetUpChannels(BmpDecoder* decoder, std::string* error) {
  const BmpInfo& info = decoder->info;
  std::uint32_t used = 0;
  for (int c = 0; c < 3; ++c) {
    std::uint32_t mask = info.masks[c];
    if (mask == 0) return Fail(error, std::string("the ") + ChannelName(c) + " bit field is empty");
    if (info.bitCount == 16 && mask > 0xFFFFu) {
      return Fail(error, std::string("the ") + ChannelName(c) +
                             " bit field lies outside the 16-bit pixel");
    }
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    std::uint32_t maximum = mask >> shift;
    if ((maximum & (maximum + 1)) != 0) {
      return Fail(error, std::string("the ") + ChannelName(c) + " bit field is not contiguous");
    }
    if ((used & mask) != 0) return Fail(error, "the bit fields overlap");
    used |= mask;
    BmpChannel& channel = decoder->channels[c];
    channel.mask = mask;
    channel.shift = shift;
    channel.maximum = maximum;
    channel.scale.clear();
    if (maximum <= 0xFFFu) {
      channel.scale.resize(maximum + 1);
      for (std::uint32_t v = 0; v <= maximum; ++v) {
        channel.scale[v] = static_cast<unsigned char>((v * 255u + maximum / 2) / maximum);
      }
    }
  }
  return true;
}

inline unsigned char ScaleChannel(const BmpChannel& channel, std::uint32_t pixel) {
  std::uint32_t value = (pixel & channel.mask) >> channel.shift;
  if (!channel.scale.empty()) return channel.scale[value];
  return static_cast<unsigned char>(
      (static_cast<std::uint64_t>(value) * 255u + channel.maximum / 2) / channel.maximum);
}

// Checks that the colour indices of a row all lie in the colour table.
bool CheckIndices(const BmpDecoder* decoder, const unsigned char* row, std::string* error) {
  const BmpInfo& info = decoder->info;
  if (info.colourCount >= (1 << (info.bitCount < 8 ? info.bitCount : 8))) return true;
  unsigned char highest = 0;
  for (int x = 0; x < info.width; ++x) highest = row[x] > highest ? row[x] : highest;
  if (highest < info.colourCount) return true;
  return Fail(error, "colour index " + Number(highest) + " beyond the colour table of " +
                         Number(info.colourCount) + (info.colourCount == 1 ? " entry" : " entries"));
}

void UnpackIndices(const unsigned char* raw, int bits, int width, unsigned char* row) {
  switch (bits) {
    case 8:
      std::memcpy(row, raw, static_cast<std::size_t>(width));
      break;
    case 4:
      for (int x = 0; x < width; ++x) {
        unsigned char byte = raw[x >> 1];
        row[x] = (x & 1) ? (byte & 0x0F) : (byte >> 4);
      }
      break;
    case 2:
      for (int x = 0; x < width; ++x) {
        row[x] = (raw[x >> 2] >> (6 - 2 * (x & 3))) & 0x03;
      }
      break;
    default:  // 1
      for (int x = 0; x < width; ++x) {
        row[x] = (raw[x >> 3] >> (7 - (x & 7))) & 0x01;
      }
      break;
  }
}

bool ReadStoredRow(BmpDecoder* decoder, std::string* error) {
  const BmpInfo& info = decoder->info;
  int fileRow = info.topDown ? info.height - 1 - decoder->nextRow : decoder->nextRow;
  std::uint64_t offset = info.pixelOffset + decoder->stride * static_cast<std::uint64_t>(fileRow);
  if (!SourceSeek(decoder->source, offset)) return ReadFailure(decoder->source, error, "pixel data");
  if (!ReadExactly(decoder->source, decoder->raw.data(), decoder->rowBytes)) {
    return ReadFailure(decoder->source, error, "pixel data");
  }
  return true;
}

bool ConvertStoredRow(BmpDecoder* decoder, unsigned char* row, std::string* error) {
  const BmpInfo& info = decoder->info;
  const unsigned char* raw = decoder->raw.data();
  int width = info.width;
  switch (info.format) {
    case kBmpIndexedRaw:
      UnpackIndices(raw, info.bitCount, width, row);
      return CheckIndices(decoder, row, error);
    case kBmpRgb24:
      for (int x = 0; x < width; ++x, raw += 3, row += 3) {
        row[0] = raw[2];
        row[1] = raw[1];
        row[2] = raw[0];
      }
      return true;
    case kBmpRgb32:
      for (int x = 0; x < width; ++x, raw += 4, row += 3) {
        row[0] = raw[2];
        row[1] = raw[1];
        row[2] = raw[0];
      }
      return true;
    case kBmpBitFields16:
      for (int x = 0; x < width; ++x, raw += 2, row += 3) {
        std::uint32_t pixel = Get16(raw);
        row[0] = ScaleChannel(decoder->channels[0], pixel);
        row[1] = ScaleChannel(decoder->channels[1], pixel);
        row[2] = ScaleChannel(decoder->channels[2], pixel);
      }
      return true;
    case kBmpBitFields32:
      for (int x = 0; x < width; ++x, raw += 4, row += 3) {
        std::uint32_t pixel = Get32(raw);
        row[0] = ScaleChannel(decoder->channels[0], pixel);
        row[1] = ScaleChannel(decoder->channels[1], pixel);
        row[2] = ScaleChannel(decoder->channels[2], pixel);
      }
      return true;
    default:
      return Fail(error, "internal error: not an uncompressed format");
  }
}

// Next byte of the RLE stream; false at the end of the file (or on a read error).
bool RleByte(BmpDecoder* decoder, unsigned char* byte) {
  if (decoder->rleNext == decoder->rleFill) {
    decoder->rleFill = SourceRead(decoder->source, decoder->rleBuffer, sizeof decoder->rleBuffer);
    decoder->rleNext = 0;
    if (decoder->rleFill == 0) return false;
  }
  *byte = decoder->rleBuffer[decoder->rleNext++];
  return true;
}

// Decodes the RLE stream while its position lies in row `target`, writing that row's
// pixels into row (which holds zeros where the stream writes nothing).
bool DecodeRleRow(BmpDecoder* decoder, int target, unsigned char* row, std::string* error) {
  const BmpInfo& info = decoder->info;
  const bool four = info.format == kBmpRle4;
  const int width = info.width;
  while (!decoder->rleEnded && decoder->rleY == target) {
    unsigned char first, second;
    if (!RleByte(decoder, &first) || !RleByte(decoder, &second)) {
      // A stream may stop without an end-of-bitmap code once every pixel is written.
      if (!decoder->source->failed && target == info.height - 1 && decoder->rleX == width) {
        decoder->rleEnded = true;
        break;
      }
      return ReadFailure(decoder->source, error, "RLE data");
    }
    int x = decoder->rleX;
    if (first > 0) {  // a run of `first` pixels of one index (or two alternating ones)
      if (x + first > width) {
        return Fail(error, "RLE run beyond the end of a row");
      }
      if (four) {
        unsigned char pair[2] = {static_cast<unsigned char>(second >> 4),
                                 static_cast<unsigned char>(second & 0x0F)};
        for (int i = 0; i < first; ++i) row[x + i] = pair[i & 1];
      } else {
        std::memset(row + x, second, first);
      }
      decoder->rleX = x + first;
      continue;
    }
    switch (second) {
      case 0:  // end of line
        decoder->rleX = 0;
        decoder->rleY = target + 1;
        break;
      case 1:  // end of bitmap
        decoder->rleEnded = true;
        break;
      case 2: {  // delta
        unsigned char dx, dy;
        if (!RleByte(decoder, &dx) || !RleByte(decoder, &dy)) {
          return ReadFailure(decoder->source, error, "RLE data");
        }
        int newX = x + dx, newY = target + dy;
        if (newX > width || newY > info.height || (newY == info.height && newX > 0)) {
          return Fail(error, "RLE delta moves outside the picture");
        }
        decoder->rleX = newX;
        decoder->rleY = newY;
        break;
      }
      default: {  // an absolute run of `second` pixels, padded to a 16-bit boundary
        int count = second;
        if (x + count > width) {
          return Fail(error, "RLE run beyond the end of a row");
        }
        int bytes = four ? (count + 1) / 2 : count;
        bytes += bytes & 1;
        unsigned char run[256];
        for (int i = 0; i < bytes; ++i) {
          if (!RleByte(decoder, &run[i])) return ReadFailure(decoder->source, error, "RLE data");
        }
        for (int i = 0; i < count; ++i) {
          row[x + i] = four ? ((i & 1) ? (run[i >> 1] & 0x0F) : (run[i >> 1] >> 4)) : run[i];
        }
        decoder->rleX = x + count;
        break;
      }
    }
  }
  return true;
}

bool ReadHeaders(ByteSource* source, BmpDecoder* decoder, std::string* error) {
  BmpInfo& info = decoder->info;
  unsigned char head[kFileHeaderSize + 124];
  std::size_t got = SourceRead(source, head, kFileHeaderSize + 4);
  if (got < 2 || head[0] != 'B' || head[1] != 'M') {
    if (source->failed) return Fail(error, "read error");
    if (got >= 2 && ((head[0] == 'B' && head[1] == 'A') || (head[0] == 'C' && head[1] == 'I') ||
                     (head[0] == 'C' && head[1] == 'P') || (head[0] == 'I' && head[1] == 'C') ||
                     (head[0] == 'P' && head[1] == 'T'))) {
      return Fail(error, "OS/2 bitmap arrays, icons and pointers are not supported");
    }
    return Fail(error, "not a BMP file");
  }
  if (got < kFileHeaderSize + 4) return ReadFailure(source, error, "file header");
  const std::uint32_t offBits = Get32(head + 10);
  const std::uint32_t headerSize = Get32(head + 14);
  switch (headerSize) {
    case 12: case 16: case 40: case 52: case 56: case 64: case 108: case 124:
      break;
    default:
      return Fail(error, "unsupported header size " + Number(headerSize));
  }
  if (!ReadExactly(source, head + kFileHeaderSize + 4, headerSize - 4)) {
    return ReadFailure(source, error, "header");
  }
  const unsigned char* h = head + kFileHeaderSize;
  info.headerSize = static_cast<int>(headerSize);
  const bool core = headerSize == 12;
  const bool os2v2 = headerSize == 16 || headerSize == 64;
  std::int64_t width, height;
  std::uint32_t bitCount, compression = kBiRgb, clrUsed = 0;
  if (core) {
    width = Get16(h + 4);
    height = Get16(h + 6);
    bitCount = Get16(h + 10);
  } else {
    width = static_cast<std::int32_t>(Get32(h + 4));
    height = static_cast<std::int32_t>(Get32(h + 8));
    bitCount = Get16(h + 14);
    if (headerSize >= 40) {
      compression = Get32(h + 16);
      clrUsed = Get32(h + 32);
    }
  }
  info.compression = static_cast<int>(compression);

  // Compression and bit depth.
  if (compression == kBiJpeg) {
    if (os2v2 && bitCount == 24) return Fail(error, "OS/2 RLE24 compression is not supported");
    return Fail(error, "JPEG-compressed BMP files are not supported");
  }
  if (compression == kBiPng) return Fail(error, "PNG-compressed BMP files are not supported");
  if (compression == kBiBitFields && (os2v2 || bitCount == 1)) {
    return Fail(error, "OS/2 Huffman 1D compression is not supported");
  }
  switch (compression) {
    case kBiRgb:
      if (core ? !(bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24)
               : !(bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8 ||
                   bitCount == 16 || bitCount == 24 || bitCount == 32)) {
        return Fail(error, "unsupported bit count " + Number(bitCount));
      }
      break;
    case kBiRle8:
      if (bitCount != 8) return Fail(error, "RLE8 compression with bit count " + Number(bitCount));
      break;
    case kBiRle4:
      if (bitCount != 4) return Fail(error, "RLE4 compression with bit count " + Number(bitCount));
      break;
    case kBiBitFields:
    case kBiAlphaBitFields:
      if (bitCount != 16 && bitCount != 32) {
        return Fail(error, "bit fields with bit count " + Number(bitCount));
      }
      break;
    default:
      return Fail(error, "unknown compression " + Number(compression));
  }
  info.bitCount = static_cast<int>(bitCount);

  // Size and orientation.
  if (width <= 0) return Fail(error, "invalid width " + std::to_string(width));
  if (height == 0) return Fail(error, "zero height");
  info.topDown = height < 0;
  if (height < 0) height = -height;
  if (width > kMaxBmpDimension || height > kMaxBmpDimension) {
    return Fail(error, "picture size " + std::to_string(width) + " x " + std::to_string(height) +
                           " beyond 32768 x 32768");
  }
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  if (info.topDown && (compression == kBiRle8 || compression == kBiRle4)) {
    return Fail(error, "top-down picture with RLE compression");
  }

  // Bit fields: in the header from 52 bytes on, else right after a 40-byte header.
  std::uint64_t tableStart = kFileHeaderSize + static_cast<std::uint64_t>(headerSize);
  info.masks[0] = info.masks[1] = info.masks[2] = 0;
  if (compression == kBiBitFields || compression == kBiAlphaBitFields) {
    if (headerSize >= 52) {
      for (int c = 0; c < 3; ++c) info.masks[c] = Get32(h + 40 + 4 * c);
    } else {
      std::size_t count = compression == kBiBitFields ? 12 : 16;
      unsigned char masks[16];
      if (!ReadExactly(source, masks, count)) return ReadFailure(source, error, "bit fields");
      for (int c = 0; c < 3; ++c) info.masks[c] = Get32(masks + 4 * c);
      tableStart += count;
    }
  } else if (bitCount == 16) {
    info.masks[0] = 0x7C00;
    info.masks[1] = 0x03E0;
    info.masks[2] = 0x001F;
  } else if (bitCount == 32) {
    info.masks[0] = 0xFF0000;
    info.masks[1] = 0xFF00;
    info.masks[2] = 0xFF;
  }

  info.pixelOffset = offBits;
  if (info.pixelOffset < tableStart) {
    return Fail(error, "pixel data offset " + Number(offBits) + " lies inside the headers");
  }
  if (info.pixelOffset > source->size) {
    return Fail(error, "pixel data offset " + Number(offBits) + " beyond the end of the file");
  }

  // Pixel format.
  switch (compression) {
    case kBiRle8: info.format = kBmpRle8; break;
    case kBiRle4: info.format = kBmpRle4; break;
    default:
      if (bitCount <= 8) {
        info.format = kBmpIndexedRaw;
      } else if (bitCount == 24) {
        info.format = kBmpRgb24;
      } else if (bitCount == 16) {
        info.format = kBmpBitFields16;
      } else if (info.masks[0] == 0xFF0000 && info.masks[1] == 0xFF00 && info.masks[2] == 0xFF) {
        info.format = kBmpRgb32;
      } else {
        info.format = kBmpBitFields32;
      }
  }
  info.indexed = bitCount <= 8;
  if (info.format == kBmpBitFields16 || info.format == kBmpBitFields32) {
    if (!SetUpChannels(decoder, error)) return false;
  }

  // Colour table.
  info.colourCount = 0;
  if (info.indexed) {
    const std::uint64_t entrySize = core ? 3 : 4;
    const std::uint64_t fits = (info.pixelOffset - tableStart) / entrySize;
    const std::uint64_t full = 1u << bitCount;
    std::uint64_t count;
    if (clrUsed != 0) {
      if (clrUsed > fits) {
        return Fail(error, "colour table of " + Number(clrUsed) +
                               " entries does not fit before the pixel data");
      }
      count = clrUsed < full ? clrUsed : full;
    } else {
      count = fits < full ? fits : full;
    }
    if (count == 0) return Fail(error, "no colour table");
    if (!SourceSeek(source, tableStart)) return ReadFailure(source, error, "colour table");
    unsigned char table[256 * 4];
    if (!ReadExactly(source, table, count * entrySize)) {
      return ReadFailure(source, error, "colour table");
    }
    for (std::uint64_t i = 0; i < count; ++i) {
      const unsigned char* entry = table + i * entrySize;
      info.colours[i][0] = entry[2];
      info.colours[i][1] = entry[1];
      info.colours[i][2] = entry[0];
    }
    info.colourCount = static_cast<int>(count);
  }
  return true;
}

}  // namespace

bool OpenBmp(ByteSource* source, BmpDecoder* decoder, std::string* error) {
  decoder->source = source;
  decoder->nextRow = 0;
  decoder->stride = 0;
  decoder->rowBytes = 0;
  decoder->raw.clear();
  decoder->rleX = 0;
  decoder->rleY = 0;
  decoder->rleEnded = false;
  decoder->rleFill = 0;
  decoder->rleNext = 0;
  std::memset(&decoder->info.colours, 0, sizeof decoder->info.colours);
  if (!SourceSeek(source, 0)) return ReadFailure(source, error, "file header");
  if (!ReadHeaders(source, decoder, error)) return false;
  BmpInfo& info = decoder->info;
  if (info.format == kBmpRle8 || info.format == kBmpRle4) {
    if (!SourceSeek(source, info.pixelOffset)) return ReadFailure(source, error, "RLE data");
    return true;
  }
  // Every stored row must be in the file (the last one may lack its padding) before
  // anything is allocated for them.
  const std::uint64_t bits = static_cast<std::uint64_t>(info.width) * info.bitCount;
  decoder->stride = (bits + 31) / 32 * 4;
  decoder->rowBytes = static_cast<std::size_t>((bits + 7) / 8);
  const std::uint64_t needed =
      decoder->stride * static_cast<std::uint64_t>(info.height - 1) + decoder->rowBytes;
  if (source->size - info.pixelOffset < needed) {
    return Fail(error, "truncated pixel data (" + Number(needed) + " bytes needed, " +
                           Number(source->size - info.pixelOffset) + " present)");
  }
  decoder->raw.resize(decoder->rowBytes);
  return true;
}

bool ReadBmpRow(BmpDecoder* decoder, unsigned char* row, std::string* error) {
  const BmpInfo& info = decoder->info;
  if (decoder->nextRow >= info.height) return Fail(error, "internal error: no row left");
  if (info.format == kBmpRle8 || info.format == kBmpRle4) {
    std::memset(row, 0, static_cast<std::size_t>(info.width));
    if (!DecodeRleRow(decoder, decoder->nextRow, row, error)) return false;
    if (!CheckIndices(decoder, row, error)) return false;
  } else {
    if (!ReadStoredRow(decoder, error)) return false;
    if (!ConvertStoredRow(decoder, row, error)) return false;
  }
  ++decoder->nextRow;
  return true;
}

bool ReadBmpStoredRow(BmpDecoder* decoder, const unsigned char** pixels, std::string* error) {
  const BmpInfo& info = decoder->info;
  if (info.format != kBmpRgb24 && info.format != kBmpRgb32) {
    return Fail(error, "internal error: rows of this format are not stored as B, G, R");
  }
  if (decoder->nextRow >= info.height) return Fail(error, "internal error: no row left");
  if (!ReadStoredRow(decoder, error)) return false;
  *pixels = decoder->raw.data();
  ++decoder->nextRow;
  return true;
}

bool DecodeBmp(ByteSource* source, DecodedBmp* picture, std::string* error,
               std::uint64_t maxPixels) {
  BmpDecoder decoder;
  if (!OpenBmp(source, &decoder, error)) return false;
  const BmpInfo& info = decoder.info;
  if (static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.height) > maxPixels) {
    return Fail(error, "picture larger than " + Number(maxPixels) + " pixels");
  }
  const std::size_t width = static_cast<std::size_t>(info.width);
  picture->width = info.width;
  picture->height = info.height;
  picture->rgb.assign(width * 3 * static_cast<std::size_t>(info.height), 0);
  std::vector<unsigned char> row(width * 3);
  for (int y = 0; y < info.height; ++y) {
    if (!ReadBmpRow(&decoder, row.data(), error)) return false;
    unsigned char* out = picture->rgb.data() + width * 3 * static_cast<std::size_t>(info.height - 1 - y);
    if (info.indexed) {
      for (std::size_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, info.colours[row[x]], 3);
    } else {
      std::memcpy(out, row.data(), width * 3);
    }
  }
  return true;
}

bool DecodeBmpMemory(const unsigned char* data, std::size_t size, DecodedBmp* picture,
                     std::string* error, std::uint64_t maxPixels) {
  ByteSource source;
  InitMemorySource(&source, data, size);
  return DecodeBmp(&source, picture, error, maxPixels);
}
