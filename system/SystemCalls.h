#pragma once
// The one seam between the queries and the system: the drive and registry functions in
// their ANSI forms, where the program lies and what lies beside it, and the conversions between
// the ANSI code page and Unicode. The menu uses the real ones; tests put their own in place with
// ScopedSystemCalls.

#include <cstdint>
#include <string>
#include <string_view>

using RegKey = std::uintptr_t;
inline constexpr RegKey kHkeyLocalMachine = 0x80000002;
inline constexpr unsigned kDriveCdRom = 5;

class SystemCalls {
public:
    virtual ~SystemCalls() = default;
    // Fills `buffer` with NUL-ended root paths; returns the characters written without the
    // final NUL, the size needed (final NUL included) if `length` is too small, 0 on failure.
    virtual unsigned long GetLogicalDriveStringsA(unsigned long length, char* buffer) = 0;
    virtual unsigned GetDriveTypeA(const char* root) = 0;
    // 0 on success. On failure `key` is left as it was.
    virtual long RegOpenKeyA(RegKey root, const char* subKey, RegKey& key) = 0;
    // 0 on success, with `size` set to the bytes written; any other code is failure and
    // leaves `data` unspecified.
    virtual long RegQueryValueExA(RegKey key, const char* valueName, unsigned long& type, unsigned char* data,
                                  unsigned long& size) = 0;
    virtual long RegCloseKey(RegKey key) = 0;
    // The full path of the running program; "" if it cannot be told.
    virtual std::wstring ProgramPath() = 0;
    // Whether `path` names a file (not a folder) that exists.
    virtual bool IsFile(const std::wstring& path) = 0;
    virtual std::string ToAnsi(std::wstring_view text) = 0;
    virtual std::wstring FromAnsi(std::string_view text) = 0;
};

// The system's own functions.
SystemCalls& RealSystemCalls();
// The functions the queries call now: the real ones unless a test has put others in place.
SystemCalls& CurrentSystemCalls();

class ScopedSystemCalls {
public:
    explicit ScopedSystemCalls(SystemCalls& calls);
    ~ScopedSystemCalls();
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

private:
    SystemCalls* previous_;
};
