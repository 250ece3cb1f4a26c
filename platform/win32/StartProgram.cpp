#include "StartProgram.h"

#include <shellapi.h>

#include "Com.h"
#include "Handles.h"

namespace platform::win32 {

namespace {

// ERROR_ELEVATION_REQUIRED, which headers for older Windows do not declare.
constexpr DWORD kElevationRequired = 740;

class Win32ProcessApi final : public ProcessApi {
public:
    DWORD CreateProcessAt(const std::wstring& path, int showCommand) override {
        std::wstring commandLine = L"\"" + path + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(showCommand);
        PROCESS_INFORMATION started{};
        // The full path as the application name: the system never searches for it. The program gets the system's
        // default error mode, not the menu's, so that an installer keeps its own "insert the disc" prompts.
        if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE,
                            nullptr, nullptr, &startup, &started)) {
            return GetLastError();
        }
        OwnedHandle process(started.hProcess);
        OwnedHandle thread(started.hThread);
        return 0;
    }

    // Only for a program that needs elevation: the Application Information service creates it, not this process,
    // so it never has the menu's error mode.
    DWORD ShellExecuteAt(const std::wstring& path, int showCommand, HWND owner) override {
        // The shell and the libraries it brings are loaded only for this rare case: as an
        // import they would be loaded, and would slow, every start of the menu.
        HMODULE shell = LoadSystemLibrary(L"shell32.dll");
        if (!shell) return GetLastError();
        decltype(&ShellExecuteExW) shellExecute = nullptr;
        FindFunction(shell, "ShellExecuteExW", shellExecute);
        if (!shellExecute) return GetLastError();
        // The shell may hand the start to extensions that are COM objects: it asks for COM on
        // the thread. Where COM cannot be had, it still starts plain programs.
        InitialiseCom();
        SHELLEXECUTEINFOW execute{};
        execute.cbSize = sizeof execute;
        execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        execute.hwnd = owner;
        execute.lpVerb = L"open";
        execute.lpFile = path.c_str();
        execute.nShow = showCommand;
        if (!shellExecute(&execute)) return GetLastError();
        OwnedHandle process(execute.hProcess);
        return 0;
    }
};

// `path` as the file functions take it at MAX_PATH characters or more, where the plain form fails: "\\?\C:\..." or
// "\\?\UNC\server\share\...". A shorter or relative path is left as it is.
std::wstring LongForm(const std::wstring& path) {
    if (path.size() < MAX_PATH || path.starts_with(L"\\\\?\\")) return path;
    if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
    return path.size() > 2 && path[1] == L':' && path[2] == L'\\' ? L"\\\\?\\" + path : path;
}

// At namespace scope: a function's static would bring in the runtime's guarded
// initialization, and with it a good part of its thread library.
Win32ProcessApi g_processes;

}  // namespace

ProcessApi& RealProcessApi() { return g_processes; }

DWORD StartProgram(ProcessApi& api, const std::wstring& path, int showCommand, HWND owner) {
    // A program that is not marked long-path aware starts nothing by a longer path (Wine's process creation garbles
    // one and leaves the menu hung): the run-time error names the path instead.
    if (path.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    const DWORD error = api.CreateProcessAt(path, showCommand);
    // An installer that asks for administrator rights cannot be created directly; the shell
    // starts it after the user's consent, and a refusal is a failed start like any other.
    if (error == kElevationRequired) return api.ShellExecuteAt(path, showCommand, owner);
    return error;
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FromProgramFolder(std::wstring_view path) {
    const bool hasDrive = path.size() >= 2 && path[1] == L':';
    const bool rooted = !path.empty() && (path[0] == L'\\' || path[0] == L'/');
    if (hasDrive || rooted) return std::wstring(path);
    const std::wstring program = ProgramPath();
    return program.substr(0, program.find_last_of(L'\\') + 1) + std::wstring(path);
}

}  // namespace platform::win32
