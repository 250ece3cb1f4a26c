// The three windows on the real window system: every value they are given, where the pointer goes, what is repainted,
// and the system's colour schemes.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/win32/FormWindow.h"
#include "platform/win32/SecondStart.h"
#include "platform/win32/Win32Platform.h"
#include "windows/Form2.h"
#include "windows/egatast.h"

// A tool's procedure in front of a form window's own, as skinning tools, title-bar add-ons and magnifiers put theirs
// into other programs' windows: it passes every message on.
LONG_PTR g_behindTool = 0;
LRESULT CALLBACK ToolInFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(reinterpret_cast<WNDPROC>(g_behindTool), window, message, wParam, lParam);
}
void PutToolInFront(HWND window) { g_behindTool = SetWindowLongPtrW(window, GWLP_WNDPROC, LONG_PTR(ToolInFront)); }

void Flush() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

namespace {

class RealWindows : public ::testing::Test {
protected:
    platform::win32::Win32Platform platform{GetModuleHandleW(nullptr)};
    platform::Forms forms{platform};

    void SetUp() override {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quintaral\\Quintaral\\Quintaral", KEY_WOW64_32KEY, 0);
        platform.Dispatch([&] { StartMenu(forms); });
        PutToolInFront(FrameOf(Menu()));
        Flush();
    }
    Form1& Menu() { return *forms.Find<Form1>(); }
    // The three windows, loaded: the menu shown, the others hidden.
    std::array<platform::Form*, 3> All() { return {&Menu(), &forms.Get<Form2>(), &forms.Get<egatast>()}; }
    HWND FrameOf(const platform::Form& form) const { return platform.WindowOf(form).Handle(); }
    const platform::win32::NativeControl& Native(const platform::Control& control) const {
        return platform.WindowOf(control.OwnerForm()).ControlAt(control.Index());
    }
    const int dpi = [] { return GetDeviceCaps(platform::win32::WindowDc(nullptr).Get(), LOGPIXELSY); }();
    int Px(int twips) const { return MulDiv(twips, dpi, 1440); }
    POINT Centre(const platform::Control& control) const {
        const RECT rect = Native(control).rect;
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    void Send(const platform::Control& control, UINT message, POINT at) {
        const WPARAM buttons = message == WM_LBUTTONDOWN ? MK_LBUTTON : 0;
        SendMessageW(FrameOf(control.OwnerForm()), message, buttons, MAKELPARAM(at.x, at.y));
    }
};

// Wine answers high contrast as off whatever its colours: the windows' import of SystemParametersInfoW answers it
// as the test sets it.
bool g_highContrast = false;

BOOL WINAPI SystemParametersAsSet(UINT action, UINT parameter, void* value, UINT flags) {
    static const auto system = reinterpret_cast<decltype(&SystemParametersInfoW)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoW")));
    const BOOL done = system(action, parameter, value, flags);
    if (done && action == SPI_GETHIGHCONTRAST) {
        DWORD& on = static_cast<HIGHCONTRASTW*>(value)->dwFlags;
        on = g_highContrast ? on | HCF_HIGHCONTRASTON : on & ~HCF_HIGHCONTRASTON;
    }
    return done;
}

// Windows hides a window's focus cues until the keys are used, unless it is set to show them always; Wine keeps no
// cues and shows them always: the windows' import of DefWindowProcW keeps them as Windows does, one state for all.
bool g_cuesHidden = false;

LRESULT WINAPI DefWindowProcAsWindows(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const auto system = reinterpret_cast<decltype(&DefWindowProcW)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "DefWindowProcW")));
    if (message == WM_QUERYUISTATE) return g_cuesHidden ? UISF_HIDEFOCUS : 0;
    if (message == WM_CHANGEUISTATE) return SendMessageW(window, WM_UPDATEUISTATE, wParam, lParam);
    if (message == WM_UPDATEUISTATE && (HIWORD(wParam) & UISF_HIDEFOCUS)) g_cuesHidden = LOWORD(wParam) == UIS_SET;
    return system(window, message, wParam, lParam);
}

std::vector<COLORREF> Pixels(HWND window, const RECT& rect) {
    UpdateWindow(window);
    const platform::win32::WindowDc dc(window);
    std::vector<COLORREF> pixels;
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) pixels.push_back(GetPixel(dc.Get(), x, y));
    }
    return pixels;
}

