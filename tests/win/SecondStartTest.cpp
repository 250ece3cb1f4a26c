// A second start beside a running menu, which this process plays: its windows real, its mark made by a thread of
// its own.
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <thread>

#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/win32/FormWindow.h"
#include "platform/win32/SecondStart.h"
#include "platform/win32/Win32Platform.h"
#include "windows/Form2.h"
#include "windows/egatast.h"

namespace {

void Flush() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// The first menu ending: its windows gone, its mark left by a thread that never let it go; then the menu behind the
// information window (first in the windows' order), the mark's rights all taken (a first menu elevated or another
// user's), and the pause box in front of the dialog. What a second start brings to the front, or nullptr where it
// takes itself for the menu; and what the first brings forward when asked.
TEST(SecondStart, BringsTheVisibleWindowOrItsBoxForwardAndTakesOverFromAMenuThatEnds) {
    platform::win32::OwnedHandle mark;
    std::thread([&] { mark.Reset(CreateMutexW(nullptr, TRUE, L"Local\\Quintaral.StartMenu")); }).join();
    HWND other = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr,
                                 nullptr);
    auto secondStart = [&] {
        SetForegroundWindow(other);
        platform::win32::OwnedHandle second;
        return platform::win32::FirstStart(second) ? nullptr : GetForegroundWindow();
    };
    EXPECT_EQ(secondStart(), nullptr) << "a menu that ends";

    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quintaral\\Quintaral\\Quintaral", KEY_WOW64_32KEY, 0);
    platform::win32::Win32Platform platform{GetModuleHandleW(nullptr)};
    platform::Forms forms{platform};
    platform.Dispatch([&] { StartMenu(forms); });
    Form1& menu = *forms.Find<Form1>();
    HWND menuFrame = platform.WindowOf(menu).Handle();
    platform.Clicked(menu.Label2);
    HWND info = platform.WindowOf(forms.Get<Form2>()).Handle();
    SetWindowPos(menuFrame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Flush();
    EXPECT_EQ(secondStart(), info) << "the menu behind the information window";
    ACL empty{};
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    ASSERT_EQ(SetSecurityInfo(mark.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &empty,
                              nullptr), 0u);
    EXPECT_EQ(secondStart(), info) << "a mark that may not be opened";

    platform.Clicked(forms.Get<Form2>().Label1);
    platform.Clicked(menu.Label1);
    HWND dialog = platform.WindowOf(forms.Get<egatast>()).Handle();
    HWND box = CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, dialog, nullptr, nullptr,
                               nullptr);
    SetActiveWindow(box);
    Flush();
    EXPECT_EQ(secondStart(), box) << "the box in front of the dialog";
    SetForegroundWindow(other);
    PostMessageW(dialog, platform::win32::ComeForwardMessage(), 0, 0);
    Flush();
    EXPECT_EQ(GetForegroundWindow(), box) << "the first menu, asked to come forward";
    DestroyWindow(box);
    DestroyWindow(other);
}

}  // namespace
