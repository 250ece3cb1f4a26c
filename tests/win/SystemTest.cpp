// The system as the menu meets it: the registry and the programs it starts (the drives, the end-to-end journeys).
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "menu/Program.h"
#include "platform/win32/Win32Platform.h"
#include "system/Module1.h"
#include "tests/common/InstallValueCases.h"

namespace {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path).substr(0, std::wstring(path).find_last_of(L'\\') + 1);
}

// Each row written as the installers, 32-bit programs, write it (in the registry's 32-bit view),
// then read back through the menu's query: by the 32-bit build and by the 64-bit one.
TEST(Registry, EveryStoredValueReadsAsTheTableSays) {
    using install_value_cases::Stored;
    constexpr char kKey[] = "SOFTWARE\\Quintaral\\Quintaral\\Quintaral";
    for (const install_value_cases::Case& row : install_value_cases::kAllCases) {
        SCOPED_TRACE(row.name);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
        HKEY key = nullptr;
        if (row.stored != Stored::kNoKey &&
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_32KEY, nullptr, &key,
                            nullptr) == ERROR_SUCCESS) {
            const bool displayName = row.stored == Stored::kDisplayName;
            // A guard byte after the data: where the byte after a text is a NUL, the registry counts
            // it although the caller left it out, and a value without its NUL could not be made.
            const std::string bytes = (displayName ? row.bytes : std::string("Quintaral", 10)) + 'x';
            EXPECT_EQ(RegSetValueExA(key, displayName ? "DisplayName" : "Publisher", 0, row.type,
                      reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size() - 1)), 0);
            RegCloseKey(key);
        }
        EXPECT_TRUE(ReadInstallValue(L"Quintaral", L"DisplayName") == row.expected);
    }
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
}

struct ScriptedProcesses final : platform::win32::ProcessApi {
    ScriptedProcesses(DWORD create, DWORD shell) : create(create), shell(shell) {}
    const DWORD create, shell;
    std::wstring calls;
    DWORD CreateProcessAt(const std::wstring& path, int show) override { return Call(L"create ", path, show, create); }
    DWORD ShellExecuteAt(const std::wstring& path, int show, HWND owner) override {
        return Call(owner && owner == GetActiveWindow() ? L"owned shell " : L"shell ", path, show, shell);
    }
    DWORD Call(const wchar_t* how, const std::wstring& path, int show, DWORD result) {
        calls += how + path + L" " + std::to_wstring(show) + L"; ";
        return result;
    }
};

