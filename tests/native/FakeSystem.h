#pragma once
// A scripted system behind the queries' seam: drives, the product's key, the menu's path and the files beside it;
// drive and registry reads go to `log`.

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "system/SystemCalls.h"
#include "tests/common/InstallValueCases.h"

class FakeSystem final : public SystemCalls {
public:
    std::string driveList = Roots("A C E");  // as the system writes it: "A:\", NUL, "C:\", NUL, ...
    std::string cdLetters = "E";             // upper case; every other drive is fixed
    bool driveListFails = false;
    std::wstring programPath = L"C:\\Menu\\menu.exe";
    std::set<std::wstring> files;  // the files that exist
    install_value_cases::Case value{};  // no key
    int keysOpen = 0;
    unsigned long firstLength = 0;  // of the buffer the drive list was first asked for
    std::wstring* log = nullptr;

    void Note(const wchar_t* entry) {
        if (log) *log += (log->empty() ? L"" : L"; ") + std::wstring(entry);
    }
    static std::string Roots(const std::string& letters) {
        std::string list;
        for (char letter : letters) list += letter == ' ' ? "" : std::string(1, letter) + ":\\" + '\0';
        return list;
    }
    unsigned long GetLogicalDriveStringsA(unsigned long length, char* buffer) override {
        Note(L"drives");
        firstLength = firstLength ? firstLength : length;
        if (driveListFails) return 0;
        if (length < driveList.size() + 1) return static_cast<unsigned long>(driveList.size() + 1);  // no NUL written
        std::memcpy(buffer, driveList.c_str(), driveList.size() + 1);
        return static_cast<unsigned long>(driveList.size());
    }
    unsigned GetDriveTypeA(const char* root) override {
        return cdLetters.find(static_cast<char>(std::toupper(root[0]))) == std::string::npos ? 3 : kDriveCdRom;
    }
    long RegOpenKeyA(RegKey root, const char* subKey, RegKey& key) override {
        Note(L"registry");
        if (root != kHkeyLocalMachine || value.stored == install_value_cases::Stored::kNoKey) return 2;
        if (std::string(subKey) != "SOFTWARE\\Quintaral\\Quintaral\\Quintaral") return 2;
        ++keysOpen;
        return key = 7, 0;
    }
    long RegQueryValueExA(RegKey key, const char* name, unsigned long& type, unsigned char* data,
                          unsigned long& size) override {
        if (key != 7 || value.stored != install_value_cases::Stored::kDisplayName || std::string(name) != "DisplayName") return 2;
        const unsigned long needed = static_cast<unsigned long>(value.bytes.size());
        type = value.type;
        if (needed <= size) std::memcpy(data, value.bytes.data(), needed);
        return std::exchange(size, needed) < needed ? 234 : 0;  // ERROR_MORE_DATA
    }
    long RegCloseKey(RegKey key) override { return key == 7 ? (--keysOpen, 0) : 6; }
    std::wstring ProgramPath() override { return programPath; }
    bool IsFile(const std::wstring& path) override { return files.contains(path); }
    // Byte by byte both ways: a stand-in for the ANSI code page.
    std::string ToAnsi(std::wstring_view text) override { return {text.begin(), text.end()}; }
    std::wstring FromAnsi(std::string_view text) override { return {text.begin(), text.end()}; }
};

// The tests run on a machine with no drives and an empty registry unless one puts a FakeSystem in place.
SystemCalls& RealSystemCalls() {
    static FakeSystem empty;
    return empty;
}
