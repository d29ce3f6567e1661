#include "converter/palette.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

// Every reader below works on the raw bytes with explicit bounds: a palette file
// may hold anything, and no offset or count read from it is trusted before it is
// checked against the real size.

namespace {

// --- small helpers ----------------------------------------------------------------

std::uint32_t ReadU16le(const unsigned char* p) { return p[0] | (p[1] << 8); }

std::uint32_t ReadU32le(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool StartsWith(const unsigned char* data, std::size_t size, const char* text) {
  std::size_t n = std::strlen(text);
  return size >= n && std::memcmp(data, text, n) == 0;
}

// A view of one line of a text file, without its line ending.
struct Span {
  const char* begin;
  const char* end;
};

// Walks the lines of a text file; CR LF and LF both end a line, and a UTF-8 byte
// order mark before the first line is skipped.
struct LineReader {
  const char* next;
  const char* end;
  int number;  // 1-based number of the line last returned
};

LineReader StartLines(const unsigned char* data, std::size_t size) {
  LineReader reader;
  reader.next = reinterpret_cast<const char*>(data);
  reader.end = reader.next + size;
  reader.number = 0;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) reader.next += 3;
  return reader;
}

bool NextLine(LineReader* reader, Span* line) {
  if (reader->next >= reader->end) return false;
  const char* start = reader->next;
  const char* stop = static_cast<const char*>(
      std::memchr(start, '\n', static_cast<std::size_t>(reader->end - start)));
  if (stop == nullptr) {
    stop = reader->end;
    reader->next = reader->end;
  } else {
    reader->next = stop + 1;
  }
  if (stop > start && stop[-1] == '\r') --stop;
  ++reader->number;
  line->begin = start;
  line->end = stop;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

Span Trim(Span s) {
  while (s.begin < s.end && IsBlank(*s.begin)) ++s.begin;
  while (s.end > s.begin && IsBlank(s.end[-1])) --s.end;
  return s;
}

bool IsEmpty(Span s) { return s.begin == s.end; }

bool Equals(Span s, const char* text) {
  std::size_t n = std::strlen(text);
  return static_cast<std::size_t>(s.end - s.begin) == n && std::memcmp(s.begin, text, n) == 0;
}

bool HasPrefix(Span s, const char* text) {
  std::size_t n = std::strlen(text);
  return static_cast<std::size_t>(s.end - s.begin) >= n && std::memcmp(s.begin, text, n) == 0;
}

// Takes the next blank-separated word off the front of *rest.
bool NextWord(Span* rest, Span* word) {
  const char* p = rest->begin;
  while (p < rest->end && IsBlank(*p)) ++p;
  if (p == rest->end) {
    rest->begin = p;
    return false;
  }
  const char* q = p;
  while (q < rest->end && !IsBlank(*q)) ++q;
  word->begin = p;
  word->end = q;
  rest->begin = q;
  return true;
}

// The text of a span for an error message: quoted, at most 24 characters, and
// with anything unprintable shown as '?', since the bytes may be binary.
std::string Quote(Span s) {
  std::string out = "'";
  const std::size_t limit = 24;
  std::size_t length = static_cast<std::size_t>(s.end - s.begin);
  for (std::size_t i = 0; i < length && i < limit; ++i) {
    unsigned char c = static_cast<unsigned char>(s.begin[i]);
    out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  if (length > limit) out += "...";
  out += "'";
  return out;
}

// A decimal number of digits only. Values that do not fit are reported as
// kTooBig rather than wrapped.
const long kTooBig = 1000000;

bool ParseDecimal(Span s, long* value) {
  if (IsEmpty(s)) return false;
  long v = 0;
  for (const char* p = s.begin; p < s.end; ++p) {
    if (*p < '0' || *p > '9') return false;
    if (v < kTooBig) v = v * 10 + (*p - '0');
  }
  *value = v < kTooBig ? v : kTooBig;
  return true;
}

std::string Number(long v) {
  if (v >= kTooBig) return "a number above 999999";
  return std::to_string(v);
}

// Reads "R G B" from the front of *rest into rgb. `where` starts the error text,
// e.g. "JASC-PAL line 5".
bool ParseRgbWords(Span* rest, const std::string& where, unsigned char rgb[3],
                   std::string* error) {
  static const char* const kNames[3] = {"red", "green", "blue"};
  for (int c = 0; c < 3; ++c) {
    Span word;
    if (!NextWord(rest, &word)) {
      *error = where + ": the " + kNames[c] + " value is missing (expected 'R G B')";
      return false;
    }
    long v = 0;
    if (!ParseDecimal(word, &v)) {
      *error = where + ": " + Quote(word) + " is not a number (expected 'R G B', 0 to 255)";
      return false;
    }
    if (v > 255) {
      *error = where + ": " + kNames[c] + " value " + Number(v) + " is above 255";
      return false;
    }
    rgb[c] = static_cast<unsigned char>(v);
  }
  return true;
}

std::string LineName(const char* format, int number) {
  return std::string(format) + " line " + std::to_string(number);
}

// --- JASC-PAL ---------------------------------------------------------------------

bool ParseJasc(const unsigned char* data, std::size_t size, Palette* palette,
               std::string* error) {
  LineReader reader = StartLines(data, size);
  Span line;
  NextLine(&reader, &line);  // "JASC-PAL", checked by the caller
  if (!NextLine(&reader, &line)) {
    *error = "JASC-PAL: the file ends before the version line (0100)";
    return false;
  }
  if (!Equals(Trim(line), "0100")) {
    *error = LineName("JASC-PAL", reader.number) + ": version " + Quote(Trim(line)) +
             " is not 0100";
    return false;
  }
  if (!NextLine(&reader, &line)) {
    *error = "JASC-PAL: the file ends before the colour count";
    return false;
  }
  long count = 0;
  if (!ParseDecimal(Trim(line), &count)) {
    *error = LineName("JASC-PAL", reader.number) + ": colour count " + Quote(Trim(line)) +
             " is not a number";
    return false;
  }
  if (count < 1) {
    *error = LineName("JASC-PAL", reader.number) + ": the colour count is 0; the palette holds no colour";
    return false;
  }
  if (count > 256) {
    *error = LineName("JASC-PAL", reader.number) + ": colour count " + Number(count) +
             " is more than 256";
    return false;
  }
  int read = 0;
  while (read < count) {
    if (!NextLine(&reader, &line)) {
      *error = "JASC-PAL: the header gives " + std::to_string(count) +
               " colours but the file ends after " + std::to_string(read);
      return false;
    }
    Span rest = Trim(line);
    std::string where = LineName("JASC-PAL", reader.number);
    if (!ParseRgbWords(&rest, where, palette->rgb[read], error)) return false;
    Span extra;
    if (NextWord(&rest, &extra)) {
      *error = where + ": unexpected " + Quote(extra) + " after 'R G B'";
      return false;
    }
    ++read;
  }
  // Trailing blank lines are common; anything else means the count is wrong.
  while (NextLine(&reader, &line)) {
    if (!IsEmpty(Trim(line))) {
      *error = LineName("JASC-PAL", reader.number) + ": more colours than the " +
               std::to_string(count) + " the header gives";
      return false;
    }
  }
  palette->count = static_cast<int>(count);
  return true;
}

// --- GIMP .gpl --------------------------------------------------------------------

bool ParseGimp(const unsigned char* data, std::size_t size, Palette* palette,
               std::string* error) {
  LineReader reader = StartLines(data, size);
  Span line;
  NextLine(&reader, &line);  // "GIMP Palette", checked by the caller
  int count = 0;
  while (NextLine(&reader, &line)) {
    Span text = Trim(line);
    if (IsEmpty(text) || *text.begin == '#') continue;
    if (HasPrefix(text, "Name:") || HasPrefix(text, "Columns:")) continue;
    std::string where = LineName("GIMP palette", reader.number);
    if (count == 256) {
      *error = where + ": the palette holds more than 256 colours";
      return false;
    }
    Span rest = text;
    // Whatever follows R G B is the colour's name.
    if (!ParseRgbWords(&rest, where, palette->rgb[count], error)) return false;
    ++count;
  }
  if (count == 0) {
    *error = "GIMP palette: the palette holds no colour";
    return false;
  }
  palette->count = count;
  return true;
}

// --- plain list of hex colours ----------------------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "RRGGBB" or "#RRGGBB", already trimmed.
bool ParseHexColour(Span s, unsigned char rgb[3]) {
  if (s.begin < s.end && *s.begin == '#') ++s.begin;
  if (s.end - s.begin != 6) return false;
  for (int i = 0; i < 6; ++i) {
    if (HexDigit(s.begin[i]) < 0) return false;
  }
  for (int c = 0; c < 3; ++c) {
    rgb[c] = static_cast<unsigned char>(HexDigit(s.begin[2 * c]) * 16 +
                                        HexDigit(s.begin[2 * c + 1]));
  }
  return true;
}

// True when the first line that is not blank is a hex colour: then the file is
// taken for a hex list and its faults are reported line by line.
bool LooksLikeHexList(const unsigned char* data, std::size_t size) {
  LineReader reader = StartLines(data, size);
  Span line;
  while (NextLine(&reader, &line)) {
    Span text = Trim(line);
    if (IsEmpty(text)) continue;
    unsigned char rgb[3];
    return ParseHexColour(text, rgb);
  }
  return false;
}

bool IsAllText(const unsigned char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    unsigned char c = data[i];
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') return false;
    if (c == 0x7F) return false;
  }
  return true;
}

bool ParseHexList(const unsigned char* data, std::size_t size, Palette* palette,
                  std::string* error) {
  LineReader reader = StartLines(data, size);
  Span line;
  int count = 0;
  while (NextLine(&reader, &line)) {
    Span text = Trim(line);
    if (IsEmpty(text)) continue;
    std::string where = LineName("hex colour list", reader.number);
    if (count == 256) {
      *error = where + ": the list holds more than 256 colours";
      return false;
    }
    if (!ParseHexColour(text, palette->rgb[count])) {
      *error = where + ": " + Quote(text) + " is not a colour (expected RRGGBB or #RRGGBB)";
      return false;
    }
    ++count;
  }
  palette->count = count;  // at least 1: the caller saw a colour first
  return true;
}

// --- Microsoft RIFF PAL -----------------------------------------------------------

bool ParseRiff(const unsigned char* data, std::size_t size, Palette* palette,
               std::string* error) {
  if (size < 12) {
    *error = "RIFF PAL: the file is too short for a RIFF header (" + std::to_string(size) +
             " bytes)";
    return false;
  }
  if (std::memcmp(data + 8, "PAL ", 4) != 0) {
    Span type = {reinterpret_cast<const char*>(data + 8),
                 reinterpret_cast<const char*>(data + 12)};
    *error = "not a palette file: a RIFF file of type " + Quote(type) + ", not 'PAL '";
    return false;
  }
  std::size_t at = 12;
  while (size - at >= 8) {
    std::uint32_t chunkSize = ReadU32le(data + at + 4);
    std::size_t body = at + 8;
    if (chunkSize > size - body) {
      Span id = {reinterpret_cast<const char*>(data + at),
                 reinterpret_cast<const char*>(data + at + 4)};
      *error = "RIFF PAL: chunk " + Quote(id) + " of " + std::to_string(chunkSize) +
               " bytes runs past the end of the file";
      return false;
    }
    if (std::memcmp(data + at, "data", 4) == 0) {
      if (chunkSize < 4) {
        *error = "RIFF PAL: the data chunk is too short for its version and count";
        return false;
      }
      std::uint32_t version = ReadU16le(data + body);
      std::uint32_t count = ReadU16le(data + body + 2);
      if (version != 0x0300) {
        char text[8];
        std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(version));
        *error = std::string("RIFF PAL: version 0x") + text + " is not 0x0300";
        return false;
      }
      if (count == 0) {
        *error = "RIFF PAL: the palette holds no colour";
        return false;
      }
      if (count > 256) {
        *error = "RIFF PAL: " + std::to_string(count) + " colours is more than 256";
        return false;
      }
      if (4 + 4 * static_cast<std::size_t>(count) > chunkSize) {
        *error = "RIFF PAL: the data chunk of " + std::to_string(chunkSize) +
                 " bytes is too short for " + std::to_string(count) + " colours";
        return false;
      }
      const unsigned char* entry = data + body + 4;
      for (std::uint32_t i = 0; i < count; ++i, entry += 4) {
        palette->rgb[i][0] = entry[0];
        palette->rgb[i][1] = entry[1];
        palette->rgb[i][2] = entry[2];
      }
      palette->count = static_cast<int>(count);
      return true;
    }
    // Chunks are padded to an even size.
    std::size_t advance = 8 + static_cast<std::size_t>(chunkSize) + (chunkSize & 1);
    if (advance > size - at) break;
    at += advance;
  }
  *error = "RIFF PAL: the file has no data chunk";
  return false;
}

// --- raw table of 256 RGB triples -------------------------------------------------

// A table whose values are all 0..63 is a 6-bit VGA DAC table; each value v becomes
// (v * 255 + 31) / 63, i.e. v * 255 / 63 rounded to nearest, so 63 -> 255 and
// 32 -> 130.
void ParseRawTable(const unsigned char* data, Palette* palette) {
  bool sixBit = true;
  for (int i = 0; i < 768; ++i) {
    if (data[i] > 63) {
      sixBit = false;
      break;
    }
  }
  for (int i = 0; i < 256; ++i) {
    for (int c = 0; c < 3; ++c) {
      unsigned v = data[3 * i + c];
      palette->rgb[i][c] = static_cast<unsigned char>(sixBit ? (v * 255 + 31) / 63 : v);
    }
  }
  palette->count = 256;
}

// --- colour table of a BMP file ---------------------------------------------------

bool ParseBmp(const unsigned char* data, std::size_t size, Palette* palette,
              std::string* error) {
  if (size < 18) {
    *error = "BMP: the file is too short for a BMP header (" + std::to_string(size) +
             " bytes)";
    return false;
  }
  const std::uint64_t pixelOffset = ReadU32le(data + 10);
  const std::uint64_t headerSize = ReadU32le(data + 14);
  if (headerSize != 12 && (headerSize < 16 || headerSize > 124 + 4096)) {
    *error = "BMP: header size " + std::to_string(headerSize) + " is not a BMP header size";
    return false;
  }
  const std::uint64_t headerEnd = 14 + headerSize;
  const bool core = headerSize == 12;
  // The fields this reader needs: the bit count, and for the longer headers the
  // compression (bytes 30 to 33) and the number of colours used (46 to 49), each only
  // where the header holds it.
  const std::uint64_t needed = core ? 26 : headerSize >= 36 ? 50 : headerSize >= 20 ? 34 : 30;
  if (needed > size) {
    *error = "BMP: the file ends inside its " + std::to_string(headerSize) + "-byte header";
    return false;
  }
  const std::uint32_t bitCount = core ? ReadU16le(data + 24) : ReadU16le(data + 28);
  const std::uint32_t compression = (!core && headerSize >= 20) ? ReadU32le(data + 30) : 0;
  const std::uint64_t colorsUsed = (!core && headerSize >= 36) ? ReadU32le(data + 46) : 0;
  switch (bitCount) {
    case 0: case 1: case 2: case 4: case 8: case 16: case 24: case 32: case 64:
      break;
    default:
      *error = "BMP: bit count " + std::to_string(bitCount) + " is not a BMP bit count";
      return false;
  }
  const std::uint64_t entrySize = core ? 3 : 4;
  std::uint64_t tableStart = headerEnd;
  // A 40-byte header is followed by its channel masks when it names them.
  if (headerSize == 40 && compression == 3) tableStart += 12;
  if (headerSize == 40 && compression == 6) tableStart += 16;

  std::uint64_t count = colorsUsed;
  if (count == 0 && bitCount >= 1 && bitCount <= 8) {
    count = std::uint64_t(1) << bitCount;
    // The count is only implied here: a file whose pixels start sooner holds a
    // shorter table.
    if (pixelOffset > tableStart && pixelOffset < tableStart + count * entrySize) {
      count = (pixelOffset - tableStart) / entrySize;
    }
  }
  if (count == 0) {
    *error = "BMP: the " + std::to_string(bitCount) +
             "-bit image holds no colour table";
    return false;
  }
  if (count > 256) {
    *error = "BMP: the header gives " + std::to_string(count) +
             " colours, more than 256";
    return false;
  }
  if (tableStart + count * entrySize > size) {
    *error = "BMP: the colour table of " + std::to_string(count) + " entries at offset " +
             std::to_string(tableStart) + " runs past the end of the file (" +
             std::to_string(size) + " bytes)";
    return false;
  }
  // Entries are stored blue, green, red (then a reserved byte in 4-byte entries).
  const unsigned char* entry = data + tableStart;
  for (std::uint64_t i = 0; i < count; ++i, entry += entrySize) {
    palette->rgb[i][0] = entry[2];
    palette->rgb[i][1] = entry[1];
    palette->rgb[i][2] = entry[0];
  }
  palette->count = static_cast<int>(count);
  return true;
}

}  // namespace

