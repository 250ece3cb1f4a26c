#include <windows.h>

#include "FormWindow.h"
#include "Win32Platform.h"
#include "menu/Program.h"

namespace {

// A menu that runs holds this object, in the session's own namespace, from its start to its end; nothing
// is written anywhere.
constexpr wchar_t kRunningMark[] = L"Local\\Quintaral.StartMenu";
// How long a second start waits for the first one's window, which may be on its way.
constexpr DWORD kPatienceMs = 10000;

// The window that a menu running in this session shows, or the message box it waits on; nullptr for none.
HWND RunningMenuWindow() {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, platform::win32::kFormClass, nullptr));) {
        if (IsWindowVisible(window)) return GetLastActivePopup(window);
    }
    return nullptr;
}

// AutoPlay is slow to ask, and users start the menu again by hand: one menu at a time. True when this
// start is the menu, `mark` then holding the object that says so; false when another menu runs and its
// window has been brought to the front instead.
bool FirstStart(platform::win32::OwnedHandle& mark) {
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    platform::win32::OwnedHandle mark;
    if (!FirstStart(mark)) return 0;
    platform::win32::Win32Platform platform(instance);
    platform::Forms forms(platform);
    platform.Dispatch([&] { StartMenu(forms); });
    return platform.Run();
}
