#pragma once
// What the registry may hold where the menu looks for the product's name, and what the menu
// makes of it. The same rows are checked against the scripted system (native) and against
// Wine's real registry, so the two cannot drift apart.

#include <string>
#include <vector>

namespace install_value_cases {

// Registry value types by their number, so that the rows need no Windows header.
inline constexpr unsigned long kRegNone = 0;
inline constexpr unsigned long kRegSz = 1;
inline constexpr unsigned long kRegExpandSz = 2;
inline constexpr unsigned long kRegBinary = 3;
inline constexpr unsigned long kRegDword = 4;
inline constexpr unsigned long kRegMultiSz = 7;
inline constexpr unsigned long kRegQword = 11;

// The product's key is missing, present without DisplayName, or holds DisplayName.
enum class Stored { kNoKey, kOtherValueOnly, kDisplayName };

struct Case {
    std::string name;
    Stored stored = Stored::kDisplayName;
    unsigned long type = kRegSz;
    std::string bytes;       // as stored, a terminating NUL included where there is one
    std::wstring expected;   // what ReadInstallValue answers
    bool installed = false;  // whether the menu offers to run the application
};

// `text`, a NUL, then NULs up to `size` bytes.
inline std::string Padded(const std::string& text, size_t size) {
    std::string bytes = text;
    bytes.resize(size, '\0');
    return bytes;
}

// `size` bytes: letters and one final NUL.
inline std::string Letters(size_t size) { return std::string(size - 1, 'q') + '\0'; }

// Long answers would flood a failure report: their length and how they begin.
inline std::string Describe(const std::wstring& text) {
    std::string shown;
    for (wchar_t c : text.substr(0, 20)) shown += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return std::to_string(text.size()) + " characters \"" + shown + (text.size() > 20 ? "...\"" : "\"");
}

inline std::vector<Case> AllCases() {
    const std::string product("Quintaral\0", 10);
    return {
        {"no key", Stored::kNoKey, kRegSz, "", L"", false},
        {"key without DisplayName", Stored::kOtherValueOnly, kRegSz, "", L"", false},
        {"0 bytes", Stored::kDisplayName, kRegSz, "", L"", false},
        {"1 byte, a lone NUL", Stored::kDisplayName, kRegSz, std::string(1, '\0'), L"", false},
        {"9 bytes, the name without its NUL", Stored::kDisplayName, kRegSz, "Quintaral", L"Quintaral", true},
        {"10 bytes, the name and its NUL", Stored::kDisplayName, kRegSz, product, L"Quintaral", true},
        {"2047 bytes of text", Stored::kDisplayName, kRegSz, Letters(2047), std::wstring(2046, L'q'), false},
        {"2048 bytes of text", Stored::kDisplayName, kRegSz, Letters(2048), std::wstring(2047, L'q'), false},
        {"2048 bytes of text without a NUL", Stored::kDisplayName, kRegSz, std::string(2048, 'q'),
         std::wstring(2048, L'q'), false},
        {"2049 bytes of text", Stored::kDisplayName, kRegSz, Letters(2049), L"", false},
        {"3000 bytes of text", Stored::kDisplayName, kRegSz, Letters(3000), L"", false},
        {"65536 bytes of text", Stored::kDisplayName, kRegSz, Letters(65536), L"", false},
        {"the name padded with NULs to 2048 bytes", Stored::kDisplayName, kRegSz, Padded("Quintaral", 2048),
         L"Quintaral", true},
        {"the name padded with NULs to 2049 bytes", Stored::kDisplayName, kRegSz, Padded("Quintaral", 2049), L"",
         false},
        {"the name padded with NULs to 65536 bytes", Stored::kDisplayName, kRegSz, Padded("Quintaral", 65536), L"",
         false},
        {"REG_EXPAND_SZ, the name and its NUL", Stored::kDisplayName, kRegExpandSz, product, L"Quintaral", true},
        {"REG_MULTI_SZ, the name first", Stored::kDisplayName, kRegMultiSz, std::string("Quintaral\0Other\0\0", 17),
         L"Quintaral", true},
        {"REG_BINARY, the name without a NUL", Stored::kDisplayName, kRegBinary, "Quintaral", L"Quintaral", true},
        {"REG_NONE, 0 bytes", Stored::kDisplayName, kRegNone, "", L"", false},
        {"REG_DWORD 0x51", Stored::kDisplayName, kRegDword, std::string("Q\0\0\0", 4), L"Q", false},
        {"REG_QWORD whose bytes spell Quintara", Stored::kDisplayName, kRegQword, "Quintara", L"Quintara", false},
        {"REG_QWORD 0x51", Stored::kDisplayName, kRegQword, std::string("Q\0\0\0\0\0\0\0", 8), L"Q", false},
        {"lower case", Stored::kDisplayName, kRegSz, std::string("quintaral\0", 10), L"quintaral", false},
        {"upper case", Stored::kDisplayName, kRegSz, std::string("QUINTARAL\0", 10), L"QUINTARAL", false},
        {"a trailing blank", Stored::kDisplayName, kRegSz, std::string("Quintaral \0", 11), L"Quintaral ", false},
        {"one letter short", Stored::kDisplayName, kRegSz, std::string("Quintara\0", 9), L"Quintara", false},
        {"a leading blank", Stored::kDisplayName, kRegSz, std::string(" Quintaral\0", 11), L" Quintaral", false},
    };
}

}  // namespace install_value_cases
