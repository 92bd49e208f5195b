// State shared between the main thread and the touch worker, without locks.
//
// | variable                 | written by                                  | read by                              |
// |--------------------------|---------------------------------------------|--------------------------------------|
// | StopThread               | main thread, only through engine/TouchThread | worker, before every read            |
// | ThreadRunning            | worker (engine/TouchThread): 1 on entry,    | main thread, through                 |
// |                          | 0 as its last action                        | TouchWorkerRunning                   |
// | ScreenWidth/ScreenHeight | main thread (start, display change, GENERAL | worker (engine), calibration window, |
// |                          | dialog) and worker, after every read        | drawing test                         |
// | ReportBuf                | worker; calibration session while no worker | the one that wrote it                |
// |                          | runs                                        |                                      |
// | LiveParams               | main thread (dialogs, calibration run,      | worker, every report                 |
// |                          | orientation)                                |                                      |
// | DeviceChanges            | main thread, through MarkWorkerChannelStale | worker, at every open                |
// |                          | (the worker's device went or was made anew) |                                      |
// | Parks                    | main thread, through MarkWorkerParked       | worker, at its start                 |
// | ParksCaughtUp            | worker, once it read away what was queued   | worker; the e2e tests                |
//
// Why no lock is needed:
// - StopThread and ThreadRunning are aligned 32-bit atomics with one writer
//   each; each test reads them afresh. The worker's last store (release) and
//   the waits' loads (acquire) order everything the worker wrote before it.
// - DeviceChanges and Parks are counters with one writer each; the worker
//   only compares them with values it read before (at its open, or stored
//   in ParksCaughtUp, which only workers write, one at a time).
// - ScreenWidth/ScreenHeight: relaxed atomics; every writer stores the same
//   system value, so the last one wins and any is right.
// - ReportBuf has one user at a time: the calibration run waits for the
//   worker's end (TouchWorkerRunning false) before the session reads into it
//   and starts the next worker only after the session.
// - LiveParams: every field is written with single stores of whole values
//   (WriteField), so the worker sees each field old or new, never torn; a
//   block rewritten as a whole (calibration) is written only while no worker
//   runs.
// - The worker's thread handle (engine/TouchThread_win32.cpp) is kept and
//   waited on by the main thread only.
#pragma once

#include <atomic>
#include <cstdint>

#include "device/DriverChannel.h"

// 1: the worker must stop (or is not wanted). Initially 1.
extern std::atomic<int32_t> StopThread;
// 1 while the worker runs.
extern std::atomic<int32_t> ThreadRunning;
// Bumped when the worker's device went or its interface was made anew: its
// channel may be dead since it was opened, and a stroke it was reading cut
// off (so every removal of the device bumps it, and so does the console's
// leaving, whose lifts another session's copy reads).
extern std::atomic<uint32_t> DeviceChanges;
// Bumped each time the copy parks its worker (the session locked, the
// display off): the driver goes on queueing reports nobody could see.
extern std::atomic<uint32_t> Parks;
// Parks as the last worker read it, stored once that worker had read away
// what the driver had queued meanwhile: equal to Parks, no queued report is
// left to turn into input.
extern std::atomic<uint32_t> ParksCaughtUp;
// Primary screen size in pixels.
extern std::atomic<uint32_t> ScreenWidth;
extern std::atomic<uint32_t> ScreenHeight;

// The one buffer that the worker and the calibration session read touch
// reports into.
extern ReportBytes ReportBuf;
