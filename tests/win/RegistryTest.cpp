// ReadInstallValue against the registry itself: each row of the table is written, read back
// through the menu's query and through the menu window's first entry, and removed again.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "menu/Form1.h"
#include "platform/win32/Win32Platform.h"
#include "system/Module1.h"
#include "tests/common/InstallValueCases.h"

namespace {

using install_value_cases::Stored;

constexpr char kProductKey[] = "SOFTWARE\\Quintaral\\Quintaral\\Quintaral";

// Writes the row into the registry as an installer would; false if the registry refused it.
bool Store(const install_value_cases::Case& row) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    if (row.stored == Stored::kNoKey) return true;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const bool displayName = row.stored == Stored::kDisplayName;
    // A guard byte after the data: where the byte after a text is a NUL, the registry counts
    // it although the caller left it out, and a value without its NUL could not be made.
    const std::string bytes = (displayName ? row.bytes : std::string("Quintaral", 10)) + 'x';
    const LONG result = RegSetValueExA(key, displayName ? "DisplayName" : "Publisher", 0,
                                       displayName ? row.type : REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                                       static_cast<DWORD>(bytes.size() - 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// The caption of the menu's first entry once the menu window has loaded.
std::wstring FirstEntryCaption() {
    platform::win32::Win32Platform platform(GetModuleHandleW(nullptr));
    platform::Forms forms(platform);
    std::wstring caption;
    platform.Dispatch([&] { caption = forms.Get<Form1>().Label1.Caption(); });
    return caption;
}

TEST(Registry, EveryStoredValueReadsAsTheTableSaysAndOnlyTheExactNameMeansInstalled) {
    for (const install_value_cases::Case& row : install_value_cases::AllCases()) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(Store(row)) << "the registry refused the value";
        const std::wstring read = ReadInstallValue(L"Quintaral", L"DisplayName");
        EXPECT_TRUE(read == row.expected) << "read " << install_value_cases::Describe(read) << ", expected "
                                          << install_value_cases::Describe(row.expected);
        EXPECT_EQ(FirstEntryCaption(), row.installed ? L"Εκτέλεση Εφαρμογής" : L"Εγκατάσταση Εφαρμογής");
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
}

}  // namespace
