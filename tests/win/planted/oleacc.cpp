// Planted beside a copy of menu.exe by the screen-reader tests, under the name of a system library (the
// accessibility library, the cryptographic provider): it ends the program that loads it, with an exit code of its own.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) TerminateProcess(GetCurrentProcess(), 77);
    return TRUE;
}