// WCAG's contrast ratio of two colours, from their relative luminance.
double Contrast(COLORREF a, COLORREF b) {
    auto luminance = [](COLORREF colour) {
        double sum = 0;
        for (const auto& [shift, weight] : {std::pair{0, 0.2126}, {8, 0.7152}, {16, 0.0722}}) {
            const double s = ((colour >> shift) & 0xFF) / 255.0;
            sum += weight * (s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// The text in `rect` of a shot: its background (the commonest colour), its ink (the colour farthest from that) and
// their contrast; 0 where a pixel is neither nor a blend of the two (a picture behind, a pair mixed with another).
struct Text { COLORREF back = 0, ink = 0; double contrast = 0; };

Text Read(HWND window, const RECT& rect) {
    std::map<COLORREF, int> counts;
    for (COLORREF pixel : Pixels(window, rect)) ++counts[pixel];
    Text text;
    text.back = text.ink = std::ranges::max_element(counts, {}, [](const auto& count) { return count.second; })->first;
    for (const auto& [colour, count] : counts) {
        if (Contrast(colour, text.back) > Contrast(text.ink, text.back)) text.ink = colour;
    }
    auto between = [&](COLORREF colour) {
        for (int shift : {0, 8, 16}) {
            const int value = (colour >> shift) & 0xFF, a = (text.back >> shift) & 0xFF, b = (text.ink >> shift) & 0xFF;
            if (value < std::min(a, b) || value > std::max(a, b)) return false;
        }
        return true;
    };
    const bool pair = std::ranges::all_of(counts, [&](const auto& count) { return between(count.first); });
    text.contrast = pair ? Contrast(text.back, text.ink) : 0;
    return text;
}

// Every window and control where and as its layout says (the screen reader's and the end-to-end tests read the texts):
// the client area, a title bar on the dialog alone, centred; each control's place, font, a text box's background; the
// menu's entries by the dots of its picture.
TEST_F(RealWindows, EveryWindowAndControlIsWhereAndAsItsLayoutSays) {
    for (const platform::Form* form : All()) {
        const platform::FormLayout& layout = form->Layout();
        SCOPED_TRACE(layout.name);
        HWND frame = FrameOf(*form);
        RECT client{}, outer{};
        GetClientRect(frame, &client);
        GetWindowRect(frame, &outer);
        EXPECT_TRUE(client.right == Px(layout.clientWidth) && client.bottom == Px(layout.clientHeight));
        const LONG frameStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        EXPECT_EQ(GetWindowLongW(frame, GWL_STYLE) & frameStyles, layout.titleBar ? WS_CAPTION : WS_DLGFRAME);
        EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1) << "centred";
        EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
        for (int i = 0; i < static_cast<int>(layout.controls.size()); ++i) {
            const platform::ControlLayout& row = layout.controls[static_cast<size_t>(i)];
            const platform::Control& control = *form->ControlAt(i);
            SCOPED_TRACE(row.name);
            const platform::ControlLayout* box = row.container < 0 ? nullptr : &layout.controls[row.container];
            const int left = row.left + (box ? box->left : 0), top = row.top + (box ? box->top : 0);
            const RECT want{Px(left), Px(top), Px(left + row.width), Px(top + row.height)};
            HWND own = Native(control).window;
            RECT got = Native(control).rect;
            if (own) {
                GetWindowRect(own, &got);
                MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&got), 2);
            }
            if (row.kind != platform::ControlKind::PictureBox) {
                EXPECT_TRUE(EqualRect(&want, &got));
            }
            LOGFONTW font{};
            GetObjectW(own ? reinterpret_cast<HGDIOBJ>(SendMessageW(own, WM_GETFONT, 0, 0)) : Native(control).font,
                       sizeof font, &font);
            EXPECT_EQ(font.lfCharSet, 161) << "Greek";
            EXPECT_EQ(std::wstring(font.lfFaceName), row.font.face.empty() ? L"MS Shell Dlg" : row.font.face);
            EXPECT_EQ(font.lfHeight, -MulDiv(row.font.face.empty() ? 825 : row.font.centipoints, dpi, 7200));
            EXPECT_EQ(font.lfWeight, row.font.bold ? FW_BOLD : FW_NORMAL);
            if (row.kind != platform::ControlKind::TextBox) continue;
            const platform::win32::WindowDc dc(own);
            LOGBRUSH brush{};
            GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(frame, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.Get()),
                       reinterpret_cast<LPARAM>(own))), sizeof brush, &brush);
            EXPECT_TRUE(brush.lbColor == RGB(0xFF, 0xFF, 0xC0) && GetBkColor(dc.Get()) == brush.lbColor) << "pale yellow";
        }
    }
    // Each entry stands level with its dot in the picture, the dot's centre 22 pixels left of it within 3 pixels at 96
    // dpi: the dot, 11 pixels across, is red 3 each way from there (at 144 dpi the picture grows with the window).
    for (const platform::Control* entry : {&Menu().Label1, &Menu().Label2, &Menu().Label3}) {
        const RECT at = Native(*entry).rect;
        const LONG x = at.left - MulDiv(22, dpi, 96), y = (at.top + at.bottom) / 2, d = MulDiv(3, dpi, 96);
        for (const POINT p : {POINT{x - d, y}, POINT{x + d, y}, POINT{x, y - d}, POINT{x, y + d}}) {
            const COLORREF c = Pixels(FrameOf(Menu()), {p.x, p.y, p.x + 1, p.y + 1})[0];
            EXPECT_GT(GetRValue(c), std::max(GetGValue(c), GetBValue(c)) + 60) << entry->Layout().name << " by its dot";
        }
    }
}

