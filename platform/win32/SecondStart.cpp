#include "SecondStart.h"

#include "FormWindow.h"

namespace platform::win32 {

namespace {

// A menu that runs holds this object, in the session's own namespace, from its start to its end; nothing
// is written anywhere.
constexpr wchar_t kRunningMark[] = L"Local\\Quintaral.StartMenu";
// How long a second start waits for the first one's window, which may be on its way.
constexpr DWORD kPatienceMs = 10000;
constexpr DWORD kPollMs = 50;
// Registered once, on the window thread: a plain variable, without the runtime's guarded initialization.
UINT g_comeForward = 0;

// Windows gives the foreground only to the process that has the user's input (on XP a menu that AutoPlay
// started has not): this start, which has it, hands it on, and the first menu takes it itself.
void BringRunningMenuForward(HWND form) {
    if (BringForward(form)) return;
    DWORD first = 0;
    GetWindowThreadProcessId(form, &first);
    AllowSetForegroundWindow(first);
    PostMessageW(form, ComeForwardMessage(), 0, 0);
}

}  // namespace

UINT ComeForwardMessage() {
    if (g_comeForward) return g_comeForward;
    g_comeForward = RegisterWindowMessageW(L"Quintaral.StartMenu.ComeForward");
    // A menu that runs elevated takes it from a second start that does not (Vista and later).
    using FilterFunction = BOOL(WINAPI*)(UINT, DWORD);
    constexpr DWORD kAllow = 1;  // MSGFLT_ADD
    if (auto filter = reinterpret_cast<FilterFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilter")))) {
        filter(g_comeForward, kAllow);
    }
    return g_comeForward;
}

HWND RunningMenuWindow() {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, kFormClass, nullptr));) {
        if (IsWindowVisible(window)) return window;
    }
    return nullptr;
}

bool BringForward(HWND form) {
    if (IsIconic(form)) ShowWindow(form, SW_RESTORE);
    HWND front = GetLastActivePopup(form);
    BringWindowToTop(front);
    return SetForegroundWindow(front);
}

// AutoPlay is slow to ask, and users start the menu again by hand. A mark that exists but may not be opened
// (the first menu runs elevated or as another user) is another menu's all the same.
bool FirstStart(OwnedHandle& mark) {
    const DWORD started = GetTickCount();
    do {
        HANDLE created = CreateMutexW(nullptr, TRUE, kRunningMark);
        const DWORD error = GetLastError();
        mark.Reset(created);
        if (created ? error != ERROR_ALREADY_EXISTS : error != ERROR_ACCESS_DENIED) return true;
        if (HWND window = RunningMenuWindow()) {
            BringRunningMenuForward(window);
            return false;
        }
        // The other menu may be ending: then this one is the menu, also where the other's end came before it let
        // its mark go. A mark that may not be waited on is asked for again: it goes with the menu that holds it.
        if (!created) {
            Sleep(kPollMs);
            continue;
        }
        const DWORD waited = WaitForSingleObject(created, kPollMs);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;
    } while (GetTickCount() - started < kPatienceMs);
    return false;
}

}  // namespace platform::win32
