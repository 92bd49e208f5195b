#include "engine/OwnMessages.h"

#include <atomic>

namespace {

// Notes left and not taken yet, per kind.
std::atomic<uint32_t> Notes[kOwnMessageCount];

std::atomic<uint32_t>& NotesOf(OwnMessage message) { return Notes[static_cast<int>(message)]; }

}  // namespace

void NoteOwnMessage(OwnMessage message) { NotesOf(message).fetch_add(1, std::memory_order_release); }

bool TakeOwnMessage(OwnMessage message) {
    std::atomic<uint32_t>& notes = NotesOf(message);
    uint32_t left = notes.load(std::memory_order_acquire);
    while (left > 0)
        if (notes.compare_exchange_weak(left, left - 1, std::memory_order_acq_rel)) return true;
    return false;
}