// Only the entry under the pointer is repainted (its colour is read end to end); a broadcast, only on a change of the
// colours or of high contrast (a change of scheme once); a click, a press and a release on one entry, pointer held.
TEST_F(RealWindows, ThePointerRepaintsOnlyTheEntryItChangesAndClicksWhereItWasPressed) {
    HWND frame = FrameOf(Menu());
    const RECT entry = Native(Menu().Label1).rect;
    using Region = platform::win32::Owned<HRGN, &::DeleteObject>;
    const Region pending(CreateRectRgn(0, 0, 0, 0)), expected(CreateRectRgnIndirect(&entry));
    auto repaints = [&] {
        const bool none = GetUpdateRgn(frame, pending.Get(), FALSE) == NULLREGION;
        UpdateWindow(frame);
        return none ? "nothing" : EqualRgn(pending.Get(), expected.Get()) ? "the entry" : "more";
    };
    Send(Menu().Label1, WM_MOUSEMOVE, Centre(Menu().Label1));
    EXPECT_STREQ(repaints(), "the entry");
    Send(Menu().Label1, WM_MOUSEMOVE, {entry.left + 2, entry.top + 2});
    EXPECT_STREQ(repaints(), "nothing") << "already red";
    Send(Menu().Picture1, WM_MOUSEMOVE, {Px(5250), Px(3750)});
    EXPECT_STREQ(repaints(), "the entry");
    const struct { UINT message; WPARAM setting; const wchar_t* area; bool high; const char* repainted; } sent[] = {
        {WM_SETTINGCHANGE, 0, L"Environment", false, "nothing"}, {WM_SETTINGCHANGE, 0, L"intl", false, "nothing"},
        {WM_SETTINGCHANGE, 0, L"ImmersiveColorSet", false, "nothing"}, {WM_SYSCOLORCHANGE, 0, nullptr, true, "more"},
        {WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, nullptr, true, "nothing"},
        {WM_SYSCOLORCHANGE, 0, nullptr, true, "more"}, {WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, nullptr, false, "more"}};
    for (const auto& [message, setting, area, high, repainted] : sent) {
        g_highContrast = high;
        SendMessageW(frame, message, setting, reinterpret_cast<LPARAM>(area));
        EXPECT_STREQ(repaints(), repainted) << message << " " << setting << " high contrast " << high;
    }

    // "Έξοδος" pressed, released on another entry; released after another window took the pointer; clicked.
    const struct { const platform::Control& up; bool lost, ends; } presses[] = {
        {Menu().Label2, false, false}, {Menu().Label3, true, false}, {Menu().Label3, false, true}};
    for (const auto& [up, lost, ends] : presses) {
        Send(Menu().Label3, WM_LBUTTONDOWN, Centre(Menu().Label3));
        if (lost) ReleaseCapture();
        Send(up, WM_LBUTTONUP, Centre(up));
        Flush();
        EXPECT_EQ(platform.Ended(), ends) << up.Layout().name << (lost ? ", the pointer lost first" : "");
    }
    EXPECT_FALSE(IsWindow(frame)) << "every window disappears";
}

