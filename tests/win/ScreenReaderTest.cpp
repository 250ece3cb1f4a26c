// COM on the window thread, which the shell and screen readers need.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/StartProgram.h"

namespace {

// The shell runs with COM set up on its thread, in a single-threaded apartment, as it asks.
TEST(Com, TheShellRunsInASingleThreadedApartment) {
    HRESULT after = S_OK;
    std::thread([&] {
        platform::win32::RealProcessApi().ShellExecuteAt(L"C:\\missing.exe", SW_SHOWMINNOACTIVE);
        after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    }).join();
    EXPECT_EQ(after, RPC_E_CHANGED_MODE);
}

}  // namespace
