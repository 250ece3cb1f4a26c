// The three windows on the real window system: every value they are given, where the pointer
// goes, what is painted, which fonts draw the Greek, and that nothing leaks.
#include "WinTest.h"  // windows.h first
#include <psapi.h>

#include <algorithm>
#include <string>

namespace {

// A window's row names no control; its size is its client area's.
struct Row {
    const char* form;
    const char* control;
    std::wstring text;
    int left, top, width, height;      // twips
    const wchar_t* face = nullptr;     // nullptr: the platform's default font
    int centipoints = 0;
    bool bold = false;
    platform::Colour fore = platform::kDefaultColour;  // as the windows' handlers see it
    COLORREF back = CLR_INVALID;       // a text box's background
};

constexpr platform::Colour kWindowText = 0x80000008;

const Row kLayout[] = {
    {"Form1", nullptr, L"Quintaral", 0, 0, 6000, 4515},
    {"Form1", "Picture1", L"", 0, 0, 6015, 4515, nullptr, 0, false, kWindowText},
    {"Form1", "Label4", L"© 1999 Quintaral Software. Με την επιφύλαξη παντός δικαιώματος.", 60, 4230, 5835, 240},
    {"Form1", "Label3", L"Έξοδος", 1260, 3075, 1395, 315, L"Arial", 1425, false, platform::kBlack},
    {"Form1", "Label2", L"Πληροφορίες", 1260, 2340, 1950, 330, L"Arial", 1425, false, platform::kBlack},
    {"Form1", "Label1", L"Εγκατάσταση Εφαρμογής", 1230, 1605, 3360, 345, L"Arial", 1425, false, platform::kBlack},
    {"egatast", nullptr, L"Εγκατάσταση", 0, 0, 5115, 1875},
    {"egatast", "Command1", L"Συνέχεια", 3720, 1440, 1335, 375},
    {"egatast", "Check2", L"      Κυρίως Πρόγραμμα", 675, 570, 3255, 255},
    {"egatast", "Check1", L"      Βάση Χρηστών - Ερωτήσεων", 675, 1020, 3255, 255},
    {"egatast", "Label1", L"Ποιά μέρη ακριβώς θα εγκαταστήσετε ;", 240, 120, 4815, 375, L"MS Sans Serif", 825, true},
    {"Form2", nullptr, L"Quintaral", 0, 0, 6000, 4515},
    {"Form2", "Picture1", L"", 0, 0, 6030, 4545, nullptr, 0, false, kWindowText},
    {"Form2", "Text1",
     L"Το πρόγραμμα εγκατάστασης είναι το SETUP.EXE\r\nΓια να τρέξει το πρόγραμμα, πρέπει το CD\r\n"
     L"να βρίσκεται στο drive.\r\n\r\nΕλάχιστο Aπαιτούμενο Σύστημα :\r\n\r\nPentium 100 MHz\r\n16 MB RAM\r\n"
     L"4x CD Drive\r\nSoundcard 16bit\r\nHard disk Free Space >4 MB\r\nMicrosoft Windows 95\r\nMicrosoft Access 97\r\n"
     L"\r\nΠληροφορίες:\r\n\r\ninfo@quintaral.example.com\r\nsupport@quintaral.example.com\r\n",
     135, 1215, 5745, 2895, L"MS Sans Serif", 825, true, platform::kDefaultColour, RGB(0xFF, 0xFF, 0xC0)},
    {"Form2", "Label2", L"Επιστροφή", 4545, 4215, 885, 240, nullptr, 0, false, platform::kRed},
    {"Form2", "Label1", L"", 5505, 4200, 435, 270},
};

const platform::Control& Named(const platform::Form& form, std::string_view name) {
    for (int i = 0;; ++i) {
        if (form.Layout().controls[i].name == name) return *form.ControlAt(i);
    }
}

TEST_F(RealWindows, EveryWindowAndControlHasItsTextPlaceFontAndColours) {
    const auto windows = Windows();
    for (const Row& row : kLayout) {
        SCOPED_TRACE(std::string(row.form) + " " + (row.control ? row.control : ""));
        const auto* form = *std::find_if(windows.begin(), windows.end(), [&](auto* f) { return f->Layout().name == row.form; });
        HWND frame = platform.FrameOf(*form);
        if (!row.control) {
            RECT client{}, outer{};
            GetClientRect(frame, &client);
            GetWindowRect(frame, &outer);
            EXPECT_EQ(client.right, Px(row.width));
            EXPECT_EQ(client.bottom, Px(row.height));
            const LONG frameStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
            EXPECT_EQ(GetWindowLongW(frame, GWL_STYLE) & frameStyles, row.form == std::string("egatast") ? WS_CAPTION : WS_DLGFRAME);
            EXPECT_EQ(outer.right - outer.left, client.right + 2 * GetSystemMetrics(SM_CXDLGFRAME)) << "a fixed dialog frame";
            EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1) << "centred";
            EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
            wchar_t caption[32] = {};
            GetWindowTextW(frame, caption, 32);
            EXPECT_EQ(caption, row.text);
            continue;
        }
        const platform::Control& control = Named(*form, row.control);
        HWND own = platform.WindowOf(control);
        RECT got = platform.RectOf(control);
        if (own) {
            GetWindowRect(own, &got);
            MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&got), 2);
        }
        const RECT want{Px(row.left), Px(row.top), Px(row.left + row.width), Px(row.top + row.height)};
        EXPECT_TRUE(EqualRect(&want, &got)) << got.left << "," << got.top << " - " << got.right << "," << got.bottom;
        EXPECT_TRUE(platform.Caption(control) == row.text);
        LOGFONTW font{};
        GetObjectW(own ? reinterpret_cast<HFONT>(SendMessageW(own, WM_GETFONT, 0, 0)) : platform.FontOf(control),
                   sizeof font, &font);
        EXPECT_EQ(font.lfCharSet, 161) << "Greek";
        if (row.face) {
            EXPECT_EQ(std::wstring(font.lfFaceName), row.face);
            EXPECT_EQ(font.lfHeight, -MulDiv(row.centipoints, platform.Dpi(), 7200));
            EXPECT_EQ(font.lfWeight, row.bold ? FW_BOLD : FW_NORMAL);
        }
        EXPECT_EQ(platform.ForeColor(control), row.fore);
        if (row.back == CLR_INVALID) continue;
        HDC dc = GetDC(own);
        LOGBRUSH brush{};
        GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(frame, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                          reinterpret_cast<LPARAM>(own))), sizeof brush, &brush);
        EXPECT_EQ(brush.lbColor, row.back);
        EXPECT_EQ(GetBkColor(dc), row.back);
        ReleaseDC(own, dc);
    }
}

