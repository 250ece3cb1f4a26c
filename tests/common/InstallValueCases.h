#pragma once
// What the product's key may hold and what the menu makes of it, for the scripted and the real registry.

#include <string>
#include <vector>

namespace install_value_cases {

enum class Stored { kNoKey, kOtherValueOnly, kDisplayName };

struct Case {
    const char* name;
    Stored stored;
    unsigned long type;     // REG_SZ 1, REG_MULTI_SZ 7
    std::string bytes;      // as stored, a terminating NUL included where there is one
    std::wstring expected;  // what ReadInstallValue answers
    bool installed;         // whether the menu offers to run the application
};

using namespace std::string_literals;
inline const std::vector<Case> kAllCases = {
    {"no key", Stored::kNoKey, 1, "", L"", false},
    {"key without DisplayName", Stored::kOtherValueOnly, 1, "", L"", false},
    {"0 bytes", Stored::kDisplayName, 1, "", L"", false},
    {"the name without its NUL", Stored::kDisplayName, 1, "Quintaral", L"Quintaral", true},
    {"the name and its NUL", Stored::kDisplayName, 1, "Quintaral\0"s, L"Quintaral", true},
    {"2048 bytes without a NUL", Stored::kDisplayName, 1, std::string(2048, 'q'), std::wstring(2048, L'q'), false},
    {"2049 bytes", Stored::kDisplayName, 1, std::string(2048, 'q') + '\0', L"", false},
    {"REG_MULTI_SZ, the name first", Stored::kDisplayName, 7, "Quintaral\0Other\0\0"s, L"Quintaral", true},
    {"lower case", Stored::kDisplayName, 1, "quintaral\0"s, L"quintaral", false},
    {"a trailing blank", Stored::kDisplayName, 1, "Quintaral \0"s, L"Quintaral ", false},
};

}  // namespace install_value_cases
