#include "Module1.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "SystemCalls.h"

namespace {

constexpr unsigned long kDriveListLength = 64;
constexpr unsigned long kValueLength = 2048;
// A drive may appear between asking for the size and reading the list; a few retries are
// enough, and more would only spin.
constexpr int kDriveListAttempts = 4;

// The NUL-separated root paths as the system reports them, read whole even when they do
// not fit the first buffer; empty when the function fails.
std::string ReadDriveList(SystemCalls& calls) {
    std::vector<char> buffer(kDriveListLength, ' ');
    for (int attempt = 0; attempt < kDriveListAttempts; ++attempt) {
        const unsigned long length = calls.GetLogicalDriveStringsA(static_cast<unsigned long>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.assign(length + 1, ' ');
    }
    return {};
}

std::string UpperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

class OpenKey {
public:
    OpenKey(SystemCalls& calls, RegKey root, const std::string& path) : calls_(calls) {
        open_ = calls.RegOpenKeyA(root, path.c_str(), key_) == 0;
    }
    ~OpenKey() {
        if (open_) calls_.RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    bool IsOpen() const { return open_; }
    RegKey Get() const { return key_; }

private:
    SystemCalls& calls_;
    RegKey key_ = 0;
    bool open_ = false;
};

// The root of the drive the menu runs from, when that is a CD-ROM drive; else "".
std::string StartDiscRoot(SystemCalls& calls) {
    const std::string program = calls.ProgramPath();
    if (program.size() < 3 || program[1] != ':' || program[2] != '\\') return {};
    const std::string root = UpperCase(program.substr(0, 3));
    return calls.GetDriveTypeA(root.c_str()) == kDriveCdRom ? root : std::string();
}

}  // namespace

std::wstring FindCdDrive() {
    SystemCalls& calls = CurrentSystemCalls();
    // With several CD-ROM drives the first need not hold this disc: the one the menu was
    // started from does.
    if (const std::string root = StartDiscRoot(calls); !root.empty()) return calls.FromAnsi(root);
    const std::string list = ReadDriveList(calls);
    std::string_view remaining = list;
    while (!remaining.empty()) {
        const size_t nul = remaining.find('\0');
        // Every root ends with a NUL; a list without one cannot be walked any further.
        if (nul == std::string_view::npos) return {};
        const std::string candidate(remaining.substr(0, nul));
        remaining.remove_prefix(nul + 1);
        if (calls.GetDriveTypeA(candidate.c_str()) == kDriveCdRom) return calls.FromAnsi(UpperCase(candidate));
    }
    return {};
}

std::wstring ReadInstallValue(std::wstring keyName, std::wstring valueName) {
    try {
        SystemCalls& calls = CurrentSystemCalls();
        OpenKey key(calls, kHkeyLocalMachine, "SOFTWARE\\Quintaral\\Quintaral\\" + calls.ToAnsi(keyName));
        if (!key.IsOpen()) return {};
        std::vector<unsigned char> buffer(kValueLength, ' ');
        unsigned long type = 0;
        unsigned long size = kValueLength;
        if (calls.RegQueryValueExA(key.Get(), calls.ToAnsi(valueName).c_str(), type, buffer.data(), size) != 0) {
            return {};
        }
        // The text ends at its first NUL. Installers that store a string without the
        // terminating NUL are common, and then nothing is dropped.
        const std::string_view data(reinterpret_cast<const char*>(buffer.data()), std::min<unsigned long>(size, kValueLength));
        return calls.FromAnsi(data.substr(0, data.find('\0')));
    } catch (...) {
        return {};
    }
}
