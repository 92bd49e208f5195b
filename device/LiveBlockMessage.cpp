#include "device/LiveBlockMessage.h"

#include <algorithm>
#include <cstring>

namespace {

void Put(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

uint32_t Get(const uint8_t* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

std::array<uint8_t, kLiveRequestSize> EncodeLiveRequest(uint32_t nonce) {
    std::array<uint8_t, kLiveRequestSize> out{};
    Put(out.data(), kLiveRequestMagic);
    Put(out.data() + 4, nonce);
    return out;
}

std::optional<uint32_t> ParseLiveRequest(std::span<const uint8_t> data) {
    if (data.size() != kLiveRequestSize || Get(data.data()) != kLiveRequestMagic) return std::nullopt;
    return Get(data.data() + 4);
}

std::array<uint8_t, kLiveAnswerSize> EncodeLiveAnswer(uint32_t nonce, const ParameterBlock& block) {
    std::array<uint8_t, kLiveAnswerSize> out{};
    Put(out.data(), kLiveAnswerMagic);
    Put(out.data() + 4, nonce);
    const auto bytes = BlockBytes(block);
    std::copy(bytes.begin(), bytes.end(), out.begin() + 8);
    return out;
}

std::optional<std::array<uint8_t, kParameterBlockSize>> ParseLiveAnswer(std::span<const uint8_t> data,
                                                                        uint32_t nonce) {
    if (data.size() != kLiveAnswerSize || Get(data.data()) != kLiveAnswerMagic ||
        Get(data.data() + 4) != nonce)
        return std::nullopt;
    std::array<uint8_t, kParameterBlockSize> block{};
    std::copy(data.begin() + 8, data.end(), block.begin());
    return block;
}
