// Temporary folders and small helpers for the tests that touch files.
#ifndef TINTSHIFT_TESTS_CONVERTER_TEST_FILES_H
#define TINTSHIFT_TESTS_CONVERTER_TEST_FILES_H

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "converter/palette.h"

namespace bmptest {

// A fresh folder under the system's temporary folder, removed with its files at the end.
class TempFolder {
 public:
  TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/hueswap-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    char* made = mkdtemp(buffer.data());
    path_ = made ? made : "";
  }
  ~TempFolder() {
    if (path_.empty()) return;
    for (const std::string& name : Names()) unlink((path_ + "/" + name).c_str());
    rmdir(path_.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // The names in the folder, sorted, without "." and "..".
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    DIR* dir = opendir(path_.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline bool FileExists(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0;
}

// A palette of a few plain colours, built directly.
inline Palette TestPalette() {
  static const unsigned char kColours[][3] = {
      {0, 0, 0},     {255, 255, 255}, {255, 0, 0},   {0, 255, 0},    {0, 0, 255},
      {255, 255, 0}, {0, 255, 255},   {255, 0, 255}, {128, 128, 128}, {128, 0, 0},
      {0, 128, 0},   {0, 0, 128},     {128, 128, 0}, {0, 128, 128},  {128, 0, 128},
      {192, 192, 192}};
  Palette palette;
  palette.count = 16;
  for (int i = 0; i < 16; ++i) {
    for (int c = 0; c < 3; ++c) palette.rgb[i][c] = kColours[i][c];
  }
  return palette;
}

// The same palette as a JASC-PAL file's text.
inline std::string TestPaletteJasc() {
  Palette palette = TestPalette();
  std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(palette.count) + "\r\n";
  for (int i = 0; i < palette.count; ++i) {
    text += std::to_string(palette.rgb[i][0]) + " " + std::to_string(palette.rgb[i][1]) + " " +
            std::to_string(palette.rgb[i][2]) + "\r\n";
  }
  return text;
}

}  // namespace bmptest

#endif
