// The converter tail: unchanged for ordinary names, quoted where the interpreter
// would split or act on a name, refused where nothing can carry a name unchanged.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/converter_command.h"
#include "host/paths.h"

namespace {

std::string Str(const ShortText& t) { return std::string(t.bytes, t.length); }
ShortText Text(const std::string& s) {
  return TextFromBytes(s.data(), static_cast<unsigned>(s.size()));
}

struct Row {
  InterpreterRules rules;
  std::string directory, name, output, palette;
  TailVerdict verdict;
  std::string tail;  // the tail, or for a refusal the offending character
};

TEST(ConverterTail, ComposesQuotesAndRefuses) {
  const InterpreterRules cmd = kRulesCmd, posix = kRulesStandIn;
  const Row rows[] = {
      // Ordinary names: the tail is exactly the classic one.
      {cmd, "", "a.bmp", "-O new_", "-P game.pal", kTailReady,
       "/c hueswap a.bmp -O new_a.bmp -P game.pal"},
      {posix, "", "a.bmp", "-O new_", "-P game.pal", kTailReady,
       "/c hueswap a.bmp -O new_a.bmp -P game.pal"},
      {cmd, "", "a.bmp", "", "-P game.pal", kTailReady, "/c hueswap a.bmp a.bmp -P game.pal"},
      {cmd, "", "a.bmp", "-O out\\", "-P x.pal", kTailReady,
       "/c hueswap a.bmp -O out\\a.bmp -P x.pal"},
      // Empty option values stay as they were typed.
      {cmd, "", "a.bmp", "-O ", "-P ", kTailReady, "/c hueswap a.bmp -O a.bmp -P "},
      // A directory part goes in front of the input, and of the output in place.
      {cmd, "pics\\", "a.bmp", "", "-P p", kTailReady, "/c hueswap pics\\a.bmp pics\\a.bmp -P p"},
      {posix, "pics/", "a.bmp", "-O new_", "-P p", kTailReady,
       "/c hueswap pics/a.bmp -O new_a.bmp -P p"},
      // Separators and the interpreter's own characters are quoted.
      {cmd, "", "my pic.bmp", "-O new_", "-P p", kTailReady,
       "/c hueswap \"my pic.bmp\" -O \"new_my pic.bmp\" -P p"},
      {posix, "", "my pic.bmp", "", "-P p", kTailReady,
       "/c hueswap \"my pic.bmp\" \"my pic.bmp\" -P p"},
      {cmd, "", "a&b.bmp", "", "-P p", kTailReady, "/c hueswap \"a&b.bmp\" \"a&b.bmp\" -P p"},
      {posix, "", "a&b.bmp", "", "-P p", kTailReady, "/c hueswap a&b.bmp a&b.bmp -P p"},
      {cmd, "", "x^y(1);z,w=v|u<t>s.bmp", "-O o", "-P p", kTailReady,
       "/c hueswap \"x^y(1);z,w=v|u<t>s.bmp\" -O \"ox^y(1);z,w=v|u<t>s.bmp\" -P p"},
      {posix, "", "tab\there", "-O o", "-P p", kTailReady,
       "/c hueswap \"tab\there\" -O \"otab\there\" -P p"},
      {cmd, "", "a.bmp", "-O my dir\\", "-P my pal.pal", kTailReady,
       "/c hueswap a.bmp -O \"my dir\\a.bmp\" -P \"my pal.pal\""},
      // Backslashes before a closing quote are doubled for the C runtime.
      {cmd, "", "a.bmp", "", "-P my dir\\", kTailReady,
       "/c hueswap a.bmp a.bmp -P \"my dir\\\\\""},
      {cmd, "", "-P.bmp", "-O -O", "-P -P", kTailReady, "/c hueswap -P.bmp -O -O-P.bmp -P -P"},
      {cmd, "", "'$(x)`.bmp", "", "-P p", kTailReady,
       "/c hueswap \"'$(x)`.bmp\" \"'$(x)`.bmp\" -P p"},
      {posix, "", "'$(x)`.bmp", "", "-P p", kTailReady, "/c hueswap '$(x)`.bmp '$(x)`.bmp -P p"},
      {cmd, "", "\xe9t\xe9.bmp", "", "-P p", kTailReady,
       "/c hueswap \xe9t\xe9.bmp \xe9t\xe9.bmp -P p"},
      // What no quoting carries unchanged is refused.
      {cmd, "", "50%.bmp", "", "-P p", kTailUnsafeWord, "%"},
      {cmd, "", "hi!.bmp", "", "-P p", kTailUnsafeWord, "!"},
      {cmd, "", "a.bmp", "", "-P %PATH%", kTailUnsafeWord, "%"},
      {cmd, "", "line\nbreak.bmp", "", "-P p", kTailUnsafeWord, "\n"},
      {posix, "", "50%!.bmp", "", "-P p", kTailReady, "/c hueswap 50%!.bmp 50%!.bmp -P p"},
      {posix, "", "q\"uote.bmp", "", "-P p", kTailUnsafeWord, "\""},
      {posix, "", "line\nbreak.bmp", "", "-P p", kTailReady,
       "/c hueswap \"line\nbreak.bmp\" \"line\nbreak.bmp\" -P p"},
      // A zero byte would end the command line there.
      {posix, "", std::string("nul\0byte.bmp", 12), "", "-P p", kTailUnsafeWord,
       std::string(1, '\0')},
      {cmd, "", std::string("nul\0byte.bmp", 12), "", "-P p", kTailUnsafeWord,
       std::string(1, '\0')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name + " " + row.output + " " + row.palette);
    ConverterCommand command;
    ComposeConverterTail(Text(row.directory), Text(row.name), Text(row.output), Text(row.palette),
                         row.rules, &command);
    EXPECT_EQ(command.verdict, row.verdict);
    if (row.verdict == kTailReady) {
      EXPECT_EQ(Str(command.tail), row.tail);
    } else if (row.verdict == kTailUnsafeWord) {
      EXPECT_EQ(std::string(1, command.badCharacter), row.tail);
    }
  }
}

TEST(ConverterTail, TailsOver255CharactersAreNotCut) {
  for (size_t nameLength : {100u, 114u, 115u, 116u, 200u, 255u}) {
    std::string name = std::string(nameLength - 4, 'n') + ".bmp";
    ConverterCommand command;
    // "/c hueswap " + name + " -O x" + name + " -P p.pal" = 2 * length + 25
    ComposeConverterTail(Text(""), Text(name), Text("-O x"), Text("-P p.pal"), kRulesCmd, &command);
    unsigned expected = static_cast<unsigned>(2 * nameLength + 25);
    if (expected <= 255) {
      EXPECT_EQ(command.verdict, kTailReady) << nameLength;
      EXPECT_EQ(command.tail.length, expected);
    } else {
      EXPECT_EQ(command.verdict, kTailTooLong) << nameLength;
      EXPECT_EQ(command.length, expected);
      EXPECT_EQ(Str(SkipMessage(command)),
                "Skipped: its converter command line would be " + std::to_string(expected) +
                    " characters long, over the limit of 255");
    }
  }
  // The longest words, quoted with every backslash doubled, are still measured.
  std::string slashes(250, '\\');
  ConverterCommand command;
  ComposeConverterTail(Text(std::string(255, ' ')), Text(std::string(255, ' ')),
                       Text("-O " + std::string(252, ' ')), Text("-P " + slashes + " \\"), kRulesCmd,
                       &command);
  EXPECT_EQ(command.verdict, kTailTooLong);
}

TEST(ConverterTail, SkipMessagesNameTheCharacter) {
  ConverterCommand command;
  ComposeConverterTail(Text(""), Text("50%.bmp"), Text(""), Text("-P p"), kRulesCmd, &command);
  EXPECT_EQ(Str(SkipMessage(command)),
            "Skipped: a file or option name holds %, which the command interpreter "
            "cannot pass on unchanged");
  ComposeConverterTail(Text(""), Text("a\"b"), Text(""), Text("-P p"), kRulesStandIn, &command);
  EXPECT_EQ(Str(SkipMessage(command)),
            "Skipped: a file or option name holds a double quote, which the command "
            "interpreter cannot pass on unchanged");
}

// On Linux the stand-in splits the tail with the program's own tokenizer: every
// word it quoted must come back exactly.
TEST(ConverterTail, StandInSplittingGivesBackEveryName) {
  std::vector<std::string> names = {"a.bmp", "my pic.bmp", " lead", "trail ", "a\tb\nc",
                                    "\x01x", "\xff\xfe", "-O", "''", "a  b", "\\\\"};
  for (int c = 1; c < 256; ++c)
    if (c != '"') names.push_back(std::string("x") + static_cast<char>(c) + "y");
  for (const std::string& name : names) {
    ConverterCommand command;
    ComposeConverterTail(Text(""), Text(name), Text("-O new_"), Text("-P p q"), kRulesStandIn,
                         &command);
    ASSERT_EQ(command.verdict, kTailReady) << name;
    CommandWords words;
    ASSERT_TRUE(SplitInterpreterTail(command.tail, &words));
    ASSERT_EQ(words.count, 6) << name;
    EXPECT_EQ(Str(words.words[1]), name);
    EXPECT_EQ(Str(words.words[3]), "new_" + name);
    EXPECT_EQ(Str(words.words[5]), "p q");
  }
}

}  // namespace
