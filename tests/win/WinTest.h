#pragma once
// What the tests of the real windows share: the menu started on the real window system with
// the application not installed, and the pointer and the screen as the user has them.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/win32/Win32Platform.h"
#include "windows/Form2.h"
#include "windows/egatast.h"

inline void Flush() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

class RealWindows : public ::testing::Test {
protected:
    platform::win32::Win32Platform platform{GetModuleHandleW(nullptr)};
    platform::Forms forms{platform};

    void SetUp() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quintaral\\Quintaral\\Quintaral");
        platform.Dispatch([&] { StartMenu(forms); });
        Flush();
    }
    Form1& Menu() { return *forms.Find<Form1>(); }
    // All three windows, loaded.
    std::vector<const platform::Form*> Windows() { return {&Menu(), &forms.Get<egatast>(), &forms.Get<Form2>()}; }
    int Px(int twips) const { return MulDiv(twips, platform.Dpi(), 1440); }
    POINT Centre(const platform::Control& control) const {
        const RECT rect = platform.RectOf(control);
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    // A mouse message at `at` in the window that draws `control`: its own, or its form's.
    void Send(const platform::Control& control, UINT message, POINT at) {
        HWND window = platform.WindowOf(control) ? platform.WindowOf(control) : platform.ContainerOf(control);
        SendMessageW(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(at.x, at.y));
    }
    void Click(const platform::Control& control) {
        Send(control, WM_LBUTTONDOWN, Centre(control));
        Send(control, WM_LBUTTONUP, Centre(control));
        Flush();
    }
    // Pure red pixels on screen inside the control's rectangle, once its window is painted.
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
