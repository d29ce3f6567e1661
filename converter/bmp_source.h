// Where the BMP decoder reads its bytes from: an open file or a buffer in memory.
// One plain struct for both, so the same decoder code runs on a file (hueswap) and on
// arbitrary bytes handed over by a test or a fuzz target.
#ifndef TINTSHIFT_CONVERTER_BMP_SOURCE_H
#define TINTSHIFT_CONVERTER_BMP_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

struct ByteSource {
  std::FILE* file;                 // the file read from, or null for memory
  const unsigned char* data;       // the bytes read from when file is null
  std::uint64_t size;              // total number of bytes (the file's real size)
  std::uint64_t position;          // offset of the next byte read
  bool failed;                     // a read or seek of the file failed (an I/O error)
};

// A source over size bytes at data; the bytes must stay valid while it is used.
void InitMemorySource(ByteSource* source, const unsigned char* data, std::size_t size);

// A source over an open file, read from its start. Takes the file's real size from the
// operating system; refuses anything but a regular file. Does not close the file.
bool InitFileSource(ByteSource* source, std::FILE* file, std::string* error);

// Reads up to count bytes at the current position into buffer and returns how many
// were read: fewer than count only at the end of the data or after an I/O error
// (then source->failed is set).
std::size_t SourceRead(ByteSource* source, void* buffer, std::size_t count);

// Moves the position to offset, which must not lie beyond the end of the data.
// Returns false (and sets source->failed for a file) if that is impossible.
bool SourceSeek(ByteSource* source, std::uint64_t offset);

#endif
