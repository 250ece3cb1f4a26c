#include <windows.h>

#include "SecondStart.h"
#include "Win32Platform.h"
#include "menu/Program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    platform::win32::OwnedHandle mark;
    if (!platform::win32::FirstStart(mark)) return 0;
    platform::win32::Win32Platform platform(instance);
    platform::Forms forms(platform);
    platform.Dispatch([&] { StartMenu(forms); });
    return platform.Run();
}
