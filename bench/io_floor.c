/* The least any converter that keeps hueswap's safety must do for one file, with no
 * conversion at all: read the palette file, read the input, write an output as large
 * as hueswap's (8-bit, one byte per pixel, the colour table counted at 256 entries)
 * to a new temporary file, sync that file to disk, and rename it over the output.
 * Spawned once per file by spawn_each, it is the floor of a batch that starts a
 * process per file and keeps its results safe on this machine's disk.
 *   io_floor INPUT -O OUTPUT -P PALETTE */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int ReadAll(const char* path, unsigned char** bytes, size_t* size) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return 0;
  *size = (size_t)st.st_size;
  *bytes = malloc(*size + 1);
  ssize_t got = read(fd, *bytes, *size);
  close(fd);
  return *bytes != NULL && got == (ssize_t)*size;
}

int main(int argc, char** argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: io_floor INPUT -O OUTPUT -P PALETTE\n");
    return 2;
  }
  unsigned char *palette, *input;
  size_t paletteSize, inputSize;
  if (!ReadAll(argv[5], &palette, &paletteSize) || !ReadAll(argv[1], &input, &inputSize) ||
      inputSize < 26) {
    return 1;
  }
  int width = input[18] | input[19] << 8, height = input[22] | input[23] << 8;
  size_t outputSize = 54 + 4 * 256 + (size_t)((width + 3) / 4 * 4) * (size_t)height;
  unsigned char* output = calloc(outputSize, 1);
  char temporary[4200];
  snprintf(temporary, sizeof temporary, "%s.%d.tmp", argv[3], (int)getpid());
  int fd = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 || output == NULL) return 1;
  int ok = write(fd, output, outputSize) == (ssize_t)outputSize && fsync(fd) == 0;
  ok &= close(fd) == 0;
  ok = ok && rename(temporary, argv[3]) == 0;
  return ok ? 0 : 1;
}
