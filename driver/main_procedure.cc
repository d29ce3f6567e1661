#include "driver/main_procedure.h"

#include "driver/batch.h"
#include "driver/options.h"
#include "host/host.h"

ShortText FileMask;
ShortText OutputOption;
ShortText PaletteOption;

void ShowUsage() {
  WriteLine(TextFrom(kUsageLines[0]));
  WriteLine(TextFrom(kUsageLines[1]));
  EndProgram(kExitFailure);
}

void MainProcedure() {
  Invocation invocation;
  TooLongArgument tooLong;
  switch (ReadInvocation(RawCommandLine(), &invocation, &tooLong)) {
    case kInvocationTooLong:
      WriteLine(TooLongMessage(tooLong));
      EndProgram(kExitFailure);
    case kInvocationUsage:
      ShowUsage();
    case kInvocationRun:
      break;
  }
  FileMask = invocation.FileMask;
  OutputOption = invocation.OutputOption;
  PaletteOption = invocation.PaletteOption;
  EndProgram(RunBatch(FileMask, OutputOption, PaletteOption));
}
