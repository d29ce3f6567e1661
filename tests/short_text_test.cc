#include <string>

#include <gtest/gtest.h>

#include "common/short_text.h"

namespace {

std::string Str(const ShortText& t) { return std::string(t.bytes, t.length); }

TEST(ShortText, AssignmentKeepsTheFirst255Characters) {
  struct Row {
    size_t length;
    size_t kept;
  };
  const Row rows[] = {{0, 0}, {1, 1}, {254, 254}, {255, 255}, {256, 255}, {1000, 255}};
  for (const Row& row : rows) {
    std::string source(row.length, 'x');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>('a' + i % 26);
    ShortText t = TextFromBytes(source.data(), static_cast<unsigned>(source.size()));
    EXPECT_EQ(Str(t), source.substr(0, row.kept)) << "length " << row.length;
  }
}

TEST(ShortText, ConcatenationDropsWhatDoesNotFit) {
  struct Row {
    size_t left, right, expectedLength;
    bool whole;
  };
  const Row rows[] = {
      {0, 0, 0, true},       {3, 4, 7, true},        {250, 5, 255, true},
      {250, 6, 255, false},  {255, 1, 255, false},   {0, 255, 255, true},
  };
  for (const Row& row : rows) {
    std::string a(row.left, 'a'), b(row.right, 'b');
    ShortText ta = TextFromBytes(a.data(), static_cast<unsigned>(a.size()));
    ShortText tb = TextFromBytes(b.data(), static_cast<unsigned>(b.size()));
    ShortText joined = Concat(ta, tb);
    EXPECT_EQ(Str(joined), (a + b).substr(0, 255)) << row.left << "+" << row.right;
    EXPECT_EQ(joined.length, row.expectedLength);
    EXPECT_EQ(Append(&ta, tb), row.whole);
    EXPECT_EQ(Str(ta), Str(joined));
  }
}

TEST(ShortText, EqualityIsExactAndCaseSensitive) {
  EXPECT_TRUE(Equal(TextFrom("-P"), "-P"));
  EXPECT_FALSE(Equal(TextFrom("-P"), "-p"));
  EXPECT_FALSE(Equal(TextFrom("-P"), "-P "));
  EXPECT_FALSE(Equal(TextFrom(""), "-"));
  EXPECT_TRUE(Equal(TextFrom(""), ""));
  const char withZero[] = {'a', 0, 'b'};
  EXPECT_FALSE(Equal(TextFromBytes(withZero, 3), TextFromBytes(withZero, 1)));
}

TEST(ShortText, ZeroTerminatedCopyAndNumbers) {
  char out[256];
  std::string full(255, 'z');
  ToZeroTerminated(TextFrom(full.c_str()), out);
  EXPECT_EQ(std::string(out), full);
  EXPECT_EQ(Str(TextFromNumber(0)), "0");
  EXPECT_EQ(Str(TextFromNumber(18)), "18");
  EXPECT_EQ(Str(TextFromNumber(4294967295UL)), "4294967295");
}

}  // namespace
