// Screen readers as they read the menu, from another process and from within; objects kept past their windows.
#include <windows.h>
#include <objbase.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/win32/Com.h"
#include "platform/win32/Handles.h"
#include "platform/win32/StartProgram.h"
#include "platform/win32/Win32Platform.h"

namespace platform::win32 {
extern LONG g_accessibleObjects;
}
void PutToolInFront(HWND window);  // WindowTest.cpp, as Flush
void Flush();
std::optional<std::wstring> ReadThroughUia(HWND window);  // UiAutomation.cpp; none where the system lacks it

namespace {

using platform::win32::ComPtr;

VARIANT Child(long id) { return VARIANT{.vt = VT_I4, .lVal = id}; }

std::wstring Hex(HRESULT result) {
    wchar_t text[16];
    return std::wstring(text, static_cast<size_t>(swprintf(text, 16, L"%08lx", static_cast<unsigned long>(result))));
}

// Prints what was read, for whoever reads a failure, and whether it is what transcripts\NAME.txt holds.
bool Reads(const std::wstring& read, const wchar_t* name) {
    std::string bytes(read.size() * 3, '\0');
    bytes.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, read.data(), static_cast<int>(read.size()),
                                                         bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr)));
    std::printf("%s\n", bytes.c_str());
    const platform::win32::OwnedHandle file(CreateFileW((platform::win32::FromProgramFolder(L"transcripts\\") + name +
        L".txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string expected(1 << 16, '\0');
    DWORD size = 0;
    ReadFile(file.Get(), expected.data(), static_cast<DWORD>(expected.size()), &size, nullptr);
    return expected.substr(0, size) == bytes + "\n";
}

ComPtr<IAccessible> ObjectOf(HWND window) {
    ComPtr<IAccessible> object;
    AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), object.Put());
    return object;
}

// What is heard of the windows' simple elements, as "focus 2, state 1".
std::wstring g_heard;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    static const wchar_t* const kNames[] = {L"show", L"hide", L"reorder", L"focus", L"selection", L"add",
                                            L"remove", L"within", L"state", L"location", L"name"};
    if (object != OBJID_CLIENT || child <= 0) return;
    g_heard += (g_heard.empty() ? L"" : L", ") + std::wstring(kNames[event - EVENT_OBJECT_SHOW]) + L" " +
               std::to_wstring(child);
}

// A line for the window and one for each child: name | role | states | default action, then what is amiss: its place,
// its middle's hit, the next (after the last, nothing); a window; the window's focus and a hit just outside.
std::wstring Read(IAccessible& window, HWND frame) {
    RECT bounds{}, within{};
    GetWindowRect(frame, &bounds);
    long count = 0;
    window.get_accChildCount(&count);
    std::wstring lines;
    for (long id = 0; id <= count; ++id) {
        BSTR name = nullptr, action = nullptr;
        VARIANT role{}, state{}, hit{}, next{}, focus{}, beyond{};
        long x = 0, y = 0, width = 0, height = 0;
        window.get_accName(Child(id), &name);
        window.get_accRole(Child(id), &role);
        window.get_accState(Child(id), &state);
        window.get_accDefaultAction(Child(id), &action);
        window.accLocation(&x, &y, &width, &height, Child(id));
        window.accHitTest(x + width / 2, y + height / 2, &hit);
        const HRESULT stepped = window.accNavigate(id ? NAVDIR_NEXT : NAVDIR_FIRSTCHILD, Child(id), &next);
        wchar_t text[64] = L"";
        GetRoleTextW(role.lVal, text, 64);
        lines += L"\n  " + std::to_wstring(id) + L" " + (name ? name : L"") + L" | " + text + L" |";
        for (unsigned long bit = 1; bit; bit <<= 1) {
            if ((state.lVal & bit) && GetStateTextW(bit, text, 64)) lines += L" " + std::wstring(text);
        }
        lines += L" | " + std::wstring(action ? action : L"");
        const RECT place{x, y, x + width, y + height};
        if (!IntersectRect(&within, &place, &bounds) || !EqualRect(&within, &place)) lines += L" | outside the window";
        if (hit.vt == VT_I4 && hit.lVal != id) lines += L" | its middle hits " + std::to_wstring(hit.lVal);
        if (id == count ? stepped != S_FALSE || next.vt != VT_EMPTY : next.vt == VT_I4 && next.lVal != id + 1) {
            lines += L" | next " + std::to_wstring(next.lVal);
        }
        ComPtr<IDispatch> own;
        if (id && window.get_accChild(Child(id), reinterpret_cast<IDispatch**>(own.Put())) == S_OK) lines += L" | window";
        if (!id && window.get_accFocus(&focus) == S_OK) {
            lines += L" | focus " + (focus.vt == VT_I4 ? std::to_wstring(focus.lVal) : L"window");
        }
        if (!id && window.accHitTest(bounds.right, bounds.bottom, &beyond) != S_FALSE) lines += L" | hits outside";
        for (VARIANT* answer : {&hit, &next, &focus, &beyond}) VariantClear(answer);
        SysFreeString(name);
        SysFreeString(action);
    }
    return lines;
}

