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
//
// wininfo --accessible reads the menu's windows as a screen reader does, through Active
// Accessibility from this other process: for each window of class QuintaralForm a line
//   hwnd  name  role
// and for each child of its client area, indented by one tab:
//   id  name  role  state  default-action
// with roles as the system words them and states in hexadecimal.
// wininfo --do-default HWND ID performs the default action of child ID of that window.
#include <windows.h>
#include <oleacc.h>

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


std::wstring Take(BSTR text) {
    std::wstring taken = text ? text : L"";
    SysFreeString(text);
    return Escaped(taken);
}

std::wstring RoleText(const VARIANT& role) {
    wchar_t text[64] = {};
    if (role.vt == VT_I4) GetRoleTextW(static_cast<DWORD>(role.lVal), text, 64);
    return text;
}

std::wstring Describe(IAccessible* object, long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    BSTR name = nullptr, action = nullptr;
    VARIANT role{}, state{};
    object->get_accName(child, &name);
    object->get_accRole(child, &role);
    object->get_accState(child, &state);
    object->get_accDefaultAction(child, &action);
    return Take(name) + L"\t" + RoleText(role) + L"\t" + HexNumber(state.vt == VT_I4 ? state.lVal : 0) + L"\t" +
           Take(action);
}

BOOL CALLBACK ListAccessible(HWND window, LPARAM) {
    if (!IsWindowVisible(window) || ClassOf(window) != L"QuintaralForm") return TRUE;
    IAccessible* form = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&form)))) {
        Write(Hex(window) + L"\t(no accessible object)\n");
        return TRUE;
    }
    Write(Hex(window) + L"\t" + Describe(form, CHILDID_SELF) + L"\n");
    long count = 0;
    form->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        // A child window is an object of its own: read from its client area, as a screen
        // reader does when it gets there.
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = id;
        IDispatch* object = nullptr;
        HWND childWindow = nullptr;
        IAccessible* own = nullptr;
        if (form->get_accChild(child, &object) == S_OK && object) {
            if (SUCCEEDED(object->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own)))) {
                WindowFromAccessibleObject(own, &childWindow);
                own->Release();
                own = nullptr;
            }
            object->Release();
        }
        if (childWindow && SUCCEEDED(AccessibleObjectFromWindow(childWindow, OBJID_CLIENT, __uuidof(IAccessible),
                                                                 reinterpret_cast<void**>(&own)))) {
            Write(L"\t" + std::to_wstring(id) + L"\t" + Describe(own, CHILDID_SELF) + L"\n");
            own->Release();
        } else {
            Write(L"\t" + std::to_wstring(id) + L"\t" + Describe(form, id) + L"\n");
        }
    }
    form->Release();
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitialize(nullptr);
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"--accessible") {
        EnumWindows(ListAccessible, 0);
    } else if (mode == L"--do-default" && argc == 4) {
        IAccessible* form = nullptr;
        HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(wcstoul(argv[2], nullptr, 16)));
        if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&form)))) {
            return 1;
        }
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = _wtol(argv[3]);
        const HRESULT done = form->accDoDefaultAction(child);
        form->Release();
        return FAILED(done) ? 1 : 0;
    } else {
        EnumWindows(ListTopLevel, 0);
    }
    return 0;
}
