#pragma once
// The program started against the recording platform, on a machine whose drive E: is a
// CD-ROM drive holding the disc.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "FakeSystem.h"
#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/double/RecordingPlatform.h"
#include "windows/Form2.h"
#include "windows/egatast.h"

class MenuTest : public ::testing::Test {
protected:
    FakeSystem system;
    ScopedSystemCalls scope{system};
    platform::RecordingPlatform platform;
    platform::Forms forms{platform};

    MenuTest() {
        system.driveList = FakeSystem::DriveList({"A:\\", "C:\\", "E:\\"});
        system.driveTypes = {{'A', 2}, {'E', 5}};
        platform.folders = {L"E:\\", L"E:\\quin\\"};
        platform.programs = {L"E:\\quin\\quin.exe", L"E:\\dbsetup.exe", L"E:\\Setup.exe"};
    }

    void SetInstalled() { system.SetDisplayName(std::string("Quintaral\0", 10)); }
    void Start() {
        platform.Dispatch([&] { StartMenu(forms); });
    }
    Form1& Menu() { return *forms.Find<Form1>(); }
    size_t LogSize() const { return platform.log.size(); }
    bool Logged(const std::string& entry) const {
        return std::find(platform.log.begin(), platform.log.end(), entry) != platform.log.end();
    }
};
