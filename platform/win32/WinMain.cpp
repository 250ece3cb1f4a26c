#include <windows.h>

#include "Win32Platform.h"
#include "menu/Program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    platform::win32::Win32Platform platform(instance);
    platform::Forms forms(platform);
    platform.Dispatch([&] { StartMenu(forms); });
    return platform.Run();
}
