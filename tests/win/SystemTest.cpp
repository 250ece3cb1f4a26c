// The system as the menu meets it: the registry, the drives, and the programs it starts.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "system/Module1.h"
#include "tests/common/InstallValueCases.h"

namespace {

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}
std::string ProgramFolder() { return ProgramPath().substr(0, ProgramPath().find_last_of('\\') + 1); }
std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }
std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Each row written as an installer would, then read back through the menu's query.
TEST(Registry, EveryStoredValueReadsAsTheTableSays) {
    constexpr char kKey[] = "SOFTWARE\\Quintaral\\Quintaral\\Quintaral";
    for (const install_value_cases::Case& row : install_value_cases::AllCases()) {
        SCOPED_TRACE(row.name);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
        if (row.stored != install_value_cases::Stored::kNoKey) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
            const bool displayName = row.stored == install_value_cases::Stored::kDisplayName;
            // A guard byte after the data: where the byte after a text is a NUL, the registry counts
            // it although the caller left it out, and a value without its NUL could not be made.
            const std::string bytes = (displayName ? row.bytes : std::string("Quintaral", 10)) + 'x';
            ASSERT_EQ(RegSetValueExA(key, displayName ? "DisplayName" : "Publisher", 0, row.type,
                                     reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size() - 1)), 0);
            RegCloseKey(key);
        }
        EXPECT_TRUE(ReadInstallValue(L"Quintaral", L"DisplayName") == row.expected);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
}

// The runner sets up the drives besides C: and Z:, names the CD-ROM ones in MENU_TEST_CD_DRIVES and
// the fixed ones in MENU_TEST_FIXED_DRIVES, in drive order ("D:\ E:\"), and runs this from a fixed
// drive and from a copy on each CD-ROM drive.
TEST(Drives, FindCdDriveAnswersTheDiscTheProgramRunsFromElseTheFirstCdRomDrive) {
    if (!std::getenv("MENU_TEST_CD_DRIVES")) GTEST_SKIP() << "the runner names the CD-ROM drives it configured";
    std::vector<std::string> cdRoms, configured{"C:\\", "Z:\\"}, listed;
    for (const std::string variable : {"MENU_TEST_CD_DRIVES", "MENU_TEST_FIXED_DRIVES"}) {
        const bool cdRom = variable == "MENU_TEST_CD_DRIVES";
        std::istringstream words(std::getenv(variable.c_str()) ? std::getenv(variable.c_str()) : "");
        for (std::string root; words >> root; configured.push_back(root)) {
            EXPECT_EQ(GetDriveTypeA(root.c_str()), cdRom ? UINT{DRIVE_CDROM} : UINT{DRIVE_FIXED}) << root;
            if (cdRom) cdRoms.push_back(root);
        }
    }
    std::sort(configured.begin(), configured.end());
    char list[26 * 4 + 1] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof list, list);
    for (const char* root = list; root < list + length && *root; root += std::strlen(root) + 1) listed.push_back(Upper(root));
    EXPECT_EQ(listed, configured) << "the drives the system lists: C:, the configured drives, Z:";
    const std::string own = Upper(ProgramPath().substr(0, 3));
    const bool onCdRom = std::find(cdRoms.begin(), cdRoms.end(), own) != cdRoms.end();
    EXPECT_EQ(FindCdDrive(), Wide(cdRoms.empty() ? "" : onCdRom ? own : cdRoms[0])) << "running from " << own;
}

class ScriptedProcesses final : public platform::win32::ProcessApi {
public:
    DWORD createResult = 0, shellResult = 0;
    std::wstring calls;
    DWORD CreateProcessAt(const std::wstring& path, int show) override {
        calls += L"create " + path + L" " + std::to_wstring(show) + L"; ";
        return createResult;
    }
    DWORD ShellExecuteAt(const std::wstring& path, int show) override {
        calls += L"shell " + path + L" " + std::to_wstring(show) + L"; ";
        return shellResult;
    }
};

