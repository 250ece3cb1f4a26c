// Lists the visible top-level windows and their children for the end-to-end tests, which
// run it under Wine beside the menu. One window a line, tab-separated, UTF-8:
//   hwnd  pid  class  text  left top right bottom  client-width client-height  client-x client-y
// and for each child, indented by one tab:
//   hwnd  class  text  left top right bottom  id  visible
// Rectangles are in screen coordinates; tabs and line breaks in texts are written as \t, \n, \r.
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

std::wstring Hex(HWND window) {
    wchar_t buffer[32];
    wsprintfW(buffer, L"%08lx", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)));
    return buffer;
}

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

std::wstring Numbers(std::initializer_list<long> values) {
    std::wstring out;
    for (long value : values) out += L"\t" + std::to_wstring(value);
    return out;
}

BOOL CALLBACK ListChild(HWND child, LPARAM) {
    RECT rect{};
    GetWindowRect(child, &rect);
    Write(L"\t" + Hex(child) + L"\t" + ClassOf(child) + L"\t" + TextOf(child) +
          Numbers({rect.left, rect.top, rect.right, rect.bottom, GetDlgCtrlID(child), IsWindowVisible(child) ? 1 : 0}) +
          L"\n");
    return TRUE;
}

BOOL CALLBACK ListTopLevel(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    Write(Hex(window) + L"\t" + std::to_wstring(process) + L"\t" + ClassOf(window) + L"\t" + TextOf(window) +
          Numbers({rect.left, rect.top, rect.right, rect.bottom, client.right, client.bottom, origin.x, origin.y}) +
          L"\n");
    EnumChildWindows(window, ListChild, 0);
    return TRUE;
}

}  // namespace

int wmain() {
    EnumWindows(ListTopLevel, 0);
    return 0;
}
