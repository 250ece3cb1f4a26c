// libFuzzer target for the two queries: any drive list the system could write (garbage,
// lower case, missing separators, longer than the first buffer) and any registry answer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "system/Module1.h"
#include "system/SystemCalls.h"

namespace {

class FuzzedSystem final : public SystemCalls {
public:
    explicit FuzzedSystem(FuzzedDataProvider& input) : input_(input) {
        driveList_ = input.ConsumeRandomLengthString(256);
        listFails_ = input.ConsumeBool();
        keyExists_ = input.ConsumeBool();
        answer_ = input.ConsumeIntegral<long>();
        type_ = input.ConsumeIntegral<unsigned long>();
        programPath_ = input.ConsumeRandomLengthString(16);
        value_ = input.ConsumeRandomLengthString(4096);
    }
    unsigned long GetLogicalDriveStringsA(unsigned long length, char* buffer) override {
        if (listFails_) return 0;
        if (length < driveList_.size() + 1) return static_cast<unsigned long>(driveList_.size() + 1);
        std::memcpy(buffer, driveList_.c_str(), driveList_.size() + 1);
        return static_cast<unsigned long>(driveList_.size());
    }
    unsigned GetDriveTypeA(const char*) override { return input_.ConsumeIntegralInRange<unsigned>(0, 6); }
    long RegOpenKeyA(RegKey, const char*, RegKey& key) override {
        if (!keyExists_) return 2;
        key = 42;
        ++open_;
        return 0;
    }
    long RegQueryValueExA(RegKey key, const char*, unsigned long& type, unsigned char* data,
                          unsigned long& size) override {
        if (key != 42) std::abort();
        type = type_;
        if (answer_ != 0) return answer_;
        if (value_.size() > size) return 234;
        std::memcpy(data, value_.data(), value_.size());
        size = static_cast<unsigned long>(value_.size());
        return 0;
    }
    long RegCloseKey(RegKey) override { return --open_, 0; }
    std::string ProgramPath() override { return programPath_; }
    std::string ToAnsi(std::wstring_view text) override { return std::string(text.begin(), text.end()); }
    std::wstring FromAnsi(std::string_view text) override {
        std::wstring wide;
        for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return wide;
    }
    int open_ = 0;
    std::string driveList_, programPath_;

private:
    FuzzedDataProvider& input_;
    std::string value_;
    bool listFails_, keyExists_;
    long answer_;
    unsigned long type_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    FuzzedSystem system(input);
    ScopedSystemCalls scope(system);

    const std::wstring root = FindCdDrive();
    // Either nothing, or one of the roots the system named (the program's own or one of
    // the list), in upper case.
    if (!root.empty()) {
        std::string upper;
        for (wchar_t c : root) {
            if (c >= L'a' && c <= L'z') std::abort();
            upper += static_cast<char>(c);
        }
        auto named = [&](std::string text) {
            for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return text;
        };
        const bool own = named(system.programPath_.substr(0, 3)) == upper;
        const bool listed = named(std::string(1, '\0') + system.driveList_).find(std::string(1, '\0') + upper + '\0') !=
                            std::string::npos;
        if (!own && !listed) std::abort();
    }

    const std::wstring value = ReadInstallValue(L"Quintaral", L"DisplayName");
    if (value.size() > 2048 || value.find(L'\0') != std::wstring::npos) std::abort();
    if (system.open_ != 0) std::abort();  // every key opened was closed
    return 0;
}
