#include "converter/bmp_source.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#endif

void InitMemorySource(ByteSource* source, const unsigned char* data, std::size_t size) {
  source->file = nullptr;
  source->data = data;
  source->size = size;
  source->position = 0;
  source->failed = false;
}

bool InitFileSource(ByteSource* source, std::FILE* file, std::string* error) {
  source->file = file;
  source->data = nullptr;
  source->size = 0;
  source->position = 0;
  source->failed = false;
#ifdef _WIN32
  struct _stati64 status;
  if (_fstati64(_fileno(file), &status) != 0) {
    *error = std::string("cannot read the file's size: ") + std::strerror(errno);
    return false;
  }
  if ((status.st_mode & _S_IFMT) != _S_IFREG) {
    *error = "not a regular file";
    return false;
  }
#else
  struct stat status;
  if (fstat(fileno(file), &status) != 0) {
    *error = std::string("cannot read the file's size: ") + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    *error = "not a regular file";
    return false;
  }
#endif
  if (status.st_size < 0) {
    *error = "cannot read the file's size";
    return false;
  }
  source->size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

std::size_t SourceRead(ByteSource* source, void* buffer, std::size_t count) {
  if (source->position >= source->size) return 0;
  std::uint64_t left = source->size - source->position;
  if (count > left) count = static_cast<std::size_t>(left);
  if (count == 0) return 0;
  if (source->file == nullptr) {
    std::memcpy(buffer, source->data + source->position, count);
    source->position += count;
    return count;
  }
  if (source->failed) return 0;
  std::size_t got = std::fread(buffer, 1, count, source->file);
  source->position += got;
  // A file that is shorter than its size said (it shrank while being read) is an I/O
  // failure as much as a read error.
  if (got < count) source->failed = true;
  return got;
}

bool SourceSeek(ByteSource* source, std::uint64_t offset) {
  if (offset > source->size) return false;
  if (offset == source->position) return true;
  if (source->file == nullptr) {
    source->position = offset;
    return true;
  }
  if (source->failed) return false;
  // A short step forward (row padding, a gap before the pixels) is read and dropped:
  // cheaper than a seek that throws away the stream's buffer.
  if (offset > source->position && offset - source->position <= 4096) {
    unsigned char scratch[4096];
    std::size_t step = static_cast<std::size_t>(offset - source->position);
    return SourceRead(source, scratch, step) == step;
  }
#ifdef _WIN32
  int result = _fseeki64(source->file, static_cast<__int64>(offset), SEEK_SET);
#else
  int result = fseeko(source->file, static_cast<off_t>(offset), SEEK_SET);
#endif
  if (result != 0) {
    source->failed = true;
    return false;
  }
  source->position = offset;
  return true;
}
