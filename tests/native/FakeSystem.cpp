#include "FakeSystem.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr long kFileNotFound = 2;
constexpr long kInvalidHandle = 6;
constexpr long kMoreData = 234;
constexpr unsigned kFixed = 3;
}  // namespace

// The unit tests run on a machine with no drives and an empty registry unless a test puts
// a FakeSystem of its own in place.
SystemCalls& RealSystemCalls() {
    static FakeSystem empty;
    return empty;
}

std::string FakeSystem::DriveList(std::initializer_list<const char*> roots) {
    std::string list;
    for (const char* root : roots) list.append(root).push_back('\0');
    return list;
}

void FakeSystem::SetDisplayName(std::string data, unsigned long type) {
    registry[kProductKey]["DisplayName"] = {type, std::move(data)};
}

unsigned long FakeSystem::GetLogicalDriveStringsA(unsigned long length, char* buffer) {
    driveListLengths.push_back(length);
    if (driveListFails) return 0;
    const unsigned long needed = static_cast<unsigned long>(driveList.size() + 1);
    if (length < needed) return needed;  // the buffer is left as it was, without a NUL
    std::memcpy(buffer, driveList.data(), driveList.size());
    buffer[driveList.size()] = '\0';
    return static_cast<unsigned long>(driveList.size());
}

unsigned FakeSystem::GetDriveTypeA(const char* root) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
    auto it = driveTypes.find(letter);
    return it == driveTypes.end() ? kFixed : it->second;
}

long FakeSystem::RegOpenKeyA(RegKey root, const char* subKey, RegKey& key) {
    openedKeys.push_back(subKey);
    if (root != kHkeyLocalMachine || !registry.contains(subKey)) return kFileNotFound;
    handles_.push_back(subKey);
    key = handles_.size();
    ++keysOpen;
    return 0;
}

long FakeSystem::RegQueryValueExA(RegKey key, const char* valueName, unsigned long& type, unsigned char* data,
                                  unsigned long& size) {
    if (key == 0 || key > handles_.size()) return kInvalidHandle;
    const auto& values = registry[handles_[key - 1]];
    auto it = values.find(valueName);
    if (it == values.end()) return kFileNotFound;
    type = it->second.type;
    const std::string& stored = it->second.data;
    if (stored.size() > size) {
        size = static_cast<unsigned long>(stored.size());
        return kMoreData;
    }
    std::memcpy(data, stored.data(), stored.size());
    size = static_cast<unsigned long>(stored.size());
    return 0;
}

long FakeSystem::RegCloseKey(RegKey key) {
    if (key == 0 || key > handles_.size()) return kInvalidHandle;
    --keysOpen;
    return 0;
}

// Latin-1 both ways: enough for the product's names, and a stand-in for the ANSI code page.
std::string FakeSystem::ToAnsi(std::wstring_view text) {
    std::string result;
    for (wchar_t c : text) result += c < 0x100 ? static_cast<char>(c) : '?';
    return result;
}

std::wstring FakeSystem::FromAnsi(std::string_view text) {
    std::wstring result;
    for (char c : text) result += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return result;
}
