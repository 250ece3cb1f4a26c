// The static C++ runtime's thread library calls GetTickCount64, which Windows XP lacks. Its
// import is answered here instead: the system's function where there is one, else a count
// built on GetTickCount. With this, the menu imports nothing that XP does not have.
#include <windows.h>

#if defined(__MINGW32__) && !defined(_WIN64)

namespace {

using TickCountFunction = ULONGLONG(WINAPI*)();

// Plain statics, without the runtime's guarded initialization, which may itself wait on
// the thread library that calls this.
TickCountFunction g_system = nullptr;
bool g_lookedUp = false;

ULONGLONG WINAPI TickCount64() {
    if (!g_lookedUp) {
        g_system = reinterpret_cast<TickCountFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
        g_lookedUp = true;
    }
    if (g_system) return g_system();
    // Counts past the 49.7-day wrap of GetTickCount when called at least once per wrap.
    static DWORD last = 0;
    static ULONGLONG wraps = 0;
    const DWORD now = GetTickCount();
    if (now < last) ++wraps;
    last = now;
    return (wraps << 32) | now;
}

}  // namespace

extern "C" {
TickCountFunction GetTickCount64Import __asm__("__imp__GetTickCount64@0") = TickCount64;
}

#endif
