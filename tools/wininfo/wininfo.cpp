// The window lister of the end-to-end tests and the bench, run under Wine beside the menu.
// Without options, one visible top-level window a line, tab-separated, UTF-8:
//   hwnd  pid  class  text  left top right bottom  client-width client-height  client-x client-y
// and for each child, indented by one tab:  hwnd  class  text  left top right bottom
// (screen coordinates; tabs, line breaks and backslashes in texts escaped with a backslash).
// --accessible: each menu window as a screen reader reads it from this other process, a line
// per child of its client area:  id  name  role  state (hex).
// --codepage: the ANSI code page Wine gives a program started in this environment.
#include <windows.h>
#include <oleacc.h>

#include <string>

namespace {

void Write(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
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

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// WM_GETTEXT rather than GetWindowText: the latter does not read other processes' controls.
std::wstring Line(HWND window, bool topLevel) {
    wchar_t text[8192] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
    RECT rect{};
    GetWindowRect(window, &rect);
    std::wstring line = std::to_wstring(reinterpret_cast<ULONG_PTR>(window)) + L"\t";
    if (topLevel) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        line += std::to_wstring(process) + L"\t";
    }
    line += ClassOf(window) + L"\t" + Escaped(text);
    for (long value : {rect.left, rect.top, rect.right, rect.bottom}) line += L"\t" + std::to_wstring(value);
    return line;
}

BOOL CALLBACK ListChild(HWND child, LPARAM) {
    Write(L"\t" + Line(child, false) + L"\n");
    return TRUE;
}

BOOL CALLBACK ListTopLevel(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    Write(Line(window, true) + L"\t" + std::to_wstring(client.right) + L"\t" + std::to_wstring(client.bottom) + L"\t" +
          std::to_wstring(origin.x) + L"\t" + std::to_wstring(origin.y) + L"\n");
    EnumChildWindows(window, ListChild, 0);
    return TRUE;
}

BOOL CALLBACK ListAccessible(HWND window, LPARAM) {
    IAccessible* form = nullptr;
    if (!IsWindowVisible(window) || ClassOf(window) != L"QuintaralForm" ||
        FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&form)))) {
        return TRUE;
    }
    long count = 0;
    form->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        VARIANT child{}, role{}, state{};
        child.vt = VT_I4;
        child.lVal = id;
        BSTR name = nullptr;
        wchar_t roleText[64] = {}, stateText[16] = {};
        form->get_accName(child, &name);
        form->get_accRole(child, &role);
        form->get_accState(child, &state);
        if (role.vt == VT_I4) GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 64);
        wsprintfW(stateText, L"%08lx", state.vt == VT_I4 ? state.lVal : 0L);
        Write(std::to_wstring(id) + L"\t" + Escaped(name ? name : L"") + L"\t" + roleText + L"\t" + stateText + L"\n");
        SysFreeString(name);
    }
    form->Release();
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"--codepage") {
        Write(std::to_wstring(GetACP()) + L"\n");
    } else if (mode == L"--accessible") {
        CoInitialize(nullptr);
        EnumWindows(ListAccessible, 0);
    } else {
        EnumWindows(ListTopLevel, 0);
    }
    return 0;
}
