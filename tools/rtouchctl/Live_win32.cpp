#include <windows.h>

#include <cstdio>

#include "device/LiveBlockMessage.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Live.h"

namespace {

constexpr wchar_t kMainClassName[] = L"ZRN_RTouch";
constexpr wchar_t kReplyClassName[] = L"rtouchctl.LiveBlockReply";
// A copy that does not answer within this time is taken for gone (ended,
// or hung).
constexpr UINT kRequestTimeoutMs = 5000;
constexpr DWORD kAllowMessage = 1;  // MSGFLT_ALLOW, MSGFLT_ADD

// What the reply window waits for; it lives on this thread only.
struct Awaited {
    UINT id = 0;
    uint32_t nonce = 0;
    DWORD copyProcess = 0;
    std::optional<BlockImage> block;
};
Awaited Wait;

LRESULT CALLBACK ReplyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
    // Only the copy asked may answer, and only this request.
    const auto* reply = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    DWORD sender = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(wParam), &sender);
    if (!reply || reply->dwData != Wait.id || !reply->lpData || sender != Wait.copyProcess) return FALSE;
    Wait.block = ParseLiveAnswer(
        {static_cast<const uint8_t*>(reply->lpData), static_cast<size_t>(reply->cbData)}, Wait.nonce);
    return Wait.block ? TRUE : FALSE;
}

// An elevated rtouchctl (keep) would not receive the copy's answer from an
// unelevated copy: Windows drops copy data sent up in integrity unless the
// window allows it (Vista's call, then 7's per-window one). XP has neither
// and needs neither.
void AllowAnswerFromBelow(HWND window) {
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (!user) return;
    using PerWindow = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using PerProcess = BOOL(WINAPI*)(UINT, DWORD);
    if (auto allow = reinterpret_cast<PerWindow>(
            reinterpret_cast<void (*)()>(GetProcAddress(user, "ChangeWindowMessageFilterEx"))))
        allow(window, WM_COPYDATA, kAllowMessage, nullptr);
    else if (auto allowAll = reinterpret_cast<PerProcess>(
                 reinterpret_cast<void (*)()>(GetProcAddress(user, "ChangeWindowMessageFilter"))))
        allowAll(WM_COPYDATA, kAllowMessage);
}

std::optional<BlockImage> NoCopy(const char* why, int& status) {
    std::fprintf(stderr, "rtouchctl: %s\n", why);
    status = kExitNoCopy;
    return std::nullopt;
}

}  // namespace

std::optional<BlockImage> FetchLiveBlock(int& status) {
    HWND copy = FindWindowW(kMainClassName, nullptr);
    DWORD session = 0, ours = 0;
    if (!copy || !GetWindowThreadProcessId(copy, &Wait.copyProcess) ||
        !ProcessIdToSessionId(Wait.copyProcess, &session) ||
        !ProcessIdToSessionId(GetCurrentProcessId(), &ours) || session != ours)
        return NoCopy("no rtouch copy runs in this session", status);
    Wait.id = RegisterWindowMessageW(kLiveBlockMessageName);
    Wait.nonce = GetTickCount() ^ (GetCurrentProcessId() << 12);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ReplyProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kReplyClassName;
    RegisterClassW(&windowClass);
    HWND reply =
        CreateWindowExW(0, kReplyClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (!Wait.id || !reply) return NoCopy("cannot make a window for the copy's answer", status);
    AllowAnswerFromBelow(reply);
    auto request = EncodeLiveRequest(Wait.nonce);
    COPYDATASTRUCT data{Wait.id, static_cast<DWORD>(request.size()), request.data()};
    DWORD_PTR answered = 0;
    // The answer arrives while this call waits: a thread inside
    // SendMessage handles the messages sent to its windows.
    const bool sent = SendMessageTimeoutW(copy, WM_COPYDATA, reinterpret_cast<WPARAM>(reply),
                                          reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                          kRequestTimeoutMs, &answered) != 0;
    DestroyWindow(reply);
    if (!sent || !Wait.block) return NoCopy("the rtouch copy of this session did not answer", status);
    return Wait.block;
}