// Each font must draw every Greek letter of its control's text: a face without them shows boxes.
TEST_F(RealWindows, EveryFontHasTheLettersOfItsText) {
    for (const platform::Form* form : Windows()) {
        for (size_t i = 0; i < form->Layout().controls.size(); ++i) {
            const platform::Control& control = *form->ControlAt(static_cast<int>(i));
            const std::wstring text = platform.Caption(control);
            HDC dc = GetDC(nullptr);
            HGDIOBJ previous = SelectObject(dc, platform.FontOf(control));
            std::vector<WORD> glyphs(text.size() + 1);
            GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
            for (size_t c = 0; c < text.size(); ++c) {
                EXPECT_FALSE(text[c] >= 0x370 && text[c] <= 0x3FF && glyphs[c] == 0xFFFF) << control.Layout().name << " " << c;
            }
            SelectObject(dc, previous);
            ReleaseDC(nullptr, dc);
        }
    }
}

// The entry under the pointer is repainted red on screen, and nothing else of the picture is.
TEST_F(RealWindows, AHoverRepaintsOnlyTheEntryWhoseColourChanges) {
    HWND frame = platform.FrameOf(Menu());
    const RECT entry = platform.RectOf(Menu().Label1);
    HRGN pending = CreateRectRgn(0, 0, 0, 0), expected = CreateRectRgnIndirect(&entry);
    auto repaints = [&] { return GetUpdateRgn(frame, pending, FALSE) == NULLREGION ? "nothing" : EqualRgn(pending, expected) ? "the entry" : "more"; };
    EXPECT_EQ(RedPixels(Menu().Label1), 0);
    Send(Menu().Label1, WM_MOUSEMOVE, Centre(Menu().Label1));
    EXPECT_STREQ(repaints(), "the entry");
    EXPECT_GT(RedPixels(Menu().Label1), 20);
    Send(Menu().Label1, WM_MOUSEMOVE, {entry.left + 2, entry.top + 2});
    EXPECT_STREQ(repaints(), "nothing") << "already red";
    Send(Menu().Picture1, WM_MOUSEMOVE, {Px(5250), Px(3750)});
    EXPECT_STREQ(repaints(), "the entry");
    EXPECT_EQ(RedPixels(Menu().Label1), 0);
    DeleteObject(pending);
    DeleteObject(expected);
}

