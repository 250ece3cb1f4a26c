#include <gtest/gtest.h>

#include <string>

#include "FakeSystem.h"
#include "menu/Form1.h"
#include "platform/double/RecordingPlatform.h"
#include "system/Module1.h"
#include "tests/common/InstallValueCases.h"

namespace {

constexpr unsigned kRemovable = 2, kFixed = 3, kCdRom = 5;

class Module1Test : public ::testing::Test {
protected:
    FakeSystem system;
    ScopedSystemCalls scope{system};
};

TEST_F(Module1Test, FindCdDriveAnswersTheFirstCdRomDriveInListOrder) {
    system.driveList = FakeSystem::DriveList({"A:\\", "C:\\", "D:\\", "E:\\"});
    system.driveTypes = {{'A', kRemovable}, {'C', kFixed}, {'D', kCdRom}, {'E', kCdRom}};
    EXPECT_EQ(FindCdDrive(), L"D:\\");
    EXPECT_EQ(system.driveListLengths, std::vector<unsigned long>{64});

    system.driveList = FakeSystem::DriveList({"c:\\", "d:\\"});
    EXPECT_EQ(FindCdDrive(), L"D:\\") << "the root comes back in upper case";

    system.driveTypes = {{'C', kFixed}, {'D', kFixed}};
    EXPECT_EQ(FindCdDrive(), L"");

    system.driveList.clear();
    EXPECT_EQ(FindCdDrive(), L"");

    system.driveList = FakeSystem::DriveList({"C:\\", "E:\\"});
    system.driveTypes = {{'E', kCdRom}};
    system.driveListFails = true;
    EXPECT_EQ(FindCdDrive(), L"");
}

TEST_F(Module1Test, FindCdDriveAnswersTheCdRomDriveTheMenuWasStartedFrom) {
    system.driveList = FakeSystem::DriveList({"C:\\", "D:\\", "E:\\", "F:\\"});
    system.driveTypes = {{'D', kCdRom}, {'E', kCdRom}, {'F', kCdRom}};
    system.programPath = "f:\\menu.exe";
    EXPECT_EQ(FindCdDrive(), L"F:\\");
    system.programPath = "E:\\Menu\\menu.exe";
    EXPECT_EQ(FindCdDrive(), L"E:\\");
    // Started from elsewhere, the first CD-ROM drive is the disc's.
    for (const char* elsewhere : {"C:\\Menu\\menu.exe", "\\\\server\\share\\menu.exe", ""}) {
        system.programPath = elsewhere;
        EXPECT_EQ(FindCdDrive(), L"D:\\") << elsewhere;
    }
}

TEST_F(Module1Test, FindCdDriveReadsADriveListLongerThanItsFirstBufferWhole) {
    // Twenty-six drives take 104 characters: the CD-ROM drive at Z: lies past the 64th.
    std::string list;
    for (char letter = 'A'; letter <= 'Z'; ++letter) list += std::string(1, letter) + ":\\" + '\0';
    system.driveList = list;
    system.driveTypes = {{'Z', kCdRom}};
    EXPECT_EQ(FindCdDrive(), L"Z:\\");
    ASSERT_EQ(system.driveListLengths.size(), 2u);
    EXPECT_EQ(system.driveListLengths[0], 64u);
    EXPECT_GE(system.driveListLengths[1], list.size() + 1);
}

// A list that the system does not end with NUL characters must not make the walk spin.
class UnterminatedList final : public SystemCalls {
public:
    int driveTypeCalls = 0;
    unsigned long GetLogicalDriveStringsA(unsigned long length, char* buffer) override {
        for (unsigned long i = 0; i < length; ++i) buffer[i] = 'X';
        return length - 1;
    }
    unsigned GetDriveTypeA(const char*) override { return ++driveTypeCalls, kCdRom; }
    long RegOpenKeyA(RegKey, const char*, RegKey&) override { return 2; }
    long RegQueryValueExA(RegKey, const char*, unsigned long&, unsigned char*, unsigned long&) override { return 2; }
    long RegCloseKey(RegKey) override { return 0; }
    std::string ProgramPath() override { return {}; }
    std::string ToAnsi(std::wstring_view) override { return {}; }
    std::wstring FromAnsi(std::string_view) override { return {}; }
};

TEST(FindCdDrive, StopsOnAListWithoutSeparators) {
    UnterminatedList broken;
    ScopedSystemCalls scope(broken);
    EXPECT_EQ(FindCdDrive(), L"");
    EXPECT_EQ(broken.driveTypeCalls, 0);
}

// The caption of the menu's first entry once the menu window has loaded.
std::wstring FirstEntryCaption() {
    platform::RecordingPlatform platform;
    platform::Forms forms(platform);
    std::wstring caption;
    platform.Dispatch([&] { caption = forms.Get<Form1>().Label1.Caption(); });
    return caption;
}

TEST_F(Module1Test, EveryStoredValueReadsAsTheTableSaysAndOnlyTheExactNameMeansInstalled) {
    using install_value_cases::Stored;
    for (const install_value_cases::Case& row : install_value_cases::AllCases()) {
        SCOPED_TRACE(row.name);
        system.registry.clear();
        if (row.stored == Stored::kOtherValueOnly) {
            system.registry[kProductKey]["Publisher"] = {install_value_cases::kRegSz, std::string("Quintaral", 10)};
        } else if (row.stored == Stored::kDisplayName) {
            system.SetDisplayName(row.bytes, row.type);
        }
        system.openedKeys.clear();
        const std::wstring read = ReadInstallValue(L"Quintaral", L"DisplayName");
        EXPECT_TRUE(read == row.expected) << "read " << install_value_cases::Describe(read) << ", expected "
                                          << install_value_cases::Describe(row.expected);
        EXPECT_EQ(system.openedKeys, std::vector<std::string>{kProductKey});
        EXPECT_EQ(system.keysOpen, 0) << "every key opened is closed again";
        EXPECT_EQ(FirstEntryCaption(), row.installed ? L"Εκτέλεση Εφαρμογής" : L"Εγκατάσταση Εφαρμογής");
    }
}

}  // namespace
