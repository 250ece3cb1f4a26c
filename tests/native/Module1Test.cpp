// The two queries against a scripted system.
#include <gtest/gtest.h>

#include "FakeSystem.h"
#include "menu/Form1.h"
#include "platform/double/RecordingPlatform.h"
#include "system/Module1.h"

// The unit tests run on a machine with no drives and an empty registry unless a test puts a
// FakeSystem of its own in place.
SystemCalls& RealSystemCalls() {
    static FakeSystem empty;
    return empty;
}

namespace {

TEST(Module1, FindCdDriveAnswersTheDiscsDriveInUpperCase) {
    struct Case {
        const char* list;  // letters of the roots, or "=" and the list as the system wrote it, or nullptr: it fails
        const char* cdLetters;
        const char* program;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"A C D E", "DE", "C:\\Menu\\menu.exe", L"D:\\"},
        {"c d", "D", "C:\\Menu\\menu.exe", L"D:\\"},
        {"A C D", "", "C:\\Menu\\menu.exe", L""},
        {"", "E", "C:\\Menu\\menu.exe", L""},
        {nullptr, "E", "C:\\Menu\\menu.exe", L""},
        {"C D E F", "DEF", "f:\\menu.exe", L"F:\\"},  // started from a CD-ROM drive: that one holds the disc
        {"C D E F", "DEF", "E:\\Menu\\menu.exe", L"E:\\"},
        {"C D E F", "DEF", "\\\\server\\share\\menu.exe", L"D:\\"},
        {"A B C D E F G H I J K L M N O P Q R S T U V W X Y Z", "Z", "", L"Z:\\"},  // longer than 64 characters
        {"=C:\\", "C", "", L""},  // no separator: the walk cannot go on
    };
    for (const Case& row : cases) {
        FakeSystem system;
        ScopedSystemCalls scope(system);
        system.driveListFails = !row.list;
        system.driveList = !row.list ? "" : *row.list == '=' ? row.list + 1 : FakeSystem::Roots(row.list);
        system.cdLetters = row.cdLetters;
        system.programPath = row.program;
        EXPECT_EQ(FindCdDrive(), row.expected) << (row.list ? row.list : "failing list") << " from " << row.program;
    }
}

TEST(Module1, EveryStoredValueReadsAsTheTableSaysAndOnlyTheExactNameMeansInstalled) {
    for (const install_value_cases::Case& row : install_value_cases::AllCases()) {
        SCOPED_TRACE(row.name);
        FakeSystem system;
        ScopedSystemCalls scope(system);
        system.value = row;
        EXPECT_TRUE(ReadInstallValue(L"Quintaral", L"DisplayName") == row.expected);
        EXPECT_EQ(system.keysOpen, 0) << "every key opened is closed again";
        platform::RecordingPlatform platform;
        platform::Forms forms(platform);
        std::wstring caption;
        platform.Dispatch([&] { caption = forms.Get<Form1>().Label1.Caption(); });
        EXPECT_EQ(caption, row.installed ? L"Εκτέλεση Εφαρμογής" : L"Εγκατάσταση Εφαρμογής");
    }
}

}  // namespace
