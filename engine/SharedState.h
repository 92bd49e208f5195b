// State shared between the main thread and the touch worker, without locks.
#pragma once

#include <atomic>
#include <cstdint>

#include "device/DriverChannel.h"

// 1: the worker must stop (or must not run). Written only by the main
// thread; the worker reads it afresh before every read.
extern std::atomic<int32_t> StopThread;
// 1 while the worker runs. Written only by the worker: 1 on entry, 0 as its
// very last action (a release store, so whoever sees 0 also sees everything
// the worker wrote, e.g. ReportBuf).
extern std::atomic<int32_t> ThreadRunning;
// Primary screen size in pixels, refreshed by the entry point, the main
// window, the GENERAL dialog and the worker.
extern std::atomic<uint32_t> ScreenWidth;
extern std::atomic<uint32_t> ScreenHeight;

// The one buffer that the worker and the calibration session read touch
// reports into; the session only while the worker is stopped.
extern ReportBytes ReportBuf;
