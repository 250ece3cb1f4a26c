#include <gtest/gtest.h>

#include <string>

#include "FakeSystem.h"
#include "system/Module1.h"

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

TEST_F(Module1Test, ReadInstallValueReadsTheTextOfTheProductsKey) {
    system.SetDisplayName(std::string("Quintaral\0", 10));
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"Quintaral");
    EXPECT_EQ(system.openedKeys, std::vector<std::string>{kProductKey});

    // Stored without its terminating NUL, as some installers do: nothing is cut off.
    system.SetDisplayName("Quintaral");
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"Quintaral");

    system.SetDisplayName(std::string("Quintaral \0", 11));
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"Quintaral ");

    // The type is not looked at: a number reads as its bytes.
    system.SetDisplayName(std::string("\x01\x00\x00\x00", 4), 4);
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), std::wstring(1, L'\x01'));

    system.SetDisplayName("");
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"");
    EXPECT_EQ(system.keysOpen, 0) << "every key opened is closed again";
}

TEST_F(Module1Test, ReadInstallValueAnswersEmptyForWhatCannotBeRead) {
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"") << "no key";

    system.registry[kProductKey]["Publisher"] = {1, std::string("Quintaral\0", 10)};
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"") << "no value";

    const std::string fits = std::string(2047, 'q') + '\0';
    system.SetDisplayName(fits);
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), std::wstring(2047, L'q'));

    system.SetDisplayName(std::string(2048, 'q') + '\0');
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"") << "2049 bytes do not fit";

    system.SetDisplayName(std::string(2999, 'q') + '\0');
    EXPECT_EQ(ReadInstallValue(L"Quintaral", L"DisplayName"), L"");
    EXPECT_EQ(system.keysOpen, 0);
}

}  // namespace