// A dark scheme leaves the texts on fixed backgrounds readable; high contrast (Windows' Black and White) draws every
// window in the system's pairs alone, no picture behind any text, the keys' entry on the highlight's plate and the
// arrow drawn; each change reaches the windows shown and hidden, and the pictures come back with the system's look.
TEST_F(RealWindows, EveryTextStaysReadableInTheSystemsSchemes) {
    const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE,
                            COLOR_BTNTEXT};
    struct Scheme { const char* name; bool high; COLORREF colours[std::size(elements)]; };
    Scheme schemes[] = {
        {"dark", false, {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 120, 215), RGB(255, 255, 255), RGB(32, 32, 32),
                         RGB(255, 255, 255)}},
        {"High Contrast Black", true, {RGB(0, 0, 0), RGB(255, 255, 255), RGB(26, 235, 255), RGB(0, 0, 0), RGB(0, 0, 0),
                                       RGB(255, 255, 255)}},
        {"High Contrast White", true, {RGB(255, 255, 255), RGB(0, 0, 0), RGB(55, 0, 110), RGB(255, 255, 255),
                                       RGB(255, 255, 255), RGB(0, 0, 0)}},
        {"the system's own", false, {}},
    };
    std::ranges::transform(elements, schemes[3].colours, GetSysColor);
    SetCursorPos(0, 0);  // windows shown and hidden under it would move it over the picture
    Form2& info = forms.Get<Form2>();
    egatast& dialog = forms.Get<egatast>();
    info.Label2.SetVisible(true);  // "Επιστροφή", as under the pointer
    platform.KeyPressed(Menu(), nullptr, platform::Key::Tab);  // the first entry, selected by the keys
    // Each text with its plate in high contrast, and whether its background is fixed in the form's own look.
    const struct { const platform::Control& control; int plate; bool fixed; } texts[] = {
        {Menu().Label1, COLOR_HIGHLIGHT, false}, {Menu().Label2, COLOR_HIGHLIGHT, false},
        {Menu().Label3, COLOR_WINDOW, false}, {Menu().Label4, COLOR_WINDOW, true}, {info.Text1, COLOR_WINDOW, true},
        {info.Label2, COLOR_WINDOW, false}, {info.Label1, COLOR_WINDOW, false}, {dialog.Label1, COLOR_BTNFACE, true}};
    for (const Scheme& scheme : schemes) {
        g_highContrast = scheme.high;
        SetSysColors(static_cast<int>(std::size(elements)), elements, scheme.colours);
        Flush();
        Send(Menu().Label2, WM_MOUSEMOVE, Centre(Menu().Label2));  // the second entry, lit by the pointer
        for (const platform::Form* form : All()) {
            HWND frame = FrameOf(*form);
            ShowWindow(frame, SW_SHOWNA);
            Flush();
            for (const auto& [control, plate, fixed] : texts) {
                if (&control.OwnerForm() != form) continue;
                SCOPED_TRACE(std::string(scheme.name) + ": " + std::string(control.Layout().name) + " of " +
                             std::string(form->Layout().name));
                HWND own = Native(control).window;
                RECT rect = Native(control).rect;
                if (own) GetClientRect(own, &rect);
                InflateRect(&rect, -1, -1);  // within the focus rectangle
                const Text text = Read(own ? own : frame, rect);
                if (scheme.high) {
                    EXPECT_GE(text.contrast, 7);
                    EXPECT_EQ(text.back, GetSysColor(plate));
                } else if (fixed) {
                    EXPECT_GE(text.contrast, 4.5);
                }
            }
            // Above the text and the entries lie the title and the slogan of the picture; left of the dialog's
            // controls, its face.
            const bool dialogs = form == &dialog;
            const Text bare = Read(frame, dialogs ? RECT{0, 0, Px(200), Px(1800)} : RECT{0, 0, Px(6000), Px(1200)});
            EXPECT_EQ(scheme.high || dialogs,
                      bare.back == GetSysColor(dialogs ? COLOR_BTNFACE : COLOR_WINDOW) && bare.ink == bare.back)
                << scheme.name << ": " << form->Layout().name << " shows its picture in high contrast only";
            if (form != &Menu()) ShowWindow(frame, SW_HIDE);
        }
    }
    // The keys' place shows without colour once the keys are used, while the window has the keyboard: the entry they
    // selected, darkened by the pointer on the picture, differs from itself with cues hidden by its focus rectangle.
    HWND menu = FrameOf(Menu());
    SendMessageW(menu, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    Send(Menu().Picture1, WM_MOUSEMOVE, {Px(5250), Px(3750)});
    const RECT entry = Native(Menu().Label1).rect;
    const std::vector<COLORREF> hidden = Pixels(menu, entry);
    platform.KeyPressed(Menu(), nullptr, platform::Key::Tab);  // on, then back as the window takes the key
    platform.WindowOf(Menu()).PressKey({.hwnd = menu, .message = WM_KEYDOWN, .wParam = VK_UP});
    Send(Menu().Picture1, WM_MOUSEMOVE, {Px(5250), Px(3750)});
    const std::vector<COLORREF> shown = Pixels(menu, entry);
    SetFocus(nullptr);
    EXPECT_TRUE(Pixels(menu, entry) == hidden) << "the focus rectangle stays after the window lost the keyboard";
    const LONG width = entry.right - entry.left, height = entry.bottom - entry.top;
    int edge = 0, inside = 0;
    for (LONG i = 0; i < width * height; ++i) {
        const LONG x = i % width, y = i / width;
        if (shown[i] != hidden[i]) ++(x == 0 || x == width - 1 || y == 0 || y == height - 1 ? edge : inside);
    }
    EXPECT_EQ(inside, 0);
    EXPECT_GT(edge, (width + height) / 2);
}

