#include "SecondStart.h"

#include "FormWindow.h"

namespace platform::win32 {

namespace {

// A menu that runs holds this object, in the session's own namespace, from its start to its end; nothing
// is written anywhere.
constexpr wchar_t kRunningMark[] = L"Local\\Quintaral.StartMenu";
// How long a second start waits for the first one's window, which may be on its way.
constexpr DWORD kPatienceMs = 10000;

// The window that a menu running in this session shows, or the message box it waits on; nullptr for none.
HWND RunningMenuWindow() {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, kFormClass, nullptr));) {
        if (IsWindowVisible(window)) return GetLastActivePopup(window);
    }
    return nullptr;
}

}  // namespace

// AutoPlay is slow to ask, and users start the menu again by hand.
bool FirstStart(OwnedHandle& mark) {
    HANDLE created = CreateMutexW(nullptr, TRUE, kRunningMark);
    const DWORD error = GetLastError();
    mark.Reset(created);
    if (!created || error != ERROR_ALREADY_EXISTS) return true;
    for (const DWORD started = GetTickCount(); GetTickCount() - started < kPatienceMs;) {
        if (HWND window = RunningMenuWindow()) {
            if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
            BringWindowToTop(window);
            SetForegroundWindow(window);
            return false;
        }
        // The other menu may be ending: then this one is the menu.
        const DWORD waited = WaitForSingleObject(created, 50);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;
    }
    return false;
}

}  // namespace platform::win32
