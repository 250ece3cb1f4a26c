#include "MenuTest.h"

namespace {

class InstallDialogTest : public MenuTest {
protected:
    egatast& OpenDialog() {
        Start();
        platform.ClickOn(Menu(), "Label1");
        return *forms.Find<egatast>();
    }
    std::vector<std::wstring> StartedPaths() const {
        std::vector<std::wstring> paths;
        for (const auto& program : platform.started) paths.push_back(program.path);
        return paths;
    }
};

TEST_F(InstallDialogTest, StartsTheTickedInstallersDatabaseFirstWithThePauseOnlyAfterIt) {
    struct Case {
        int database, mainProgram;
        std::vector<std::wstring> started;
        size_t pauses;
    };
    const Case cases[] = {
        {1, 1, {L"E:\\dbsetup.exe", L"E:\\Setup.exe"}, 1},
        {0, 1, {L"E:\\Setup.exe"}, 0},
        {1, 0, {L"E:\\dbsetup.exe"}, 1},
        {0, 0, {}, 0},
        {2, 2, {}, 0},  // grayed boxes are not ticked
    };
    for (const Case& c : cases) {
        platform::RecordingPlatform fresh;
        platform::Forms freshForms(fresh);
        fresh.programs = platform.programs;
        fresh.Dispatch([&] { StartMenu(freshForms); });
        fresh.ClickOn(*freshForms.Find<Form1>(), "Label1");
        egatast& dialog = *freshForms.Find<egatast>();
        fresh.SetCheckValue(dialog, "Check1", c.database);
        fresh.SetCheckValue(dialog, "Check2", c.mainProgram);
        fresh.ClickOn(dialog, "Command1");

        std::vector<std::wstring> started;
        for (const auto& program : fresh.started) started.push_back(program.path);
        EXPECT_EQ(started, c.started) << "database " << c.database << ", main program " << c.mainProgram;
        ASSERT_EQ(fresh.messages.size(), c.pauses);
        if (c.pauses) {
            EXPECT_EQ(fresh.messages[0].prompt, L"Πατήστε ΟΚ για συνέχεια");
            EXPECT_EQ(fresh.messages[0].title, L"Setup");
            EXPECT_EQ(fresh.messages[0].buttons, platform::kOkOnly);
            // The pause comes between the two starts.
            auto at = [&](const std::string& entry) { return std::find(fresh.log.begin(), fresh.log.end(), entry); };
            EXPECT_LT(at("shell E:\\dbsetup.exe"), at("msgbox Setup"));
            if (c.mainProgram == 1) {
                EXPECT_LT(at("msgbox Setup"), at("shell E:\\Setup.exe"));
            }
        }
        EXPECT_EQ(fresh.log.back(), "end");
    }
}

TEST_F(InstallDialogTest, AFailingDatabaseInstallerStopsEverythingAfterIt) {
    platform.programs.erase(L"E:\\dbsetup.exe");
    egatast& dialog = OpenDialog();
    platform.ClickOn(dialog, "Command1");
    EXPECT_TRUE(platform.started.empty());
    ASSERT_EQ(platform.messages.size(), 1u) << "the error report, and no pause";
    EXPECT_NE(platform.messages[0].prompt.find(L"E:\\dbsetup.exe"), std::wstring::npos);
    EXPECT_NE(platform.messages[0].title, L"Setup");
    EXPECT_EQ(platform.log.back(), "end");
}

TEST_F(InstallDialogTest, AsksForTheDriveAfreshBeforeEachStart) {
    egatast& dialog = OpenDialog();
    system.driveListLengths.clear();
    platform.ClickOn(dialog, "Command1");
    EXPECT_EQ(system.driveListLengths.size(), 2u);
    EXPECT_EQ(StartedPaths(), (std::vector<std::wstring>{L"E:\\dbsetup.exe", L"E:\\Setup.exe"}));
}

TEST_F(InstallDialogTest, ClosingTheDialogFromTheKeyboardEndsTheProgram) {
    egatast& dialog = OpenDialog();
    platform.PressAltF4(dialog);
    EXPECT_EQ(forms.Find<egatast>(), nullptr);
    EXPECT_TRUE(platform.Ended());
    EXPECT_TRUE(platform.started.empty());
}

}  // namespace