// A second start beside this menu: the menu ending (its mark left by a thread that ended holding it), behind the
// information window (first in the windows' order), its mark's rights all taken (elevated, another user's), then
// without a window until it ends; the box in front of the dialog, over another window; the first asked to come forward.
TEST_F(RealWindows, ASecondStartBringsTheVisibleWindowOrItsBoxForward) {
    using platform::win32::FirstStart;
    platform::win32::OwnedHandle mark, second;
    std::thread([&] { mark.Reset(CreateMutexW(nullptr, TRUE, L"Local\\Quintaral.StartMenu")); }).join();
    Menu().Hide();
    EXPECT_TRUE(FirstStart(second)) << "a menu that ends";
    platform.Clicked(Menu().Label2);
    SetWindowPos(FrameOf(Menu()), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(platform::win32::RunningMenuWindow(), FrameOf(forms.Get<Form2>())) << "the menu hidden behind";
    ACL empty{};
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    ASSERT_EQ(SetSecurityInfo(mark.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty,
                              nullptr), 0u);
    EXPECT_FALSE(FirstStart(second)) << "a mark that may not be opened";
    platform.Clicked(forms.Get<Form2>().Label1);
    Menu().Hide();
    const std::jthread ending([&] { Sleep(300); mark.Reset(); });
    const DWORD asked = GetTickCount();
    EXPECT_TRUE(FirstStart(second) && GetTickCount() - asked >= 250) << "no window yet: the mark waited for";
    platform.Clicked(Menu().Label1);
    HWND dialog = FrameOf(forms.Get<egatast>());
    auto popup = [](HWND owner) { return CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 9, 9,
                                                         owner, nullptr, nullptr, nullptr); };
    HWND box = popup(dialog), other = popup(nullptr);
    SetActiveWindow(box);
    SetForegroundWindow(other);
    EXPECT_FALSE(FirstStart(second));
    EXPECT_EQ(GetForegroundWindow(), box) << "the box in front of the dialog";
    SetForegroundWindow(other);
    PostMessageW(dialog, platform::win32::ComeForwardMessage(), 0, 0);
    Flush();
    EXPECT_EQ(GetForegroundWindow(), box) << "the first menu, asked to come forward";
    DestroyWindow(other);
}

}  // namespace

#ifdef _WIN64
#define IMPORT(name, bytes) __asm__("__imp_" #name)
#else
#define IMPORT(name, bytes) __asm__("__imp__" #name "@" #bytes)
#endif
extern "C" {
decltype(&SystemParametersInfoW) g_systemParametersImport IMPORT(SystemParametersInfoW, 16) = SystemParametersAsSet;
decltype(&DefWindowProcW) g_defWindowProcImport IMPORT(DefWindowProcW, 16) = DefWindowProcAsWindows;
}