// The real menu.exe at `program`, not installed, as a screen reader meets it: its objects read here through COM,
// its events heard through an out-of-context hook. A menu that hangs is ended after a minute.
struct MenuProcess {
    PROCESS_INFORMATION process{};
    HWINEVENTHOOK hook = nullptr;
    std::thread watchdog;

    explicit MenuProcess(const std::wstring& program) {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quintaral\\Quintaral\\Quintaral", KEY_WOW64_32KEY, 0);
        STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
        CreateProcessW(program.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, Hear, process.dwProcessId, 0,
                               WINEVENT_OUTOFCONTEXT);
        watchdog = std::thread([menu = process.hProcess] {
            if (WaitForSingleObject(menu, 60000) == WAIT_TIMEOUT) TerminateProcess(menu, 1);
        });
    }
    ~MenuProcess() {
        TerminateProcess(process.hProcess, 1);
        watchdog.join();
        UnhookWinEvent(hook);
        for (HANDLE handle : {process.hThread, process.hProcess}) CloseHandle(handle);
    }
    // The menu's window on screen; nullptr if it shows none within 10 s.
    HWND Up() const {
        for (const DWORD started = GetTickCount(); GetTickCount() - started < 10000; Sleep(20)) {
            for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"QuintaralForm", nullptr));) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == process.dwProcessId && IsWindowVisible(window)) return window;
            }
        }
        return nullptr;
    }
    // A key pressed where the menu has the keyboard, or none. COM delivers a call after the messages posted before
    // it: once the call on `object` returns, the menu has done them, and what they raised is heard.
    HWND Key(UINT key, IAccessible& object) const {
        GUITHREADINFO info{.cbSize = sizeof(GUITHREADINFO)};
        long count = 0;
        if (key && GetGUIThreadInfo(process.dwThreadId, &info)) PostMessageW(info.hwndFocus, WM_KEYDOWN, key, 0);
        object.get_accChildCount(&count);
        Flush();
        return Up();
    }
};

// The menu read while a message box waits in front of it, a selection and a default action asked; then the box closed.
std::wstring g_behindBox;

void CALLBACK ReadBehindBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND box = GetActiveWindow(), form = GetWindow(box, GW_OWNER);
    ComPtr<IAccessible> menu = ObjectOf(form);
    g_behindBox = L"behind the box:" + Read(*menu.Get(), form) + L"\n  selected " +
                  Hex(menu->accSelect(SELFLAG_TAKEFOCUS, Child(1))) + L", exit " +
                  Hex(menu->accDoDefaultAction(Child(3)));
    PostMessageW(box, WM_CLOSE, 0, 0);
}

