#include "Com.h"

#include <cwchar>

namespace platform::win32 {

namespace {

struct Ole32 {
    decltype(&CoInitializeEx) initialize = nullptr;
    decltype(&CoDisconnectObject) disconnect = nullptr;
};

// Loaded on the window thread, the only one that asks: plain statics, without the runtime's
// guarded initialization and the thread library it brings.
Ole32 g_ole32;
bool g_ole32Loaded = false;

const Ole32& Ole() {
    if (!g_ole32Loaded) {
        g_ole32Loaded = true;
        HMODULE module = LoadSystemLibrary(L"ole32.dll");
        FindFunction(module, "CoInitializeEx", g_ole32.initialize);
        FindFunction(module, "CoDisconnectObject", g_ole32.disconnect);
    }
    return g_ole32;
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0) return nullptr;
    if (length + 1 + std::wcslen(name) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);  // a caller reports the error, which must not read as none
        return nullptr;
    }
    path[length] = L'\\';
    std::wcscpy(path + length + 1, name);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// COM stays set up for the thread's life: the objects given to screen readers live in its
// apartment, and the program ends soon after it starts an installer. A second call only counts.
bool InitialiseCom() {
    const Ole32& ole = Ole();
    return ole.initialize && SUCCEEDED(ole.initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

void DisconnectObject(IUnknown* object) {
    if (Ole().disconnect) Ole().disconnect(object, 0);
}

}  // namespace platform::win32
