// Prints what Wine makes of the system language for a program started in the same
// environment as the menu, so that the end-to-end tests can check which code page the menu
// ran under. One line, tab-separated: ANSI code page, OEM code page, system locale (hex LCID).
#include <windows.h>

#include <cstdio>

int main() {
    std::printf("%u\t%u\t%04lx\n", GetACP(), GetOEMCP(), static_cast<unsigned long>(GetSystemDefaultLCID()));
    return 0;
}