// A copy of the menu with an oleacc.dll planted beside it, which Wine is told to prefer: it loads the system's. Actions
// on the hidden menu, the arrow, selections a single selection refuses, the copyright line, the first entry; the
// menu's object past its window. Each window read through Active Accessibility and, where there is one, UI Automation.
TEST(ScreenReader, ReadsEveryWindowActsOnEachKindOfEntryAndHearsTheKeysFromAnotherProcess) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    SetCursorPos(0, 0);  // over no entry
    g_heard.clear();
    const std::wstring copy = platform::win32::FromProgramFolder(L"planted\\menu.exe");
    ASSERT_TRUE(CopyFileW(platform::win32::FromProgramFolder(L"menu.exe").c_str(), copy.c_str(), FALSE));
    // Told in Wine's registry, for menu.exe alone: a program started from here gets the WINEDLLOVERRIDES that Wine
    // was started with, whatever this one sets.
    const std::wstring app = L"Software\\Wine\\AppDefaults\\menu.exe", overrides = app + L"\\DllOverrides";
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, overrides.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    for (const wchar_t* library : {L"oleacc", L"rsaenh"}) {
        RegSetValueExW(key, library, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"n,b"), sizeof L"n,b");
    }
    RegCloseKey(key);
    // The cryptographic provider named as on Windows XP, without its folder: loaded early, the copy's would be taken.
    ASSERT_TRUE(CopyFileW(platform::win32::FromProgramFolder(L"planted\\oleacc.dll").c_str(),
                          platform::win32::FromProgramFolder(L"planted\\rsaenh.dll").c_str(), FALSE));
    const wchar_t provider[] = L"Software\\Microsoft\\Cryptography\\Defaults\\Provider\\"
                               L"Microsoft Enhanced Cryptographic Provider v1.0";
    BYTE image[2 * MAX_PATH];
    DWORD size = sizeof image;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, provider, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    ASSERT_EQ(RegQueryValueExW(key, L"Image Path", nullptr, nullptr, image, &size), ERROR_SUCCESS);
    RegSetValueExW(key, L"Image Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"rsaenh.dll"), sizeof L"rsaenh.dll");
    MenuProcess menu(copy);
    HWND form1 = menu.Up(), form2 = nullptr, dialog = nullptr;
    RegSetValueExW(key, L"Image Path", 0, REG_SZ, image, size);
    RegCloseKey(key);
    // Wine has SetDefaultDllDirectories, which keeps the program's folder out of the search for a library named
    // without its folder: the menu is given the search of the Windows that lack it, its own folder first.
    const platform::win32::OwnedHandle search(CreateRemoteThread(menu.process.hProcess, nullptr, 0,
        reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(&SetDefaultDllDirectories)),
        reinterpret_cast<void*>(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32), 0, nullptr));
    DWORD searched = 0;
    EXPECT_TRUE(WaitForSingleObject(search.Get(), 10000) == WAIT_OBJECT_0 &&
                GetExitCodeThread(search.Get(), &searched) && searched);
    ComPtr<IAccessible> entries = ObjectOf(form1);
    RegDeleteKeyW(HKEY_CURRENT_USER, overrides.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, app.c_str());
    ASSERT_TRUE(entries) << "the copy shows its window (no library beside it ran first) and the planted oleacc ran";
    for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN, VK_TAB, VK_TAB}) form2 = menu.Key(key, *entries.Get());
    ComPtr<IAccessible> info = ObjectOf(form2);
    ASSERT_TRUE(info && form2 != form1);
    std::wstring read, uia;
    const auto readWindow = [&](const wchar_t* title, HWND window) {
        read += title + Read(*ObjectOf(window).Get(), window);
        if (const std::optional<std::wstring> tree = ReadThroughUia(window)) uia += title + *tree;
    };
    readWindow(L"information window:", form2);
    BSTR action = nullptr;
    VARIANT selected{};
    entries->get_accState(Child(2), &selected);
    std::wstring done = L"hidden selection " + Hex(selected.lVal);
    done += L", hidden exit " + Hex(entries->get_accDefaultAction(Child(3), &action));
    done += L" " + Hex(entries->accDoDefaultAction(Child(3)));
    done += L", hidden selected " + Hex(entries->accSelect(SELFLAG_TAKEFOCUS, Child(1)));
    done += L", hidden focus " + Hex(entries->get_accFocus(&selected));
    done += L", arrow selected " + Hex(info->accSelect(SELFLAG_TAKESELECTION, Child(2)));
    done += L", arrow " + Hex(info->accDoDefaultAction(Child(2)));
    ASSERT_EQ(menu.Key(0, *entries.Get()), form1);
    done += L", added " + Hex(entries->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_ADDSELECTION, Child(3)));
    done += L", none " + Hex(entries->accSelect(0, Child(3)));
    done += L", exit selected " + Hex(entries->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, Child(3)));
    readWindow(L"\nmenu:", form1);
    done += L", copyright " + Hex(entries->accDoDefaultAction(Child(4)));
    done += L", installation " + Hex(entries->accDoDefaultAction(Child(1)));
    long count = 0;
    const HRESULT gone = entries->get_accChildCount(&count);  // the one or the other, as the menu's thread is quick
    const bool cutOff = gone == CO_E_OBJNOTCONNECTED || gone == RPC_E_DISCONNECTED;
    done += L", menu gone " + (cutOff ? L"disconnected" : Hex(gone));
    ASSERT_TRUE((dialog = menu.Up()) && dialog != form1);
    done += L", then " + Hex(entries->get_accChildCount(&count));  // cut off from its object
    readWindow(L"\ninstallation dialog:", dialog);
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    DWORD exit = WaitForSingleObject(menu.process.hProcess, 10000);
    GetExitCodeProcess(menu.process.hProcess, &exit);
    Flush();
    EXPECT_EQ(exit, 0u) << "the menu ends as it should, without a crash";
    EXPECT_TRUE(Reads(read + L"\nactions: " + done + L"\nheard: " + g_heard, L"msaa")) << "the transcript above";
    if (uia.empty()) std::printf("no UI Automation here: not read\n");
    EXPECT_TRUE(uia.empty() || Reads(uia, L"uia")) << "read through UI Automation: above";
}

