#pragma once
// A scripted system behind the queries' seam: a drive list with types, and a registry.

#include <map>
#include <string>
#include <vector>

#include "system/SystemCalls.h"

struct RegistryValue {
    unsigned long type = 1;  // REG_SZ
    std::string data;        // the bytes as stored, terminating NUL included if there is one
};

class FakeSystem final : public SystemCalls {
public:
    std::string driveList;                      // "A:\\\0C:\\\0" as the system writes it
    std::map<char, unsigned> driveTypes;        // by upper-case letter; others are fixed (3)
    bool driveListFails = false;
    std::map<std::string, std::map<std::string, RegistryValue>> registry;  // key path → values
    std::string programPath = "C:\\Menu\\menu.exe";
    std::vector<unsigned long> driveListLengths;  // the buffer lengths asked with
    std::vector<std::string> openedKeys;
    int keysOpen = 0;

    // The drive list the system would report for these roots, in this order.
    static std::string DriveList(std::initializer_list<const char*> roots);
    // The product's key as the menu opens it, holding DisplayName.
    void SetDisplayName(std::string data, unsigned long type = 1);

    unsigned long GetLogicalDriveStringsA(unsigned long length, char* buffer) override;
    unsigned GetDriveTypeA(const char* root) override;
    long RegOpenKeyA(RegKey root, const char* subKey, RegKey& key) override;
    long RegQueryValueExA(RegKey key, const char* valueName, unsigned long& type, unsigned char* data,
                          unsigned long& size) override;
    long RegCloseKey(RegKey key) override;
    std::string ProgramPath() override { return programPath; }
    std::string ToAnsi(std::wstring_view text) override;
    std::wstring FromAnsi(std::string_view text) override;

private:
    std::vector<std::string> handles_;
};

inline const std::string kProductKey = "SOFTWARE\\Quintaral\\Quintaral\\Quintaral";
