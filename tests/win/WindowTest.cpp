// The real windows on the real window system: sizes and places in pixels, where the
// pointer goes, what is painted, and which fonts draw the Greek.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "assets/Layouts.h"
#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/win32/Win32Platform.h"
#include "windows/Form2.h"
#include "windows/egatast.h"

namespace {

using platform::win32::Win32Platform;

void Flush() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

POINT Centre(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

class WindowTest : public ::testing::Test {
protected:
    Win32Platform platform{GetModuleHandleW(nullptr)};
    platform::Forms forms{platform};

    void SetUp() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quintaral\\Quintaral\\Quintaral");
        platform.Dispatch([&] { StartMenu(forms); });
        Flush();
        ASSERT_NE(forms.Find<Form1>(), nullptr);
    }

    int Px(int at96) const { return MulDiv(at96, platform.Dpi(), 96); }
    RECT Px(RECT at96) const { return {Px(at96.left), Px(at96.top), Px(at96.right), Px(at96.bottom)}; }

    // The pointer at `at` in the client area of the window that draws `over`: its own, or
    // for a label or picture box, its form's.
    void Move(const platform::Control& over, POINT at) {
        HWND window = platform.WindowOf(over) ? platform.WindowOf(over) : platform.ContainerOf(over);
        SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    }
    void Click(const platform::Control& on, POINT at) {
        HWND window = platform.ContainerOf(on);
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }
    // Pure red pixels on screen inside the control's rectangle.
    int RedPixels(const platform::Control& control) {
        HWND window = platform.ContainerOf(control);
        UpdateWindow(window);
        const RECT rect = platform.RectOf(control);
        HDC dc = GetDC(window);
        int red = 0;
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) red += GetPixel(dc, x, y) == RGB(255, 0, 0);
        }
        ReleaseDC(window, dc);
        return red;
    }
};

