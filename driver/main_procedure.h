#ifndef TINTSHIFT_DRIVER_MAIN_PROCEDURE_H
#define TINTSHIFT_DRIVER_MAIN_PROCEDURE_H

#include "common/short_text.h"

extern ShortText FileMask;
extern ShortText OutputOption;
extern ShortText PaletteOption;

// Reads the invocation and either shows the usage text or runs the batch; ends the
// program in every case.
[[noreturn]] void MainProcedure();

[[noreturn]] void ShowUsage();

#endif
