#pragma once
// Starting a program without waiting for it, behind a seam so that tests can play the
// system's part (an installer that needs administrator rights, a user who refuses them).

#include <windows.h>

#include <string>
#include <string_view>

namespace platform::win32 {

class ProcessApi {
public:
    virtual ~ProcessApi() = default;
    // Each answers 0 when the program was started, else the system's error code.
    virtual DWORD CreateProcessAt(const std::wstring& path, int showCommand) = 0;
    // Through the shell, which asks the user for consent where the program needs it, the prompt owned by `owner`
    // (the window in front, which it then does not open behind; nullptr for none).
    virtual DWORD ShellExecuteAt(const std::wstring& path, int showCommand, HWND owner) = 0;
};

ProcessApi& RealProcessApi();

// Starts the program at the full path `path`, the system's prompts owned by `owner`; 0 or the system's error code.
DWORD StartProgram(ProcessApi& api, const std::wstring& path, int showCommand, HWND owner);

// The full path of the running program; empty if the system cannot tell it.
std::wstring ProgramPath();
// Whether `path` names an existing file, not a folder.
bool IsFile(const std::wstring& path);
// `path` as it is, if it has a drive or a leading backslash; else in the folder that holds the
// program, so that neither the search path nor the current directory can put another there.
std::wstring FromProgramFolder(std::wstring_view path);

}  // namespace platform::win32
