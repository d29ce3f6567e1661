// The DOS mask matcher and the directory part of a mask.
//
// Input: mask bytes, a zero byte, name bytes. MaskMatches is checked against a plain
// recursive matcher (with a memo, so it stays polynomial) for short inputs; long
// inputs only have to finish, which libFuzzer's timeout watches.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "host/paths.h"

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

struct Model {
  const char* mask;
  std::size_t maskLength;
  const char* name;
  std::size_t nameLength;
  std::vector<signed char> memo;  // -1 unknown, 0 no, 1 yes

  bool Match(std::size_t i, std::size_t j) {
    signed char& known = memo[i * (nameLength + 1) + j];
    if (known >= 0) return known == 1;
    bool result;
    if (i == maskLength) {
      result = j == nameLength;
    } else if (mask[i] == '*') {
      result = Match(i + 1, j) || (j < nameLength && Match(i, j + 1));
    } else {
      result = j < nameLength && (mask[i] == '?' || Fold(mask[i]) == Fold(name[j])) &&
               Match(i + 1, j + 1);
    }
    known = result ? 1 : 0;
    return result;
  }
};

bool ModelMatches(const char* mask, std::size_t maskLength, const char* name,
                  std::size_t nameLength) {
  Model model = {mask, maskLength, name, nameLength,
                 std::vector<signed char>((maskLength + 1) * (nameLength + 1), -1)};
  return model.Match(0, 0);
}

void CheckDirectoryPart(const ShortText& mask, bool windowsRules) {
  const unsigned length = DirectoryPartLength(mask, windowsRules);
  FUZZ_CHECK(length <= mask.length);
  auto separator = [&](char c) { return c == '/' || (windowsRules && (c == '\\' || c == ':')); };
  if (length > 0) FUZZ_CHECK(separator(mask.bytes[length - 1]));
  for (unsigned i = length; i < mask.length; ++i) FUZZ_CHECK(!separator(mask.bytes[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  const void* zero = std::memchr(bytes, 0, size);
  const std::size_t maskLength = zero ? static_cast<const char*>(zero) - bytes : size;
  const char* name = zero ? bytes + maskLength + 1 : bytes + size;
  const std::size_t nameLength = bytes + size - name;

  // Exact-size copies, so that ASan sees any read past either end.
  std::vector<char> mask(bytes, bytes + maskLength);
  std::vector<char> nameCopy(name, name + nameLength);
  const bool matches = MaskMatches(mask.data(), static_cast<unsigned>(maskLength),
                                   nameCopy.data(), static_cast<unsigned>(nameLength));
  if (maskLength <= 64 && nameLength <= 64) {
    bool expected = ModelMatches(mask.data(), maskLength, nameCopy.data(), nameLength);
    if (!expected && maskLength >= 2 && mask[maskLength - 2] == '.' && mask[maskLength - 1] == '*')
      expected = ModelMatches(mask.data(), maskLength - 2, nameCopy.data(), nameLength);
    FUZZ_CHECK(matches == expected);
  }

  const ShortText maskText = TextFromBytes(mask.data(), static_cast<unsigned>(maskLength));
  CheckDirectoryPart(maskText, false);
  CheckDirectoryPart(maskText, true);
  return 0;
}