TEST_F(WindowTest, TheMenuHasItsLayoutInPixels) {
    Form1& menu = *forms.Find<Form1>();
    HWND frame = platform.FrameOf(menu);
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_EQ(ClientSize(frame).cx, Px(400));
    EXPECT_EQ(ClientSize(frame).cy, Px(301));
    const LONG style = GetWindowLongW(frame, GWL_STYLE);
    EXPECT_NE(style & WS_DLGFRAME, 0);
    EXPECT_EQ(style & (WS_CAPTION & ~WS_DLGFRAME), 0) << "no title bar";
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME), 0);

    RECT window{};
    GetWindowRect(frame, &window);
    EXPECT_EQ(window.right - window.left, Px(400) + 2 * GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_NEAR((window.left + window.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1) << "centred";
    EXPECT_NEAR((window.top + window.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    const RECT expected[] = {{82, 107, 306, 130}, {84, 156, 214, 178}, {84, 205, 177, 226}, {4, 282, 393, 298}};
    const platform::Control* labels[] = {&menu.Label1, &menu.Label2, &menu.Label3, &menu.Label4};
    for (int i = 0; i < 4; ++i) {
        const RECT want = Px(expected[i]);
        const RECT got = platform.RectOf(*labels[i]);
        EXPECT_TRUE(EqualRect(&want, &got)) << "Label" << i + 1 << ": " << got.left << "," << got.top << " - "
                                            << got.right << "," << got.bottom;
    }
    // The picture box reaches one pixel past the client area.
    const RECT picture = platform.RectOf(menu.Picture1);
    EXPECT_EQ(picture.right - picture.left, Px(401));
    EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr) << "the picture and its entries are drawn by the menu's window";
}

void CALLBACK QuitLoop(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

int IconWidth(HWND window, WPARAM which) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return mask.bmWidth;
}

// The icons come once the event loop has nothing else to do, the window being painted.
TEST_F(WindowTest, TheMenuHasItsIconsOnceTheEventLoopIsIdle) {
    HWND frame = platform.FrameOf(*forms.Find<Form1>());
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, QuitLoop);
    platform.Run();
    KillTimer(nullptr, timer);
    EXPECT_EQ(IconWidth(frame, ICON_BIG), GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(IconWidth(frame, ICON_SMALL), GetSystemMetrics(SM_CXSMICON));
}

TEST_F(WindowTest, ThePointerGoesToTheLabelUnderItAndTheEntryIsRepaintedRed) {
    Form1& menu = *forms.Find<Form1>();
    EXPECT_EQ(RedPixels(menu.Label1), 0);
    Move(menu.Label1, Centre(platform.RectOf(menu.Label1)));
    EXPECT_EQ(menu.Label1.ForeColor(), platform::kRed);
    EXPECT_GT(RedPixels(menu.Label1), 20) << "painted red on screen";

    Move(menu.Label2, Centre(platform.RectOf(menu.Label2)));
    EXPECT_EQ(menu.Label1.ForeColor(), platform::kRed);
    EXPECT_EQ(menu.Label2.ForeColor(), platform::kRed);

    Move(menu.Label4, Centre(platform.RectOf(menu.Label4)));
    EXPECT_EQ(menu.Label1.ForeColor(), platform::kRed) << "the copyright line changes nothing";

    Move(menu.Picture1, {Px(350), Px(250)});
    EXPECT_EQ(menu.Label1.ForeColor(), platform::kBlack);
    EXPECT_EQ(menu.Label2.ForeColor(), platform::kBlack);
    EXPECT_EQ(RedPixels(menu.Label1), 0);
    EXPECT_EQ(RedPixels(menu.Label2), 0);
}

// A hover redraws the entry whose colour changes and nothing else of the picture.
TEST_F(WindowTest, AHoverInvalidatesOnlyTheEntryWhoseColourChanges) {
    Form1& menu = *forms.Find<Form1>();
    HWND picture = platform.ContainerOf(menu.Label1);
    const RECT entry = platform.RectOf(menu.Label1);
    HRGN pending = CreateRectRgn(0, 0, 0, 0);
    HRGN expected = CreateRectRgnIndirect(&entry);
    auto describe = [&] {
        RECT box{};
        const int kind = GetUpdateRgn(picture, pending, FALSE);
        GetRgnBox(pending, &box);
        char text[96];
        std::snprintf(text, sizeof text, "pending region kind %d, bounds %ld,%ld-%ld,%ld", kind, box.left, box.top,
                      box.right, box.bottom);
        return std::string(text);
    };

    UpdateWindow(picture);
    ASSERT_EQ(GetUpdateRgn(picture, pending, FALSE), NULLREGION) << describe();

    Move(menu.Label1, Centre(entry));
    EXPECT_EQ(GetUpdateRgn(picture, pending, FALSE), SIMPLEREGION) << describe();
    EXPECT_TRUE(EqualRgn(pending, expected)) << describe();
    UpdateWindow(picture);

    Move(menu.Label1, {entry.left + 2, entry.top + 2});
    EXPECT_EQ(GetUpdateRgn(picture, pending, FALSE), NULLREGION) << "already red: " << describe();

    Move(menu.Picture1, {Px(350), Px(250)});
    EXPECT_EQ(GetUpdateRgn(picture, pending, FALSE), SIMPLEREGION) << describe();
    EXPECT_TRUE(EqualRgn(pending, expected)) << "only the red entry turns black: " << describe();
    UpdateWindow(picture);

    DeleteObject(pending);
    DeleteObject(expected);
}

TEST_F(WindowTest, AClickCountsOnlyWhenPressedAndReleasedOnTheSameEntry) {
    Form1& menu = *forms.Find<Form1>();
    HWND frame = platform.FrameOf(menu);
    HWND picture = platform.ContainerOf(menu.Label3);
    const POINT exitEntry = Centre(platform.RectOf(menu.Label3));
    const POINT infoEntry = Centre(platform.RectOf(menu.Label2));
    SendMessageW(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(exitEntry.x, exitEntry.y));
    SendMessageW(picture, WM_LBUTTONUP, 0, MAKELPARAM(infoEntry.x, infoEntry.y));
    EXPECT_FALSE(platform.Ended());
    // Another window takes the pointer between press and release.
    SendMessageW(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(exitEntry.x, exitEntry.y));
    ReleaseCapture();
    SendMessageW(picture, WM_LBUTTONUP, 0, MAKELPARAM(exitEntry.x, exitEntry.y));
    EXPECT_FALSE(platform.Ended()) << "a press that lost the pointer became a click";

    Click(menu.Label3, exitEntry);
    EXPECT_TRUE(platform.Ended());
    EXPECT_FALSE(IsWindow(frame)) << "every window disappears";
}

TEST_F(WindowTest, TheInstallDialogIsLaidOutAsADialog) {
    Form1& menu = *forms.Find<Form1>();
    Click(menu.Label1, Centre(platform.RectOf(menu.Label1)));
    Flush();
    ASSERT_EQ(forms.Find<Form1>(), nullptr) << "the menu is unloaded";
    egatast& dialog = *forms.Find<egatast>();
    HWND frame = platform.FrameOf(dialog);
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_EQ(ClientSize(frame).cx, Px(341));
    EXPECT_EQ(ClientSize(frame).cy, Px(125));
    const LONG style = GetWindowLongW(frame, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    wchar_t caption[64] = {};
    GetWindowTextW(frame, caption, 64);
    EXPECT_STREQ(caption, L"Εγκατάσταση");

    HWND check1 = platform.WindowOf(dialog.Check1);
    HWND check2 = platform.WindowOf(dialog.Check2);
    HWND command1 = platform.WindowOf(dialog.Command1);
    EXPECT_EQ(dialog.Check1.Value(), 1);
    EXPECT_EQ(dialog.Check2.Value(), 1);
    EXPECT_EQ(GetNextDlgTabItem(frame, check1, FALSE), check2);
    EXPECT_EQ(GetNextDlgTabItem(frame, check2, FALSE), command1);
    EXPECT_EQ(GetNextDlgTabItem(frame, command1, FALSE), check1);
    EXPECT_EQ(GetWindowLongW(command1, GWL_STYLE) & BS_DEFPUSHBUTTON, 0) << "not the default button";
    const RECT button = Px(RECT{248, 96, 337, 121});
    RECT got{};
    GetWindowRect(command1, &got);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&got), 2);
    EXPECT_TRUE(EqualRect(&button, &got));
}

TEST_F(WindowTest, TheInformationWindowShowsItsTextAndTheWordBesideTheArrow) {
    Form1& menu = *forms.Find<Form1>();
    Click(menu.Label2, Centre(platform.RectOf(menu.Label2)));
    Flush();
    Form2& info = *forms.Find<Form2>();
    EXPECT_FALSE(IsWindowVisible(platform.FrameOf(menu)));
    EXPECT_TRUE(IsWindowVisible(platform.FrameOf(info)));
    EXPECT_EQ(ClientSize(platform.FrameOf(info)).cx, Px(400));

    HWND text = platform.WindowOf(info.Text1);
    const LONG style = GetWindowLongW(text, GWL_STYLE);
    EXPECT_NE(style & ES_MULTILINE, 0);
    EXPECT_NE(style & WS_VSCROLL, 0);
    EXPECT_EQ(style & WS_HSCROLL, 0);
    EXPECT_EQ(info.Text1.Caption(), std::wstring(kForm2Layout.controls[1].text));
    RECT got{};
    GetWindowRect(text, &got);
    MapWindowPoints(nullptr, platform.FrameOf(info), reinterpret_cast<POINT*>(&got), 2);
    const RECT want = Px(RECT{9, 81, 392, 274});
    EXPECT_TRUE(EqualRect(&want, &got));

    EXPECT_FALSE(info.Label2.Visible());
    Move(info.Label1, Centre(platform.RectOf(info.Label1)));
    EXPECT_TRUE(info.Label2.Visible());
    EXPECT_GT(RedPixels(info.Label2), 10);
    Move(info.Label2, Centre(platform.RectOf(info.Label2)));
    EXPECT_TRUE(info.Label2.Visible()) << "the word has no handler of its own";
    Move(info.Picture1, {Px(200), Px(290)});
    EXPECT_FALSE(info.Label2.Visible());
    EXPECT_EQ(RedPixels(info.Label2), 0);
}

// A hidden picture box hides the text box it holds, and the pointer no longer reaches its labels.
TEST_F(WindowTest, AHiddenPictureBoxTakesWhatItHoldsWithIt) {
    Click(forms.Find<Form1>()->Label2, Centre(platform.RectOf(forms.Find<Form1>()->Label2)));
    Flush();
    Form2& info = *forms.Find<Form2>();
    HWND text = platform.WindowOf(info.Text1);
    info.Picture1.SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(text));
    Move(info.Label1, Centre(platform.RectOf(info.Label1)));
    EXPECT_FALSE(info.Label2.Visible()) << "the arrow's label is hidden with its picture box";
    info.Picture1.SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(text));
    Move(info.Label1, Centre(platform.RectOf(info.Label1)));
    EXPECT_TRUE(info.Label2.Visible());
}

