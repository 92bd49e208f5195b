#include "device/DriverChannel.h"

bool ProbeDriver() {
    DriverChannel channel = OpenDriverChannel();
    if (channel == kInvalidChannel) return false;
    CloseDriverChannel(channel);
    return true;
}

bool SendParameterBlock(const ParameterBlock& block) {
    DriverChannel channel = OpenDriverChannel();
    if (channel == kInvalidChannel) return false;
    SendParametersOn(channel, block);
    CloseDriverChannel(channel);
    return true;
}

bool DetailSizeUsable(bool querySucceeded, uint32_t error, uint32_t requiredSize, uint32_t headerSize) {
    return !querySucceeded && error == kErrorInsufficientBuffer && requiredSize >= headerSize;
}
