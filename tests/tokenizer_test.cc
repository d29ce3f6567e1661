#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"

namespace {

std::string Str(const ShortText& t) { return std::string(t.bytes, t.length); }

struct Row {
  const char* raw;
  int count;
  std::vector<std::string> arguments;  // arguments 1.. up to the first empty one
};

TEST(Tokenizer, SplitsRawCommandLines) {
  const Row rows[] = {
      {"prog *.bmp -o new_ -P x.pal", 5, {"*.bmp", "-o", "new_", "-P", "x.pal"}},
      {"prog", 0, {}},
      {"prog  \t  ", 0, {}},
      {"", -1, {}},
      {"\"C:\\my tools\\prog.exe\" *.bmp", 1, {"*.bmp"}},
      {"prog \"\" *.bmp", 1, {"*.bmp"}},
      {"prog a\"\"b", 1, {"ab"}},
      {"prog a\"b c\"d", 1, {"ab cd"}},
      {"prog \"dir name\\*.bmp\" -p x", 3, {"dir name\\*.bmp", "-p", "x"}},
      {"prog \"unfinished text", 1, {"unfinished text"}},
      {"prog x \"", 1, {"x"}},
      {"prog\ta\tb", 2, {"a", "b"}},
      {"prog \x01" "a\x1f" "b", 2, {"a", "b"}},
      {"prog \xe9t\xe9.bmp \xff", 2, {"\xe9t\xe9.bmp", "\xff"}},
      {"prog back\\\"slash x\"", 1, {"back\\slash x"}},
      {"prog \"\"\"\" a", 1, {"a"}},
      {"prog \"a\"\"b\"", 1, {"ab"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.raw);
    EXPECT_EQ(CountArgumentsIn(row.raw), row.count);
    for (size_t i = 0; i < row.arguments.size(); ++i)
      EXPECT_EQ(Str(ArgumentIn(row.raw, static_cast<int>(i + 1), nullptr)), row.arguments[i]);
    EXPECT_EQ(Str(ArgumentIn(row.raw, static_cast<int>(row.arguments.size() + 1), nullptr)), "");
  }
}

TEST(Tokenizer, ProgramNameIsArgumentZero) {
  EXPECT_EQ(Str(ArgumentIn("\"C:\\my tools\\prog.exe\" *.bmp", 0, nullptr)),
            "C:\\my tools\\prog.exe");
}

TEST(Tokenizer, LongTokensAreCutButTheirLengthIsReported) {
  for (size_t length : {254u, 255u, 256u, 300u, 5000u}) {
    std::string word(length, 'w');
    std::string raw = "prog " + word + " next";
    unsigned full = 0;
    ShortText token = ArgumentIn(raw.c_str(), 1, &full);
    EXPECT_EQ(full, length);
    EXPECT_EQ(Str(token), word.substr(0, 255));
    EXPECT_EQ(Str(ArgumentIn(raw.c_str(), 2, nullptr)), "next");
    EXPECT_EQ(CountArgumentsIn(raw.c_str()), 2);
  }
}

}  // namespace
