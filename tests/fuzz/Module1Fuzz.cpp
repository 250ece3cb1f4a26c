// libFuzzer target for the two queries: any drive list the system could write (garbage, lower
// case, missing separators, longer than the first buffer) and anything the registry could hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "system/Module1.h"
#include "tests/native/FakeSystem.h"

SystemCalls& RealSystemCalls() {
    static FakeSystem empty;
    return empty;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    FakeSystem system;
    ScopedSystemCalls scope(system);
    system.driveList = input.ConsumeRandomLengthString(256);
    system.cdLetters = input.ConsumeRandomLengthString(8);
    system.driveListFails = input.ConsumeBool();
    system.programPath = input.ConsumeRandomLengthString(16);
    system.value.stored = static_cast<install_value_cases::Stored>(input.ConsumeIntegralInRange(0, 2));
    system.value.type = input.ConsumeIntegral<unsigned long>();
    system.value.bytes = input.ConsumeRemainingBytesAsString();

    // Either nothing, or one of the roots the system named (the program's own or one of the
    // list), in upper case.
    const std::wstring found = FindCdDrive();
    std::string root;
    for (wchar_t c : found) {
        if (c >= L'a' && c <= L'z') std::abort();
        root += static_cast<char>(c);
    }
    auto upper = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    };
    const bool own = !root.empty() && upper(system.programPath.substr(0, 3)) == root;
    const bool listed = upper('\0' + system.driveList).find('\0' + root + '\0') != std::string::npos;
    if (!root.empty() && !own && !listed) std::abort();

    const std::wstring value = ReadInstallValue(L"Quintaral", L"DisplayName");
    if (value.size() > 2048 || value.find(L'\0') != std::wstring::npos) std::abort();
    if (system.keysOpen != 0) std::abort();  // every key opened was closed
    return 0;
}