// A client that keeps objects past their windows gets an error from them, not freed memory, and each is freed
// once let go; a caption that changes is heard as a name that changes, once. Behind a message box, the entries are
// unavailable. A click asked for before the window was hidden does nothing. A tool's procedure stands in front of ours.
TEST(ScreenReader, ObjectsKeptPastTheirWindowsAnswerAnErrorAndAreFreed) {
    ComPtr<IAccessible> menu, text;
    {
        platform::win32::Win32Platform platform(GetModuleHandleW(nullptr));
        platform::Forms forms(platform);
        platform.Dispatch([&] { StartMenu(forms); });
        Flush();
        Form1& form1 = *forms.Find<Form1>();
        PutToolInFront(GetActiveWindow());
        menu = ObjectOf(GetActiveWindow());
        g_heard.clear();
        HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, Hear,
                                             GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
        for (int twice = 0; twice < 2; ++twice) form1.Label1.SetCaption(L"Εκτέλεση Εφαρμογής");
        Flush();
        UnhookWinEvent(hook);
        EXPECT_TRUE(g_heard == L"name 1");
        SetTimer(nullptr, 0, 0, ReadBehindBox);
        platform.Dispatch([&] { platform.MsgBox(L"Πατήστε ΟΚ για συνέχεια", 0, L"Setup"); });
        EXPECT_TRUE(Reads(g_behindBox, L"behind-box")) << "the menu behind the box: above";
        ASSERT_EQ(menu->accDoDefaultAction(Child(3)), S_OK);
        form1.Hide();
        Flush();
        EXPECT_FALSE(platform.Ended()) << "the exit entry clicked in a hidden window";
        platform.Clicked(form1.Label2);
        Flush();
        text = ObjectOf(GetFocus());
        ASSERT_TRUE(menu && text);
    }
    BSTR name = nullptr;
    long count = 0;
    EXPECT_EQ(text->get_accName(Child(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(menu->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    menu.Reset();
    text.Reset();
    EXPECT_EQ(platform::win32::g_accessibleObjects, 0) << "every object freed";
}

}  // namespace
