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

// The programs that the menu starts from the disc.
constexpr std::wstring_view kDiscPrograms[] = {L"quin\\quin.exe", L"dbsetup.exe", L"Setup.exe"};

// The folder the menu runs from, such as F:\ or \\server\share\Disc\ (a drive letter in upper
// case), when the disc's programs lie beside it; else "".
std::wstring CopyFolder(SystemCalls& calls, const std::wstring& program) {
    const size_t slash = program.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    std::wstring folder = program.substr(0, slash + 1);
    for (std::wstring_view name : kDiscPrograms) {
        if (!calls.IsFile(folder + std::wstring(name))) continue;
        if (folder[0] >= L'a' && folder[0] <= L'z' && folder.size() > 1 && folder[1] == L':') folder[0] -= L'a' - L'A';
        return folder;
    }
    return {};
}

// The root of the drive the menu runs from, when that is a CD-ROM drive; else "".
std::wstring StartDiscRoot(SystemCalls& calls, const std::wstring& program) {
    if (program.size() < 3 || program[1] != L':' || program[2] != L'\\') return {};
    const std::string root = UpperCase(calls.ToAnsi(program.substr(0, 3)));
    return calls.GetDriveTypeA(root.c_str()) == kDriveCdRom ? calls.FromAnsi(root) : std::wstring();
}

}  // namespace

std::wstring FindCdDrive() {
    SystemCalls& calls = CurrentSystemCalls();
    // A copy of the disc (a USB stick, a folder on a hard disk or a share, an image) starts its own
    // programs, whatever CD-ROM drives there are; the disc itself those of the drive it was started
    // from, which need not be the first CD-ROM drive.
    const std::wstring program = calls.ProgramPath();
    if (std::wstring copy = CopyFolder(calls, program); !copy.empty()) return copy;
    if (std::wstring root = StartDiscRoot(calls, program); !root.empty()) return root;
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
