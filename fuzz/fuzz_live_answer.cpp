// Any bytes as copy data arriving at rtouchctl's reply window or at the
// main window: an answer is taken only when it is exactly one, for the
// nonce asked, and then carries the bytes after the header; a request
// likewise. The first four bytes are the nonce the caller waits for.
#include <cstring>

#include "device/LiveBlockMessage.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const uint32_t nonce = in.u32();
    const std::span<const uint8_t> rest(data + (size - in.left()), in.left());
    const auto block = ParseLiveAnswer(rest, nonce);
    const bool isAnswer = rest.size() == kLiveAnswerSize &&
                          std::memcmp(rest.data(), &kLiveAnswerMagic, 4) == 0 &&
                          std::memcmp(rest.data() + 4, &nonce, 4) == 0;
    FUZZ_CHECK(block.has_value() == isAnswer);
    if (block) FUZZ_CHECK(std::memcmp(block->data(), rest.data() + 8, kParameterBlockSize) == 0);
    const auto request = ParseLiveRequest(rest);
    FUZZ_CHECK(request.has_value() ==
               (rest.size() == kLiveRequestSize && std::memcmp(rest.data(), &kLiveRequestMagic, 4) == 0));
    // What the copy sends is what the caller takes.
    if (block) {
        ParameterBlock b;
        std::memcpy(&b, block->data(), kParameterBlockSize);
        const auto again = EncodeLiveAnswer(nonce, b);
        FUZZ_CHECK(ParseLiveAnswer(again, nonce) == block);
        FUZZ_CHECK(!ParseLiveAnswer(again, nonce + 1));
    }
    return 0;
}