// Each font must draw every letter of its control's text: a face without Greek would
// show boxes.
TEST_F(WindowTest, EveryFontHasTheLettersOfItsText) {
    Form1& menu = *forms.Find<Form1>();
    Click(menu.Label2, Centre(platform.RectOf(menu.Label2)));
    Form2& info = *forms.Find<Form2>();
    auto* dialog = &forms.Get<egatast>();
    const platform::Form* windows[] = {forms.Find<Form1>(), &info, dialog};
    for (const platform::Form* form : windows) {
        for (size_t i = 0; i < form->Layout().controls.size(); ++i) {
            const platform::Control* control = form->ControlAt(static_cast<int>(i));
            const std::wstring text(control->Layout().text);
            if (text.empty()) continue;
            HDC dc = GetDC(nullptr);
            HGDIOBJ previous = SelectObject(dc, platform.FontOf(*control));
            wchar_t face[LF_FACESIZE] = {};
            GetTextFaceW(dc, LF_FACESIZE, face);
            LOGFONTW asked{};
            GetObjectW(platform.FontOf(*control), sizeof asked, &asked);
            std::printf("%s.%s: asked for %ls, drawn with %ls\n", std::string(form->Layout().name).c_str(),
                        std::string(control->Layout().name).c_str(), asked.lfFaceName, face);
            std::vector<WORD> glyphs(text.size());
            GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                             GGI_MARK_NONEXISTING_GLYPHS);
            for (size_t c = 0; c < text.size(); ++c) {
                if (text[c] >= 0x370 && text[c] <= 0x3FF) {
                    EXPECT_NE(glyphs[c], 0xFFFF) << face << " has no glyph for U+" << std::hex
                                                 << static_cast<int>(text[c]);
                }
            }
            SelectObject(dc, previous);
            ReleaseDC(nullptr, dc);
        }
    }
}

}  // namespace
