// Stands in for the programs on the demo disc (quin\quin.exe, dbsetup.exe, Setup.exe): it
// takes its identity from its own file name, records its start in a log the tests read, and
// shows a small window so that a person running the demo sees what the menu started.
#include <windows.h>

#include <string>

namespace {

constexpr int kCloseId = 100;

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

std::wstring CurrentFolder() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(length, L'\0');
    folder.resize(GetCurrentDirectoryW(length, folder.data()));
    return folder;
}

std::wstring Environment(const wchar_t* name) {
    const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0) return {};
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

// One line per start; several stand-ins may append to the same log, so it is shared.
void AppendToLog(const std::wstring& line) {
    const std::wstring logPath = Environment(L"QUINTARAL_STANDIN_LOG");
    if (logPath.empty()) return;
    HANDLE log = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), size, nullptr,
                        nullptr);
    DWORD written = 0;
    WriteFile(log, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(log);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kCloseId || LOWORD(wParam) == IDCANCEL) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

// The log's line: name, folder, path, what the command line holds after the program's name (a path with blanks
// that lost its quotes leaves its rest there), window style.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int showCommand) {
    const std::wstring path = ModulePath();
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    const std::wstring folder = CurrentFolder();
    AppendToLog(name + L"\t" + folder + L"\t" + path + L"\t" + arguments + L"\t" + std::to_wstring(showCommand) +
                L"\r\n");
    if (!Environment(L"QUINTARAL_STANDIN_QUIET").empty()) return 0;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"QuintaralStandIn";
    RegisterClassW(&windowClass);

    const std::wstring title = L"Demo – " + name;
    const std::wstring text = L"Αυτό είναι το " + name +
                              L" του δίσκου επίδειξης.\n"
                              L"This is " + name + L" of the demo disc.\n\n"
                              L"Φάκελος / Folder: " + folder + L"\n" + path;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, 420, 150};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowW(windowClass.lpszClassName, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                nullptr);
    if (!window) return 1;

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HWND label = CreateWindowW(L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 12, 10, 396, 96,
                               window, nullptr, instance, nullptr);
    HWND close = CreateWindowW(L"BUTTON", L"Κλείσιμο / Close",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 290, 114, 118, 26, window,
                               reinterpret_cast<HMENU>(kCloseId), instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(close, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ShowWindow(window, showCommand);
    SetFocus(close);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Return, Escape and Tab behave as in a dialog.
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DeleteObject(font);
    return 0;
}
