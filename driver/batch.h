#ifndef TINTSHIFT_DRIVER_BATCH_H
#define TINTSHIFT_DRIVER_BATCH_H

#include "common/short_text.h"

// Converts every file the mask selects; returns the program's exit status.
int RunBatch(ShortText FileMask, ShortText OutputOption, ShortText PaletteOption);

#endif