// A relative path is the program's folder's; an installer that needs elevation goes through the shell, its prompt owned
// by the window in front. Past MAX_PATH, files are found, but no start or change of folder (a path ending in "\\").
TEST(StartProgram, EveryStartGoesWhereTheTableSays) {
    const std::wstring create = L"create E:\\Setup.exe 7; ", shell = L"owned shell E:\\Setup.exe 7; ";
    std::vector<std::wstring> deep{ProgramFolder() + L"deep\\"};
    while (deep.back().size() < MAX_PATH) deep.push_back(deep.back() + L"Αντίγραφο του δίσκου Quintaral\\");
    for (const std::wstring& folder : deep) CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    const std::wstring setup = deep.back() + L"Setup.exe";
    CloseHandle(CreateFileW((L"\\\\?\\" + setup).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(platform::win32::IsFile(setup));
    const struct { std::wstring path; DWORD create, shell; std::wstring calls; DWORD error; } cases[] = {
        {setup, 0, 0, L"", ERROR_FILENAME_EXCED_RANGE},
        {deep.back(), 0, 0, L"", ERROR_FILENAME_EXCED_RANGE},
        {L"quin\\quin.exe", 0, 0, L"create " + ProgramFolder() + L"quin\\quin.exe 7; ", 0},
        {L"E:\\Setup.exe", 0, 0, create, 0},
        {L"E:\\Setup.exe", 740, 0, create + shell, 0},  // ERROR_ELEVATION_REQUIRED
        {L"E:\\Setup.exe", 740, ERROR_CANCELLED, create + shell, ERROR_CANCELLED},
        {L"E:\\Setup.exe", ERROR_BAD_EXE_FORMAT, 0, create, ERROR_BAD_EXE_FORMAT},  // not retried through the shell
    };
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    for (const auto& row : cases) {
        ScriptedProcesses processes(row.create, row.shell);
        platform::win32::Win32Platform platform(GetModuleHandleW(nullptr), processes);
        platform::Forms forms(platform);
        platform.Dispatch([&] { StartMenu(forms); });
        DWORD error = 0;
        try {
            row.path.ends_with(L'\\') ? platform.ChDir(row.path) : platform.Shell(row.path, SW_SHOWMINNOACTIVE);
        } catch (const platform::RuntimeError& failure) {
            error = failure.number;
            EXPECT_NE(failure.description.find(row.path), std::wstring::npos) << "the error names the program";
            EXPECT_EQ(failure.description.find(L"%1"), std::wstring::npos) << "the system's message names it too";
        }
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(processes.calls, row.calls);
    }
    DeleteFileW((L"\\\\?\\" + setup).c_str());
    for (auto folder = deep.rbegin(); folder != deep.rend(); ++folder) RemoveDirectoryW((L"\\\\?\\" + *folder).c_str());
}

// The handles three starts leave open after a first (Wine 10's shell keeps a registry key open from its first start
// on), counted among the first thousand values, the lowest free taken first (Wine's GetProcessHandleCount counts none).
template <class Start>
int HandlesLeftByThreeStarts(Start start) {
    auto open = [flags = DWORD{0}]() mutable {
        int count = 0;
        for (ULONG slot = 4; slot < 0x1000; slot += 4) count += GetHandleInformation(ULongToHandle(slot), &flags);
        return count;
    };
    start();
    const int before = open();
    for (int starts = 0; starts < 3; ++starts) start();
    return open() - before;
}

// A program created directly holds none of the menu's handles: of an inheritable pipe, the end it would hold stays open
// while it runs. The shell, loaded only for an installer that needs it, reports a missing program and starts one, its
// handle to it given back; COM is set up on its thread in a single-threaded apartment before it is asked, as it asks.
TEST(StartProgram, RealStartsLeaveNoHandlesAndTheShellHasCom) {
    platform::win32::ProcessApi& processes = platform::win32::RealProcessApi();
    const std::wstring hostname = L"C:\\windows\\system32\\hostname.exe";
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE ours = nullptr, theirs = nullptr;
    ASSERT_TRUE(CreatePipe(&ours, &theirs, &inheritable, 0));
    EXPECT_EQ(processes.CreateProcessAt(ProgramFolder() + L"standin.exe", SW_SHOWMINNOACTIVE), 0u);
    const auto startDirectly = [&] { EXPECT_EQ(processes.CreateProcessAt(hostname, SW_HIDE), 0u); };
    EXPECT_EQ(HandlesLeftByThreeStarts(startDirectly), 0) << "the handles to the program and its thread given back";
    CloseHandle(theirs);
    EXPECT_FALSE(PeekNamedPipe(ours, nullptr, 0, nullptr, nullptr, nullptr)) << "the program holds the pipe's end";
    CloseHandle(ours);
    HWND standIn = nullptr;
    for (int tries = 0; tries < 500 && !(standIn = FindWindowW(L"QuintaralStandIn", nullptr)); ++tries) Sleep(20);
    PostMessageW(standIn, WM_CLOSE, 0, 0);
    std::thread([&processes, &hostname] {
        EXPECT_EQ(processes.ShellExecuteAt(ProgramFolder() + L"missing.exe", 1, nullptr), DWORD{ERROR_FILE_NOT_FOUND});
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        const auto startThroughTheShell = [&] {
            EXPECT_EQ(processes.ShellExecuteAt(hostname, SW_HIDE, nullptr), 0u);
        };
        EXPECT_EQ(HandlesLeftByThreeStarts(startThroughTheShell), 0) << "the shell's handle to the program given back";
    }).join();
}

}  // namespace