// An installer that needs administrator rights is started through the shell, which asks the user.
TEST(StartProgram, ElevationGoesThroughTheShellAndARefusalIsARunTimeError) {
    struct Case { DWORD create, shell; std::wstring calls; DWORD error; };
    const std::wstring create = L"create E:\\Setup.exe 1; ", shell = L"shell E:\\Setup.exe 1; ";
    const Case cases[] = {
        {0, 0, create, 0},
        {740, 0, create + shell, 0},  // ERROR_ELEVATION_REQUIRED
        {740, ERROR_CANCELLED, create + shell, ERROR_CANCELLED},
        {ERROR_FILE_NOT_FOUND, 0, create, ERROR_FILE_NOT_FOUND},  // not retried through the shell
    };
    for (const Case& row : cases) {
        ScriptedProcesses processes;
        processes.createResult = row.create;
        processes.shellResult = row.shell;
        platform::win32::Win32Platform platform(GetModuleHandleW(nullptr), processes);
        DWORD error = 0;
        try {
            platform.Shell(L"E:\\Setup.exe", 1);
        } catch (const platform::RuntimeError& failure) {
            error = failure.number;
            EXPECT_NE(failure.description.find(L"E:\\Setup.exe"), std::wstring::npos);
        }
        EXPECT_EQ(processes.calls, row.calls);
        EXPECT_EQ(error, row.error);
    }
}

TEST(StartProgram, RelativePathsAreTakenFromTheProgramsFolderNotTheCurrentOne) {
    ScriptedProcesses processes;
    platform::win32::Win32Platform platform(GetModuleHandleW(nullptr), processes);
    const std::string folder = ProgramFolder() + "wintests-cwd";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    platform.Shell(L"quin\\quin.exe", 1);
    EXPECT_EQ(processes.calls, L"create " + Wide(ProgramFolder()) + L"quin\\quin.exe 1; ");
    platform.ChDir(L"wintests-cwd\\");
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(current, folder);
    try {
        platform.ChDir(L"no-such-folder\\");
        ADD_FAILURE() << "a missing folder must fail";
    } catch (const platform::RuntimeError& error) {
        EXPECT_NE(error.description.find(Wide(ProgramFolder()) + L"no-such-folder\\"), std::wstring::npos);
    }
    SetCurrentDirectoryA("C:\\");
    RemoveDirectoryA(folder.c_str());
}

// Run by the next test as the program it starts: writes down the folder it was started in and the
// window style it was given.
TEST(StartProgram, StartedProgramReportsWhereItRuns) {
    const char* report = std::getenv("MENU_TEST_REPORT");
    if (!report) GTEST_SKIP() << "run as the program that the next test starts";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::ofstream(std::string(report) + ".part") << folder << "|" << startup.wShowWindow;
    MoveFileA((std::string(report) + ".part").c_str(), report);
}

TEST(StartProgram, AProgramRunsInTheCurrentFolderWithItsWindowStyleAndANonProgramIsAnError) {
    platform::win32::Win32Platform platform(GetModuleHandleW(nullptr));
    const std::string report = ProgramFolder() + "wintests-report.txt", folder = ProgramFolder() + "wintests-cwd";
    DeleteFileA(report.c_str());
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    SetEnvironmentVariableA("MENU_TEST_REPORT", report.c_str());
    SetEnvironmentVariableA("GTEST_FILTER", "StartProgram.StartedProgramReportsWhereItRuns");
    EXPECT_NO_THROW(platform.Shell(Wide(ProgramPath()), SW_SHOWMINNOACTIVE));
    SetEnvironmentVariableA("MENU_TEST_REPORT", nullptr);
    SetEnvironmentVariableA("GTEST_FILTER", nullptr);
    std::string reported;
    for (int wait = 0; wait < 300 && reported.empty(); ++wait, Sleep(100)) std::getline(std::ifstream(report), reported);
    EXPECT_EQ(reported, folder + "|" + std::to_string(SW_SHOWMINNOACTIVE));

    std::ofstream(folder + "\\text.exe") << "just text\r\n";
    EXPECT_THROW(platform.Shell(Wide(folder + "\\text.exe"), 1), platform::RuntimeError);
    // The shell, loaded only for an installer that needs it, starts a program and reports a missing one.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    platform::win32::ProcessApi& processes = platform::win32::RealProcessApi();
    EXPECT_EQ(processes.ShellExecuteAt(std::wstring(system) + L"\\hostname.exe", SW_SHOWMINNOACTIVE), 0u);
    EXPECT_EQ(processes.ShellExecuteAt(Wide(folder) + L"\\missing.exe", 1), DWORD{ERROR_FILE_NOT_FOUND});
    SetCurrentDirectoryA("C:\\");
    DeleteFileA((folder + "\\text.exe").c_str());
    DeleteFileA(report.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
