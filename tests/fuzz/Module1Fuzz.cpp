// libFuzzer target for the two queries: any drive list the system could write (garbage, lower
// case, missing separators, longer than the first buffer) and anything the registry could hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cwctype>

#include "system/Module1.h"
#include "tests/native/FakeSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    FakeSystem system;
    ScopedSystemCalls scope(system);
    system.driveList = input.ConsumeRandomLengthString(256);
    system.cdLetters = input.ConsumeRandomLengthString(8);
    system.driveListFails = input.ConsumeBool();
    const std::string program = input.ConsumeRandomLengthString(16);
    system.programPath.assign(program.begin(), program.end());
    const std::wstring folder = system.programPath.substr(0, system.programPath.rfind(L'\\') + 1);
    if (input.ConsumeBool()) system.files = {folder + L"Setup.exe"};
    system.value = {"", static_cast<install_value_cases::Stored>(input.ConsumeIntegralInRange(0, 2)),
                    input.ConsumeIntegral<unsigned long>(), input.ConsumeRemainingBytesAsString(), L"", false};
    // The program's folder where its programs lie beside it (its drive letter upper-cased); else either
    // nothing, or in upper case one of the roots the system named: the program's own or one of the list.
    const std::wstring found = FindCdDrive();
    if (!folder.empty() && !system.files.empty()) {
        if (found.size() != folder.size() || found.substr(1) != folder.substr(1) ||
            std::towupper(found[0]) != std::towupper(folder[0])) {
            std::abort();
        }
    } else {
        std::string root;
        for (wchar_t c : found) root += static_cast<char>(c >= L'a' && c <= L'z' ? L'?' : c);
        std::string named = '\0' + program.substr(0, 3) + '\0' + system.driveList;
        for (char& c : named) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!root.empty() && named.find('\0' + root + '\0') == std::string::npos) std::abort();
    }

    const std::wstring value = ReadInstallValue(L"Quintaral", L"DisplayName");
    if (value.size() > 2048 || value.find(L'\0') != std::wstring::npos || system.keysOpen != 0) std::abort();
    return 0;
}
