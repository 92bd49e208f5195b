// Reading the primary display's current settings; the program never
// changes the display mode.
#pragma once

#include <windows.h>

// The current orientation of the primary display (0..3, DMDO_DEFAULT ..
// DMDO_270); false, leaving `orientation` untouched, when it cannot be read.
bool ReadDisplayOrientation(DWORD& orientation);
