#include "engine/SharedState.h"

std::atomic<int32_t> StopThread{1};
std::atomic<int32_t> ThreadRunning{0};
std::atomic<uint32_t> DeviceChanges{0};
std::atomic<uint32_t> Parks{0};
std::atomic<uint32_t> ParksCaughtUp{0};
std::atomic<uint32_t> ScreenWidth{0};
std::atomic<uint32_t> ScreenHeight{0};
ReportBytes ReportBuf{};
