#include "engine/ScreenSize_win32.h"

#include <windows.h>

#include "engine/SharedState.h"

void RefreshScreenSize() {
    ScreenWidth.store(static_cast<uint32_t>(GetSystemMetrics(SM_CXSCREEN)), std::memory_order_relaxed);
    ScreenHeight.store(static_cast<uint32_t>(GetSystemMetrics(SM_CYSCREEN)), std::memory_order_relaxed);
}