bool ParsePalette(const unsigned char* data, std::size_t size, Palette* palette,
                  std::string* error) {
  // Build the result aside so that a failure leaves *palette as it was.
  Palette result;
  result.count = 0;
  std::memset(result.rgb, 0, sizeof result.rgb);
  bool ok = false;

  const unsigned char* text = data;
  std::size_t textSize = size;
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    text += 3;
    textSize -= 3;
  }
  LineReader first = StartLines(data, size);
  Span firstLine = {nullptr, nullptr};
  if (size > 0) NextLine(&first, &firstLine);

  if (size == 0) {
    *error = "not a palette file: the file is empty";
    return false;
  } else if (StartsWith(data, size, "BM")) {
    ok = ParseBmp(data, size, &result, error);
  } else if (StartsWith(data, size, "RIFF")) {
    ok = ParseRiff(data, size, &result, error);
  } else if (StartsWith(text, textSize, "JASC-PAL") && Equals(Trim(firstLine), "JASC-PAL")) {
    ok = ParseJasc(data, size, &result, error);
  } else if (StartsWith(text, textSize, "GIMP Palette") &&
             Equals(Trim(firstLine), "GIMP Palette")) {
    ok = ParseGimp(data, size, &result, error);
  } else if (LooksLikeHexList(data, size) &&
             ((size != 768 && size != 772) || IsAllText(data, size))) {
    ok = ParseHexList(data, size, &result, error);
  } else if (size == 768 || size == 772) {
    ParseRawTable(data, &result);
    ok = true;
  } else {
    *error =
        "not a palette file: it is no JASC-PAL, GIMP, RIFF PAL or BMP file, no list of hex "
        "colours, and no 768-byte table of 256 RGB triples (it has " +
        std::to_string(size) + " bytes)";
    return false;
  }
  if (ok) *palette = result;
  return ok;
}
