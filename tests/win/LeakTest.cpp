// Hovering and visiting again and again must leave the process's GDI and USER objects and
// its memory where they were.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/win32/Win32Platform.h"
#include "windows/Form2.h"

namespace {

struct Footprint {
    DWORD gdi, user;      // Wine reports 0 for both
    SIZE_T committed;     // Wine's GDI and USER objects live in the process: a leak shows here too
};

Footprint Measure() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    return {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
            memory.PagefileUsage};
}

void Flush() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

class LeakTest : public ::testing::Test {
protected:
    platform::win32::Win32Platform platform{GetModuleHandleW(nullptr)};
    platform::Forms forms{platform};

    void SetUp() override {
        platform.Dispatch([&] { StartMenu(forms); });
        Flush();
    }
    void Send(const platform::Control& control, UINT message, POINT at) {
        HWND window = platform.WindowOf(control) ? platform.WindowOf(control) : platform.ContainerOf(control);
        SendMessageW(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(at.x, at.y));
        UpdateWindow(window);
    }
    POINT Centre(const platform::Control& control) {
        const RECT rect = platform.RectOf(control);
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
    void Click(const platform::Control& control) {
        Send(control, WM_LBUTTONDOWN, Centre(control));
        Send(control, WM_LBUTTONUP, Centre(control));
        Flush();
    }
    void HoverCycle() {
        Form1& menu = *forms.Find<Form1>();
        Send(menu.Label1, WM_MOUSEMOVE, Centre(menu.Label1));
        Send(menu.Label2, WM_MOUSEMOVE, Centre(menu.Label2));
        Send(menu.Label3, WM_MOUSEMOVE, Centre(menu.Label3));
        Send(menu.Picture1, WM_MOUSEMOVE, {350, 250});
    }
    void Visit() {
        Click(forms.Find<Form1>()->Label2);
        Form2& info = *forms.Find<Form2>();
        Send(info.Label1, WM_MOUSEMOVE, Centre(info.Label1));
        Click(info.Label1);
    }
};

TEST_F(LeakTest, HoversAndVisitsLeaveObjectsAndMemoryWhereTheyWere) {
    HoverCycle();
    Visit();
    const Footprint before = Measure();
    for (int i = 0; i < 10000; ++i) HoverCycle();
    for (int i = 0; i < 100; ++i) Visit();
    Flush();
    const Footprint after = Measure();
    std::printf("GDI objects %lu -> %lu, USER objects %lu -> %lu, committed bytes %lu -> %lu\n", before.gdi,
                after.gdi, before.user, after.user, static_cast<unsigned long>(before.committed),
                static_cast<unsigned long>(after.committed));
    ASSERT_GT(before.committed, 0u) << "the system reports the process's memory";
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
    EXPECT_LT(after.committed, before.committed + 256 * 1024);
    EXPECT_TRUE(IsWindowVisible(platform.FrameOf(*forms.Find<Form1>())));
}

}  // namespace
