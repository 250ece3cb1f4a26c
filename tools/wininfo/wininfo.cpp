// Lists the visible top-level windows and their children for the end-to-end tests, which
// run it under Wine beside the menu. One window a line, tab-separated, UTF-8:
//   hwnd  pid  class  text  left top right bottom  client-width client-height  client-x client-y
//   style  ex-style  focus
// and for each child, indented by one tab:
//   hwnd  class  text  left top right bottom  id  visible  style check first-line
// Rectangles are in screen coordinates; tabs and line breaks in texts are written as \t, \n, \r.
// Styles and handles are hexadecimal; focus is the window that has the keyboard focus in the
// window's thread (00000000 for none), check is a button's BM_GETCHECK and first-line an edit
// control's first visible line (-1 for other classes).
#include <windows.h>

#include <string>

namespace {

void Write(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    // Bytes straight to the handle: the console code page would turn Greek into question marks.
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\t') out += L"\\t";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\r') out += L"\\r";
        else if (c == L'\\') out += L"\\\\";
        else out += c;
    }
    return out;
}

std::wstring HexNumber(unsigned long value) {
    wchar_t buffer[16];
    wsprintfW(buffer, L"%08lx", value);
    return buffer;
}

std::wstring Hex(HWND window) { return HexNumber(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window))); }

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// WM_GETTEXT rather than GetWindowText: the latter does not read other processes' controls.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied)) {
        return {};
    }
    text.resize(copied);
    return Escaped(text);
}

// A number a control answers for itself, or -1 when it does not answer.
long Ask(HWND window, UINT message) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer)) return -1;
    return static_cast<long>(answer);
}

std::wstring Numbers(std::initializer_list<long> values) {
    std::wstring out;
    for (long value : values) out += L"\t" + std::to_wstring(value);
    return out;
}

BOOL CALLBACK ListChild(HWND child, LPARAM) {
    RECT rect{};
    GetWindowRect(child, &rect);
    const std::wstring cls = ClassOf(child);
    const long check = lstrcmpiW(cls.c_str(), L"Button") == 0 ? Ask(child, BM_GETCHECK) : -1;
    const long firstLine = lstrcmpiW(cls.c_str(), L"Edit") == 0 ? Ask(child, EM_GETFIRSTVISIBLELINE) : -1;
    Write(L"\t" + Hex(child) + L"\t" + cls + L"\t" + TextOf(child) +
          Numbers({rect.left, rect.top, rect.right, rect.bottom, GetDlgCtrlID(child), IsWindowVisible(child) ? 1 : 0}) +
          L"\t" + HexNumber(static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE))) +
          Numbers({check, firstLine}) + L"\n");
    return TRUE;
}

BOOL CALLBACK ListTopLevel(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    GUITHREADINFO threadInfo{};
    threadInfo.cbSize = sizeof threadInfo;
    HWND focus = GetGUIThreadInfo(thread, &threadInfo) ? threadInfo.hwndFocus : nullptr;
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    Write(Hex(window) + L"\t" + std::to_wstring(process) + L"\t" + ClassOf(window) + L"\t" + TextOf(window) +
          Numbers({rect.left, rect.top, rect.right, rect.bottom, client.right, client.bottom, origin.x, origin.y}) +
          L"\t" + HexNumber(static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE))) + L"\t" +
          HexNumber(static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE))) + L"\t" + Hex(focus) + L"\n");
    EnumChildWindows(window, ListChild, 0);
    return TRUE;
}

}  // namespace

int wmain() {
    EnumWindows(ListTopLevel, 0);
    return 0;
}
