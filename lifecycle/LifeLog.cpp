#include "lifecycle/LifeLog.h"

namespace {

constexpr uint32_t kValid = 1u << 31;
constexpr uint32_t kFieldMask = 0xFF;

}  // namespace

std::string Describe(const LifeTransition& t) {
    std::string text = std::string(Name(t.from)) + " --" + Name(t.event) + "--> " + Name(t.to) + ":";
    for (LifeAction action : kLifeActionOrder)
        if (t.actions & Bit(action)) text += std::string(" ") + Name(action);
    return text;
}

uint32_t PackTransition(const LifeTransition& t) {
    return kValid | static_cast<uint32_t>(t.from) | static_cast<uint32_t>(t.event) << 8 |
           static_cast<uint32_t>(t.to) << 16;
}

std::optional<LifeTransition> UnpackTransition(uint32_t word, LifeActions actions) {
    const uint32_t from = word & kFieldMask, event = (word >> 8) & kFieldMask, to = (word >> 16) & kFieldMask;
    if (!(word & kValid) || from >= kLifeStateCount || to >= kLifeStateCount || event >= kLifeEventCount)
        return std::nullopt;
    return LifeTransition{static_cast<LifeState>(from), static_cast<LifeEventKind>(event),
                          static_cast<LifeState>(to), actions};
}

void LifeLog::Add(const LifeTransition& transition) { ring_[count_++ % kCapacity] = transition; }

std::optional<LifeTransition> LifeLog::Back(uint32_t age) const {
    if (age >= count_ || age >= kCapacity) return std::nullopt;
    return ring_[(count_ - 1 - age) % kCapacity];
}
