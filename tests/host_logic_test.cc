// The host layer's pure rules: attribute filter, mask matching, command-line
// composition, the interpreter's word splitting and the search's name list.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/host.h"
#include "host/paths.h"

namespace {

std::string Str(const ShortText& t) { return std::string(t.bytes, t.length); }
ShortText Text(const std::string& s) {
  return TextFromBytes(s.data(), static_cast<unsigned>(s.size()));
}

TEST(SearchFilter, EachAttributeBitWithTheArchiveSelection) {
  struct Row {
    unsigned long attributes;
    bool accepted;
  };
  const Row rows[] = {
      {0x00, true},  {0x01, true},  {0x02, false}, {0x04, false}, {0x08, false},
      {0x10, false}, {0x20, true},  {0x21, true},  {0x22, false}, {0x30, false},
      {0x40, true},  {0x80, true},  {0x100, true}, {0x2000, true}, {0x12, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(EntryAccepted(row.attributes, 0x20), row.accepted) << std::hex << row.attributes;
  // A selection brings its bits back in.
  EXPECT_TRUE(EntryAccepted(0x10, 0x30));
  EXPECT_TRUE(EntryAccepted(0x06, 0x26));
  EXPECT_FALSE(EntryAccepted(0x06, 0x22));
}

TEST(MaskMatcher, DosWildcards) {
  struct Row {
    const char* mask;
    const char* name;
    bool matches;
  };
  const Row rows[] = {
      {"*.bmp", "a.bmp", true},       {"*.bmp", "A.BMP", true},
      {"*.BMP", "pic.bmp", true},     {"*.bmp", "a.bmpx", false},
      {"*.bmp", "bmp", false},        {"*.bmp", ".bmp", true},
      {"*.*", "noext", true},         {"*.*", "a.b.c", true},
      {"*.*", ".hidden", true},       {"*", "anything", true},
      {"a?c.bmp", "abc.bmp", true},   {"a?c.bmp", "ac.bmp", false},
      {"a?c.bmp", "abbc.bmp", false}, {"?", "", false},
      {"a*.*", "abc", true},          {"x.*", "x", true},
      {"x.*", "xy", false},           {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"new_*.bmp", "new_a.bmp", true}, {"new_*.bmp", "a.bmp", false},
      {"\xe9*.bmp", "\xe9t\xe9.bmp", true}, {"\xc9*.bmp", "\xe9t\xe9.bmp", false},
      {"", "a", false},               {"*?", "", false},
      {"my pic.bmp", "MY PIC.BMP", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MaskMatches(row.mask, TextLength(row.mask), row.name, TextLength(row.name)),
              row.matches)
        << row.mask << " ~ " << row.name;
  }
}

TEST(MaskMatcher, DirectoryPart) {
  struct Row {
    const char* mask;
    bool windowsRules;
    unsigned length;
  };
  const Row rows[] = {
      {"*.bmp", false, 0},          {"pics/*.bmp", false, 5},
      {"a/b/c*.bmp", false, 4},     {"pics\\*.bmp", false, 0},
      {"pics\\*.bmp", true, 5},     {"c:*.bmp", true, 2},
      {"c:\\x/y\\*.bmp", true, 7},  {"/*.bmp", false, 1},
      {"dir/", false, 4},
  };
  for (const Row& row : rows)
    EXPECT_EQ(DirectoryPartLength(TextFrom(row.mask), row.windowsRules), row.length) << row.mask;
}

TEST(CommandLine, PathIsQuotedAndTheTailLeftAlone) {
  struct Row {
    const char* path;
    std::string tail;
    std::string expected;
  };
  const std::string longTail(255, 't');
  const std::string longPath(255, 'p');
  const Row rows[] = {
      {"c:\\command.com", "/c hueswap a.bmp -O new_a.bmp -P game.pal",
       "\"c:\\command.com\" /c hueswap a.bmp -O new_a.bmp -P game.pal"},
      {"c:\\command.com", "", "\"c:\\command.com\" "},
      {"prog", "\"quoted\" as is ", "\"prog\" \"quoted\" as is "},
      {"C:\\my tools\\x.exe", "a", "\"C:\\my tools\\x.exe\" a"},
      {longPath.c_str(), longTail, "\"" + longPath + "\" " + longTail},
  };
  for (const Row& row : rows) {
    char out[kCommandLineMax + 1];
    unsigned length = ComposeCommandLine(TextFrom(row.path), Text(row.tail), out);
    EXPECT_EQ(std::string(out, length), row.expected);
    EXPECT_EQ(out[length], 0);
  }
}

TEST(Interpreter, SplitsTheSlashCCommand) {
  struct Row {
    const char* tail;
    bool ok;
    std::vector<std::string> words;
  };
  const Row rows[] = {
      {"/c hueswap a.bmp -O new_a.bmp -P game.pal", true,
       {"hueswap", "a.bmp", "-O", "new_a.bmp", "-P", "game.pal"}},
      {"/C prog", true, {"prog"}},
      {"/c\tprog x", true, {"prog", "x"}},
      {"/c hueswap \"my pic.bmp\" x", true, {"hueswap", "my pic.bmp", "x"}},
      {"/c hueswap a&b;c|d", true, {"hueswap", "a&b;c|d"}},
      {"/c", false, {}},
      {"/c ", false, {}},
      {"/chueswap", false, {}},
      {"/k prog", false, {}},
      {"c prog", false, {}},
      {"", false, {}},
      {"/c \"\"", false, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tail);
    CommandWords words;
    EXPECT_EQ(SplitInterpreterTail(TextFrom(row.tail), &words), row.ok);
    std::vector<std::string> got;
    for (int i = 0; i < words.count; ++i) got.push_back(Str(words.words[i]));
    if (row.ok) {
      EXPECT_EQ(got, row.words);
    }
  }
  EXPECT_TRUE(EqualIgnoringCase(TextFrom("C:\\COMMAND.COM"), "c:\\command.com"));
  EXPECT_FALSE(EqualIgnoringCase(TextFrom("c:\\command.co"), "c:\\command.com"));
}

TEST(NameList, HoldsManyNamesInOrder) {
  NameList list;
  InitNameList(&list);
  const int count = 100000;
  for (int i = 0; i < count; ++i) {
    std::string name = "file" + std::to_string(i) + ".bmp";
    ASSERT_TRUE(AddName(&list, Text(name), Text("oem-" + name)));
  }
  AddName(&list, Text(std::string(255, 'L')), Text(""));
  ShortText system, console;
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(TakeName(&list, &system, &console));
    ASSERT_EQ(Str(system), "file" + std::to_string(i) + ".bmp");
    ASSERT_EQ(Str(console), "oem-file" + std::to_string(i) + ".bmp");
  }
  ASSERT_TRUE(TakeName(&list, &system, &console));
  EXPECT_EQ(Str(system), std::string(255, 'L'));
  EXPECT_EQ(Str(console), "");
  EXPECT_FALSE(TakeName(&list, &system, &console));
  FreeNameList(&list);
  EXPECT_EQ(list.data, nullptr);
}

}  // namespace
