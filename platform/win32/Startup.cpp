// menu.exe's entry point, ahead of the C runtime's: what must hold before any of the runtime's start-up code or
// constructors run. A disc menu starts from folders that anyone may have written to, and the runtime's own stack
// guard would be seeded through CryptoAPI, which loads the cryptographic provider through the default DLL search,
// the program's folder first (Windows XP names the provider without its folder). The guard is the program's own,
// seeded here without loading anything.
#include <windows.h>

#include <cstdint>

#include <x86intrin.h>

extern "C" {

// The value the stack protector's checks compare with; set before any protected function runs.
std::uintptr_t __stack_chk_guard = 0xE2DEC0DE;

// A check found the guard overwritten: the stack is not to be trusted any further, so nothing runs that could
// use it (no handler, no message), as the system's own code ends on a stack buffer overrun.
[[noreturn]] void __stack_chk_fail() {
    constexpr UINT kStackBufferOverrun = 0xC0000409;  // STATUS_STACK_BUFFER_OVERRUN
    TerminateProcess(GetCurrentProcess(), kStackBufferOverrun);
    __builtin_unreachable();
}

int WinMainCRTStartup();

}  // extern "C"

namespace {

// What differs between two starts and cannot be foreseen from outside: the time, the process and thread, the
// processor's cycle count and where the system put the stack. Unprotected: it changes the guard under itself.
__attribute__((no_stack_protector)) void SeedStackGuard() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    std::uint64_t seed = (std::uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime) ^ __rdtsc();
    seed ^= std::uint64_t{GetCurrentProcessId()} << 32 ^ GetCurrentThreadId() ^ std::uint64_t{GetTickCount()} << 16;
    seed ^= reinterpret_cast<std::uintptr_t>(&now);
    seed = (seed ^ seed >> 31) * 0x9E3779B97F4A7C15u;  // spread every bit over the whole guard
    __stack_chk_guard = static_cast<std::uintptr_t>(seed ^ seed >> 32);
}

// DLLs are looked for in the system folder only, where this Windows offers the choice, and never in the current
// folder. Looked up at run time, so that older Windows still start the menu.
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

// An empty drive (the disc taken out, a card reader's empty slot) fails the call that asked, which the menu reports
// as a run-time error, instead of the system's "There is no disk in the drive" box in front of it. The programs the
// menu starts get the system's default mode back.
extern "C" __attribute__((no_stack_protector)) int MenuStartup() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SeedStackGuard();
    LimitDllSearchToSystemFolder();
    return WinMainCRTStartup();
}
