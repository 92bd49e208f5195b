// The primary screen's size, as the worker and the dialogs that draw full
// screen need it.
#pragma once

// Stores the primary screen's width and height into ScreenWidth and
// ScreenHeight.
void RefreshScreenSize();
