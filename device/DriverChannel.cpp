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
