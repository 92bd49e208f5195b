// The one request another program may make of a running copy: its live
// parameter block, asked and answered as copy data (WM_COPYDATA) whose
// identifier is the message registered under kLiveBlockMessageName. The
// request carries only a number the answer repeats; nothing in it can
// change the copy's state. Decoded here, strictly, in plain C++.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "device/ParameterBlock.h"

inline constexpr wchar_t kLiveBlockMessageName[] = L"ZRN_RTouch.LiveBlock";

inline constexpr uint32_t kLiveRequestMagic = 0x5152424Cu;  // "LBRQ"
inline constexpr uint32_t kLiveAnswerMagic = 0x4152424Cu;   // "LBRA"
inline constexpr size_t kLiveRequestSize = 8;               // magic, nonce
inline constexpr size_t kLiveAnswerSize = 8 + kParameterBlockSize;

std::array<uint8_t, kLiveRequestSize> EncodeLiveRequest(uint32_t nonce);
// The request's nonce; nullopt for anything but exactly a request.
std::optional<uint32_t> ParseLiveRequest(std::span<const uint8_t> data);

std::array<uint8_t, kLiveAnswerSize> EncodeLiveAnswer(uint32_t nonce, const ParameterBlock& block);
// The block of the answer to the request with `nonce`; nullopt for
// anything else (another size, magic or nonce).
std::optional<std::array<uint8_t, kParameterBlockSize>> ParseLiveAnswer(std::span<const uint8_t> data,
                                                                        uint32_t nonce);
