// Lists the visible windows, a line each, tab-separated, UTF-8: hwnd pid class text left top right
// bottom client-width client-height client-x client-y; each child after its window, indented by a
// tab, up to its rectangle (texts' tabs, line breaks, backslashes escaped).
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kSpecial[] = L"\t\n\r\\", kEscaped[] = L"tnr\\";

void Write(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    // Bytes straight to the handle: the console code page would turn Greek into question marks.
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Line(HWND window) {
    // WM_GETTEXT rather than GetWindowText: the latter does not read other processes' controls.
    wchar_t text[8192] = {}, name[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    GetClassNameW(window, name, 256);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    std::wstring line = std::to_wstring(reinterpret_cast<ULONG_PTR>(window)) + L"\t" + std::to_wstring(process) +
                        L"\t" + name + L"\t";
    for (const wchar_t* c = text; *c; ++c) {
        const wchar_t* special = wcschr(kSpecial, *c);
        line += special ? std::wstring{L'\\', kEscaped[special - kSpecial]} : std::wstring(1, *c);
    }
    RECT rect{};
    GetWindowRect(window, &rect);
    for (long value : {rect.left, rect.top, rect.right, rect.bottom}) line += L"\t" + std::to_wstring(value);
    return line;
}

BOOL CALLBACK List(HWND window, LPARAM child) {
    if (child) return Write(L"\t" + Line(window) + L"\n"), TRUE;
    if (!IsWindowVisible(window)) return TRUE;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    std::wstring line = Line(window);
    for (long value : {client.right, client.bottom, origin.x, origin.y}) line += L"\t" + std::to_wstring(value);
    Write(line + L"\n");
    EnumChildWindows(window, List, 1);
    return TRUE;
}

}  // namespace

int wmain() { return EnumWindows(List, 0) ? 0 : 1; }
