// FindCdDrive against the drives of the machine it runs on. The test runner configures
// the CD-ROM drives and names them in MENU_TEST_CD_DRIVES, in drive order ("D:\ E:\").
#include <windows.h>

#include <gtest/gtest.h>

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

TEST(Drives, FindCdDriveAnswersTheFirstCdRomDriveOfTheMachine) {
    if (!std::getenv("MENU_TEST_CD_DRIVES")) GTEST_SKIP() << "the runner names the CD-ROM drives it configured";
    const std::vector<std::string> expected = ConfiguredCdDrives();
    for (const std::string& root : expected) {
        EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_CDROM)) << root << " is configured as CD-ROM";
    }
    const std::wstring found = FindCdDrive();
    if (expected.empty()) {
        EXPECT_EQ(found, L"");
    } else {
        EXPECT_EQ(found, std::wstring(expected[0].begin(), expected[0].end()));
    }
}

}  // namespace
