#include <windows.h>

#include "SecondStart.h"
#include "Win32Platform.h"
#include "menu/Program.h"

namespace {

// A disc menu starts from folders that anyone may have written to: DLLs are looked for in
// the system folder only, where this Windows offers the choice. Looked up at run time, so
// that older Windows still start the menu.
void LimitDllSearchToSystemFolder() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))) {
        setDefault(kSearchSystem32);
    }
    // Takes the current directory out of the search where the first call does not exist.
    if (auto setDirectory = reinterpret_cast<SetDllDirectoryFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")))) {
        setDirectory(L"");
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    LimitDllSearchToSystemFolder();
    platform::win32::OwnedHandle mark;
    if (!platform::win32::FirstStart(mark)) return 0;
    platform::win32::Win32Platform platform(instance);
    platform::Forms forms(platform);
    platform.Dispatch([&] { StartMenu(forms); });
    return platform.Run();
}
