// Input synthesis on Windows: one gesture map entry into the system's input
// stream, for whichever window has the focus.
#pragma once

#include "device/ParameterBlock.h"

// Reads the entry's two bytes once, then sends its modifier downs, its key
// stroke (keybd_event) or wheel step (mouse_event) and its modifier ups,
// with no delay and no check of the results.
void InjectGesture(const GestureMapEntry* entry);
