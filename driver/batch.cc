// The batch run: for every entry the mask selects, a progress line, then the
// converter through the command interpreter, one entry at a time.
#include "driver/batch.h"

#include "common/status.h"
#include "driver/converter_command.h"
#include "host/host.h"
#include "host/paths.h"

namespace {

const char kInterpreterPath[] = "c:\\command.com";
const char kNotFoundLine[] = "Failed .....to find file";
const unsigned long kSearchAttributes = 0x20;

#ifdef _WIN32
const bool kWindowsPaths = true;
#else
const bool kWindowsPaths = false;
#endif

ShortText StartFailureLine(Status status) {
  ShortText line = TextFrom("Failed to start ");
  Append(&line, kInterpreterPath);
  Append(&line, ": ");
  Append(&line, DescribeStatus(status));
  return line;
}

// Converts the current entry; returns false when it failed or was skipped.
bool ConvertEntry(const SearchState& search, const ShortText& directory,
                  const ShortText& OutputOption, const ShortText& PaletteOption) {
  ShortText ProgressLine = TextFrom("Now doing: ");
  Append(&ProgressLine, OutputOption);
  Append(&ProgressLine, search.Name);
  Append(&ProgressLine, " ");
  Append(&ProgressLine, PaletteOption);
  WriteLine(ProgressLine);

  ConverterCommand command;
  ComposeConverterTail(directory, search.SystemName, OutputOption, PaletteOption,
                       HostInterpreterRules(), &command);
  if (command.verdict != kTailReady) {
    WriteLine(SkipMessage(command));
    return false;
  }
  unsigned long exitCode = 0;
  Status status = RunProgram(TextFrom(kInterpreterPath), command.tail, &exitCode);
  if (status != kStatusOk) {
    WriteLine(StartFailureLine(status));
    return false;
  }
  return exitCode == 0;
}

}  // namespace

int RunBatch(ShortText FileMask, ShortText OutputOption, ShortText PaletteOption) {
  ShortText directory = TextFromBytes(FileMask.bytes, DirectoryPartLength(FileMask, kWindowsPaths));
  SearchState search;
  bool allConverted = true;
  Status status = FindFirstMatch(FileMask, kSearchAttributes, &search);
  if (status != kStatusOk) WriteLine(TextFrom(kNotFoundLine));
  while (status == kStatusOk) {
    if (!ConvertEntry(search, directory, OutputOption, PaletteOption)) allConverted = false;
    status = FindNextMatch(&search);
  }
  CloseSearch(&search);
  return allConverted ? kExitSuccess : kExitFailure;
}
