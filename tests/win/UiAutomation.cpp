// UI Automation's client as Narrator and Voice Access read the windows.
#include <windows.h>
#include <objbase.h>

#include <optional>
#include <set>
#include <string>

#include "platform/win32/Com.h"

namespace {

using platform::win32::ComPtr;

// Debian 12's MinGW declares none of UI Automation's interfaces: the few methods used are called by their places in
// Windows' UIAutomationClient.idl, after IUnknown's three.
constexpr CLSID kCUIAutomation{0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
constexpr IID kIUIAutomation{0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
enum UiaMethod {
    kElementFromHandle = 3, kCreateTreeWalker = 10, kCreateTrueCondition = 18,  // IUIAutomation
    kFirstChild = 1, kNextSibling = 3,                                           // IUIAutomationTreeWalker
    kControlType = 18, kName = 20, kKeyboardFocusable = 24, kBoundingRectangle = 40,  // IUIAutomationElement
};
template <class... Arguments>
HRESULT Call(IUnknown* object, UiaMethod method, Arguments... arguments) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, Arguments...);
    return reinterpret_cast<Method>((*reinterpret_cast<void***>(object))[3 + method])(object, arguments...);
}

// An element and its subtree, a line each, indented by depth: control type, name, rectangle (relative to the window),
// and what Windows' accessibility checkers flag. Returns the element's name. Wine 10 reads the system's own controls
// as nothing when it walks to them from their form: "unread" (Active Accessibility's transcript reads them).
std::wstring ReadUia(IUnknown* walker, IUnknown* element, const RECT& frame, size_t depth, std::wstring& lines) {
    static const std::pair<int, const wchar_t*> kTypes[] = {{50000, L"Button"}, {50002, L"CheckBox"}, {50004, L"Edit"},
        {50011, L"MenuItem"}, {50020, L"Text"}, {50032, L"Window"}, {50033, L"Pane"}};
    int type = 0;
    BSTR name = nullptr;
    BOOL focusable = FALSE;
    RECT rect{}, within{};
    Call(element, kControlType, &type);
    Call(element, kName, &name);
    Call(element, kKeyboardFocusable, &focusable);
    Call(element, kBoundingRectangle, &rect);
    const std::wstring own = name ? name : L"";
    SysFreeString(name);
    std::wstring kind = std::to_wstring(type);
    for (const auto& [id, text] : kTypes) kind = id == type ? text : kind;
    lines += L"\n" + std::wstring(2 * depth + 2, L' ');
    if (type == 50025 && own.empty() && IsRectEmpty(&rect)) return lines += L"unread", own;  // a custom control, empty
    lines += kind + L" " + own + L" | " + std::to_wstring(rect.left - frame.left) + L"," +
             std::to_wstring(rect.top - frame.top) + L" " + std::to_wstring(rect.right - rect.left) + L"x" +
             std::to_wstring(rect.bottom - rect.top);
    if (!IntersectRect(&within, &rect, &frame) || !EqualRect(&within, &rect)) lines += L" | empty or outside";
    if (focusable && own.empty()) lines += L" | focusable without a name";
    std::set<std::wstring> names;
    ComPtr<IUnknown> child;
    for (Call(walker, kFirstChild, element, child.Put()); child;) {
        const std::wstring sibling = ReadUia(walker, child.Get(), frame, depth + 1, lines);
        if (!sibling.empty() && !names.insert(sibling).second) lines += L" | name again";
        ComPtr<IUnknown> next;
        Call(walker, kNextSibling, child.Get(), next.Put());
        child = std::move(next);
    }
    return own;
}

}  // namespace

std::optional<std::wstring> ReadThroughUia(HWND window) {
    ComPtr<IUnknown> uia, all, walker, root;
    RECT frame{};
    if (CoCreateInstance(kCUIAutomation, nullptr, CLSCTX_INPROC_SERVER, kIUIAutomation, uia.Put())) return {};  // Wine 8
    GetWindowRect(window, &frame);
    std::wstring lines;
    if (Call(uia.Get(), kCreateTrueCondition, all.Put()) == S_OK &&
        Call(uia.Get(), kCreateTreeWalker, all.Get(), walker.Put()) == S_OK &&
        Call(uia.Get(), kElementFromHandle, window, root.Put()) == S_OK) {
        ReadUia(walker.Get(), root.Get(), frame, 0, lines);
    }
    return lines;
}