TEST_F(RealWindows, AClickCountsOnlyWhenPressedAndReleasedOnTheSameEntry) {
    HWND frame = platform.FrameOf(Menu());
    Send(Menu().Label3, WM_LBUTTONDOWN, Centre(Menu().Label3));
    Send(Menu().Label2, WM_LBUTTONUP, Centre(Menu().Label2));
    EXPECT_FALSE(platform.Ended());
    Send(Menu().Label3, WM_LBUTTONDOWN, Centre(Menu().Label3));
    ReleaseCapture();  // another window takes the pointer between press and release
    Send(Menu().Label3, WM_LBUTTONUP, Centre(Menu().Label3));
    EXPECT_FALSE(platform.Ended()) << "a press that lost the pointer became a click";
    Click(Menu().Label3);
    EXPECT_TRUE(platform.Ended());
    EXPECT_FALSE(IsWindow(frame)) << "every window disappears";
}

void CALLBACK QuitLoop(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

// The icons come once the event loop has nothing else to do, the window being painted.
TEST_F(RealWindows, TheMenuHasItsIconsOnceTheEventLoopIsIdle) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, QuitLoop);
    platform.Run();
    KillTimer(nullptr, timer);
    for (auto [which, size] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        auto icon = reinterpret_cast<HICON>(SendMessageW(platform.FrameOf(Menu()), WM_GETICON, which, 0));
        ICONINFO info{};
        BITMAP mask{};
        ASSERT_TRUE(icon && GetIconInfo(icon, &info));
        GetObjectW(info.hbmMask, sizeof mask, &mask);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        EXPECT_EQ(mask.bmWidth, GetSystemMetrics(size));
    }
}

// A hidden picture box hides the text box it holds, and the pointer no longer reaches its labels.
TEST_F(RealWindows, AHiddenPictureBoxTakesWhatItHoldsWithIt) {
    Click(Menu().Label2);
    Form2& info = *forms.Find<Form2>();
    for (bool shown : {false, true}) {
        info.Picture1.SetVisible(shown);
        EXPECT_EQ(IsWindowVisible(platform.WindowOf(info.Text1)) != 0, shown);
        Send(info.Label1, WM_MOUSEMOVE, Centre(info.Label1));
        EXPECT_EQ(info.Label2.Visible(), shown) << "the arrow reached the pointer";
    }
}

// Hovering and visiting again and again leave the GDI and USER objects and the memory where they
// were. Wine counts no objects for GetGuiResources, so its GDI handles are read too: freed ones are
// handed out again, and only objects kept alive push the highest of a thousand new ones up.
TEST_F(RealWindows, HoversAndVisitsLeaveObjectsAndMemoryWhereTheyWere) {
    auto footprint = [] {
        PROCESS_MEMORY_COUNTERS memory{sizeof memory};
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
        std::vector<HGDIOBJ> probes(1000);
        DWORD highest = 0;
        for (HGDIOBJ& probe : probes) highest = std::max<DWORD>(highest, LOWORD(probe = CreateSolidBrush(0)));
        for (HGDIOBJ probe : probes) DeleteObject(probe);
        return std::tuple{GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) + highest,
                          GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), memory.PagefileUsage};
    };
    auto cycles = [&](int hovers, int visits) {
        for (int i = 0; i < hovers; ++i) {
            for (const platform::Control* entry : {&Menu().Label1, &Menu().Label2, &Menu().Label3, &Menu().Picture1}) {
                Send(*entry, WM_MOUSEMOVE, entry == &Menu().Picture1 ? POINT{Px(5250), Px(3750)} : Centre(*entry));
                UpdateWindow(platform.FrameOf(Menu()));
            }
        }
        for (int i = 0; i < visits; ++i) {
            Click(Menu().Label2);
            Click(forms.Find<Form2>()->Label1);
        }
    };
    cycles(1, 1);
    const auto [gdi, user, committed] = footprint();
    cycles(200, 50);
    const auto [gdiAfter, userAfter, committedAfter] = footprint();
    EXPECT_LT(gdiAfter, gdi + 10) << "GDI objects";
    EXPECT_EQ(userAfter, user);
    EXPECT_LT(committedAfter, committed + 256 * 1024) << committed << " bytes before";
    EXPECT_GT(committed, 0u) << "the system reports the process's memory";
}

}  // namespace
