// Starting programs: the shell takes over when an installer needs administrator rights,
// and relative paths are taken from the program's own folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32Platform.h"

namespace {

using platform::win32::ProcessApi;

class ScriptedProcesses final : public ProcessApi {
public:
    DWORD createResult = 0;
    DWORD shellResult = 0;
    std::vector<std::wstring> calls;
    DWORD CreateProcessAt(const std::wstring& path, int showCommand) override {
        calls.push_back(L"create " + path + L" " + std::to_wstring(showCommand));
        return createResult;
    }
    DWORD ShellExecuteAt(const std::wstring& path, int showCommand) override {
        calls.push_back(L"shell " + path + L" " + std::to_wstring(showCommand));
        return shellResult;
    }
};

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

TEST(StartProgram, AnInstallerThatNeedsElevationIsStartedThroughTheShell) {
    ScriptedProcesses processes;
    processes.createResult = 740;  // ERROR_ELEVATION_REQUIRED
    EXPECT_EQ(StartProgram(processes, L"E:\\Setup.exe", SW_SHOWNORMAL), 0u);
    EXPECT_EQ(processes.calls, (std::vector<std::wstring>{L"create E:\\Setup.exe 1", L"shell E:\\Setup.exe 1"}));

    processes.calls.clear();
    processes.shellResult = ERROR_CANCELLED;  // the user refused
    EXPECT_EQ(StartProgram(processes, L"E:\\Setup.exe", SW_SHOWNORMAL), static_cast<DWORD>(ERROR_CANCELLED));

    processes.calls.clear();
    processes.createResult = ERROR_FILE_NOT_FOUND;
    EXPECT_EQ(StartProgram(processes, L"E:\\Setup.exe", SW_SHOWNORMAL), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(processes.calls.size(), 1u) << "other failures are not retried through the shell";
}

TEST(StartProgram, ARefusedElevationIsARunTimeErrorWithItsNumber) {
    ScriptedProcesses processes;
    processes.createResult = 740;
    processes.shellResult = ERROR_CANCELLED;
    platform::win32::Win32Platform platform(GetModuleHandleW(nullptr), processes);
    try {
        platform.Shell(L"E:\\Setup.exe", 1);
        FAIL() << "a refused start must fail";
    } catch (const platform::RuntimeError& error) {
        EXPECT_EQ(error.number, static_cast<unsigned long>(ERROR_CANCELLED));
        EXPECT_NE(error.description.find(L"E:\\Setup.exe"), std::wstring::npos);
    }
}

TEST(StartProgram, RelativePathsAreTakenFromTheProgramsFolderNotTheCurrentOne) {
    ScriptedProcesses processes;
    platform::win32::Win32Platform platform(GetModuleHandleW(nullptr), processes);
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    platform.Shell(L"quin\\quin.exe", 1);
    EXPECT_EQ(processes.calls, (std::vector<std::wstring>{L"create " + ProgramFolder() + L"quin\\quin.exe 1"}));

    const std::wstring folder = ProgramFolder() + L"wintests-cwd";
    CreateDirectoryW(folder.c_str(), nullptr);
    platform.ChDir(L"wintests-cwd\\");
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current), folder);

    try {
        platform.ChDir(L"no-such-folder\\");
        FAIL() << "a missing folder must fail";
    } catch (const platform::RuntimeError& error) {
        EXPECT_EQ(error.number, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
        EXPECT_NE(error.description.find(ProgramFolder() + L"no-such-folder\\"), std::wstring::npos);
    }
    SetCurrentDirectoryW(L"C:\\");
    RemoveDirectoryW(folder.c_str());
}

TEST(StartProgram, AProgramIsReallyStartedAndAFileThatIsNoProgramIsAnError) {
    platform::win32::Win32Platform platform(GetModuleHandleW(nullptr));
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_NO_THROW(platform.Shell(std::wstring(system) + L"\\hostname.exe", SW_SHOWMINNOACTIVE));

    const std::wstring text = ProgramFolder() + L"wintests-not-a-program.exe";
    HANDLE file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "just text\r\n", 11, &written, nullptr);
    CloseHandle(file);
    EXPECT_THROW(platform.Shell(text, 1), platform::RuntimeError);
    DeleteFileW(text.c_str());
}

}  // namespace

// The shell is loaded only when an installer needs it; it must still start one, and
// report a program that is not there.
TEST(StartProgram, TheShellStartsAProgramAndReportsAMissingOne) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    platform::win32::ProcessApi& processes = platform::win32::RealProcessApi();
    EXPECT_EQ(processes.ShellExecuteAt(std::wstring(system) + L"\\hostname.exe", SW_SHOWMINNOACTIVE), 0u);
    EXPECT_EQ(processes.ShellExecuteAt(ProgramFolder() + L"wintests-no-such-program.exe", SW_SHOWNORMAL),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
