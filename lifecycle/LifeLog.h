// The last transitions of the lifecycle, by name, for a support engineer
// without a debugger: the main window keeps them in a LifeLog, writes each
// with OutputDebugStringW and answers kMsgLifeLog with them (the e2e tool's
// `lifelog` prints them).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "lifecycle/Lifecycle.h"

struct LifeTransition {
    LifeState from;
    LifeEventKind event;
    LifeState to;
    LifeActions actions;
};

// "Running --DeviceNotice--> NoDevice: StopWorker ShowDetached", the
// actions in the order they are carried out.
std::string Describe(const LifeTransition& transition);

// The transition as one 32-bit word (bit 31 set), and back.
uint32_t PackTransition(const LifeTransition& transition);
std::optional<LifeTransition> UnpackTransition(uint32_t word, LifeActions actions);

class LifeLog {
public:
    static constexpr uint32_t kCapacity = 64;
    void Add(const LifeTransition& transition);
    // The entry `age` transitions back (0: the newest), if still kept.
    std::optional<LifeTransition> Back(uint32_t age) const;

private:
    std::array<LifeTransition, kCapacity> ring_{};
    uint32_t count_ = 0;
};
