// FindCdDrive against the drives of the machine it runs on. The test runner configures
// the CD-ROM drives and names them in MENU_TEST_CD_DRIVES, in drive order ("D:\ E:\"),
// and runs these tests from a fixed drive and from a copy on each CD-ROM drive.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "system/Module1.h"

namespace {

std::vector<std::string> ConfiguredCdDrives() {
    std::vector<std::string> roots;
    const char* configured = std::getenv("MENU_TEST_CD_DRIVES");
    std::istringstream words(configured ? configured : "");
    for (std::string root; words >> root;) roots.push_back(root);
    return roots;
}

// The root of the drive this test program runs from, in upper case.
std::string OwnRoot() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string root(path, 3);
    root[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
    return root;
}

TEST(Drives, FindCdDriveAnswersTheDiscTheProgramRunsFromElseTheFirstCdRomDrive) {
    if (!std::getenv("MENU_TEST_CD_DRIVES")) GTEST_SKIP() << "the runner names the CD-ROM drives it configured";
    const std::vector<std::string> expected = ConfiguredCdDrives();
    for (const std::string& root : expected) {
        EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_CDROM)) << root << " is configured as CD-ROM";
    }
    const std::wstring found = FindCdDrive();
    if (expected.empty()) {
        EXPECT_EQ(found, L"");
        return;
    }
    const std::string own = OwnRoot();
    const bool onCdRom = std::find(expected.begin(), expected.end(), own) != expected.end();
    const std::string disc = onCdRom ? own : expected[0];
    EXPECT_EQ(found, std::wstring(disc.begin(), disc.end())) << "running from " << own;
}

}  // namespace
