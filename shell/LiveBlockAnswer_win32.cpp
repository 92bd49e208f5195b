#include "shell/LiveBlockAnswer_win32.h"

#include "device/LiveBlockMessage.h"
#include "device/ParameterBlock.h"

namespace {

// A caller that does not take the answer within this time gets none: the
// main window must not wait on another program for long.
constexpr UINT kAnswerTimeoutMs = 2000;

UINT LiveBlockId() {
    static const UINT id = RegisterWindowMessageW(kLiveBlockMessageName);
    return id;
}

// Windows keeps sessions' desktops apart; this also holds where a window
// handle of another session could be named.
bool InThisSession(HWND caller) {
    DWORD process = 0, theirs = 0, ours = 0;
    return IsWindow(caller) && GetWindowThreadProcessId(caller, &process) &&
           ProcessIdToSessionId(process, &theirs) && ProcessIdToSessionId(GetCurrentProcessId(), &ours) &&
           theirs == ours;
}

}  // namespace

LRESULT AnswerLiveBlockRequest(HWND window, WPARAM sender, LPARAM data) {
    const auto* request = reinterpret_cast<const COPYDATASTRUCT*>(data);
    const UINT id = LiveBlockId();
    if (!request || !id || request->dwData != id || !request->lpData) return FALSE;
    const auto nonce = ParseLiveRequest(
        {static_cast<const uint8_t*>(request->lpData), static_cast<size_t>(request->cbData)});
    HWND caller = reinterpret_cast<HWND>(sender);
    if (!nonce || !InThisSession(caller)) return FALSE;
    // The main thread is the block's only writer: a plain copy is whole.
    auto answer = EncodeLiveAnswer(*nonce, LiveParams);
    COPYDATASTRUCT reply{id, static_cast<DWORD>(answer.size()), answer.data()};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(caller, WM_COPYDATA, reinterpret_cast<WPARAM>(window),
                        reinterpret_cast<LPARAM>(&reply), SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs,
                        &result);
    return TRUE;
}
