// libFuzzer target for the two queries: any drive list the system could write (garbage, lower
// case, missing separators, longer than the first buffer) and anything the registry could hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "system/Module1.h"
#include "tests/native/FakeSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    FakeSystem system;
    ScopedSystemCalls scope(system);
    system.driveList = input.ConsumeRandomLengthString(256);
    system.cdLetters = input.ConsumeRandomLengthString(8);
    system.driveListFails = input.ConsumeBool();
    system.programPath = input.ConsumeRandomLengthString(16);
    system.value = {"", static_cast<install_value_cases::Stored>(input.ConsumeIntegralInRange(0, 2)),
                    input.ConsumeIntegral<unsigned long>(), input.ConsumeRemainingBytesAsString(), L"", false};
    // Either nothing, or in upper case one of the roots the system named: the program's own or one of the list.
    std::string root;
    for (wchar_t c : FindCdDrive()) root += static_cast<char>(c >= L'a' && c <= L'z' ? L'?' : c);
    std::string named = '\0' + system.programPath.substr(0, 3) + '\0' + system.driveList;
    for (char& c : named) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!root.empty() && named.find('\0' + root + '\0') == std::string::npos) std::abort();

    const std::wstring value = ReadInstallValue(L"Quintaral", L"DisplayName");
    if (value.size() > 2048 || value.find(L'\0') != std::wstring::npos || system.keysOpen != 0) std::abort();
    return 0;
}
