#include <windows.h>

#include "SystemCalls.h"
#include "platform/win32/StartProgram.h"

namespace {

HKEY ToHkey(RegKey key) {
    // The predefined keys are sign-extended handles; name the one we use explicitly.
    return key == kHkeyLocalMachine ? HKEY_LOCAL_MACHINE : reinterpret_cast<HKEY>(key);
}

class Win32SystemCalls final : public SystemCalls {
public:
    unsigned long GetLogicalDriveStringsA(unsigned long length, char* buffer) override {
        return ::GetLogicalDriveStringsA(length, buffer);
    }
    unsigned GetDriveTypeA(const char* root) override { return ::GetDriveTypeA(root); }
    long RegOpenKeyA(RegKey root, const char* subKey, RegKey& key) override {
        HKEY opened = nullptr;
#ifdef _WIN64
        // The installers are 32-bit programs: on 64-bit Windows what they write under
        // HKLM\SOFTWARE goes to the registry's 32-bit view, which a 32-bit menu reads by itself
        // and a 64-bit one must ask for.
        const LONG result = ::RegOpenKeyExA(ToHkey(root), subKey, 0, KEY_READ | KEY_WOW64_32KEY, &opened);
#else
        const LONG result = ::RegOpenKeyA(ToHkey(root), subKey, &opened);
#endif
        if (result == ERROR_SUCCESS) key = reinterpret_cast<RegKey>(opened);
        return result;
    }
    long RegQueryValueExA(RegKey key, const char* valueName, unsigned long& type, unsigned char* data,
                          unsigned long& size) override {
        DWORD valueType = 0;
        DWORD valueSize = size;
        const LONG result = ::RegQueryValueExA(ToHkey(key), valueName, nullptr, &valueType, data, &valueSize);
        type = valueType;
        size = valueSize;
        return result;
    }
    long RegCloseKey(RegKey key) override { return ::RegCloseKey(ToHkey(key)); }
    std::wstring ProgramPath() override { return platform::win32::ProgramPath(); }
    bool IsFile(const std::wstring& path) override { return platform::win32::IsFile(path); }

    std::string ToAnsi(std::wstring_view text) override {
        if (text.empty()) return {};
        const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
        std::string result(static_cast<size_t>(length), '\0');
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr, nullptr);
        return result;
    }
    std::wstring FromAnsi(std::string_view text) override {
        if (text.empty()) return {};
        const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring result(static_cast<size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
        return result;
    }
};

// At namespace scope, without the runtime's guarded initialization of a function's static.
Win32SystemCalls g_calls;

}  // namespace

SystemCalls& RealSystemCalls() { return g_calls; }
