// FindCdDrive against the drives of the machine it runs on. The test runner configures
// the drives besides C: and Z:, names the CD-ROM drives in MENU_TEST_CD_DRIVES and the fixed
// ones in MENU_TEST_FIXED_DRIVES, in drive order ("D:\ E:\"), and runs these tests from a
// fixed drive and from a copy on each CD-ROM drive.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "system/Module1.h"

namespace {

std::vector<std::string> ConfiguredDrives(const char* variable) {
    std::vector<std::string> roots;
    const char* configured = std::getenv(variable);
    std::istringstream words(configured ? configured : "");
    for (std::string root; words >> root;) roots.push_back(root);
    return roots;
}

// The roots the system lists, in its order and upper case, read with a buffer large enough
// for all 26.
std::vector<std::string> ListedDrives() {
    char list[26 * 4 + 1] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof list, list);
    std::vector<std::string> roots;
    for (const char* root = list; root < list + length && *root; root += std::strlen(root) + 1) {
        std::string upper(root);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        roots.push_back(upper);
    }
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
    const std::vector<std::string> expected = ConfiguredDrives("MENU_TEST_CD_DRIVES");
    const std::vector<std::string> fixed = ConfiguredDrives("MENU_TEST_FIXED_DRIVES");
    for (const std::string& root : expected) {
        EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_CDROM)) << root << " is configured as CD-ROM";
    }
    for (const std::string& root : fixed) {
        EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_FIXED)) << root << " is configured as fixed";
    }
    // The set-up is what the runner says and nothing more: C:, the configured drives, Z:.
    std::vector<std::string> configured{"C:\\", "Z:\\"};
    configured.insert(configured.end(), expected.begin(), expected.end());
    configured.insert(configured.end(), fixed.begin(), fixed.end());
    std::sort(configured.begin(), configured.end());
    std::string listed;
    for (const std::string& root : ListedDrives()) listed += root + " ";
    std::string wanted;
    for (const std::string& root : configured) wanted += root + " ";
    EXPECT_EQ(listed, wanted) << "the drives the system lists";

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
