#include "MenuTest.h"

namespace {

using platform::kBlack;
using platform::kRed;

TEST_F(MenuTest, StartsWithTheInstallEntryWhenTheRegistrySaysNothing) {
    Start();
    ASSERT_NE(forms.Find<Form1>(), nullptr);
    EXPECT_EQ(platform.log, (std::vector<std::string>{"load Form1", "show Form1"}));
    EXPECT_EQ(Menu().Label1.Caption(), L"Εγκατάσταση Εφαρμογής");
    for (auto* entry : {&Menu().Label1, &Menu().Label2, &Menu().Label3}) EXPECT_EQ(entry->ForeColor(), kBlack);
}

TEST_F(MenuTest, OnlyTheExactProductNameMeansInstalled) {
    for (const std::string& value : {std::string("quintaral\0", 10), std::string("Quintaral \0", 11),
                                     std::string("QUINTARAL"), std::string("Quintara\0", 9)}) {
        platform::RecordingPlatform fresh;
        platform::Forms freshForms(fresh);
        system.SetDisplayName(value);
        fresh.Dispatch([&] { StartMenu(freshForms); });
        EXPECT_EQ(freshForms.Find<Form1>()->Label1.Caption(), L"Εγκατάσταση Εφαρμογής") << value;
    }
    SetInstalled();
    Start();
    EXPECT_EQ(Menu().Label1.Caption(), L"Εκτέλεση Εφαρμογής");
}

TEST_F(MenuTest, AnEntryTurnsRedUnderThePointerAndBlackOnlyOverBarePicture) {
    Start();
    Form1& menu = Menu();
    platform.MoveOver(menu, "Label1");
    EXPECT_EQ(menu.Label1.ForeColor(), kRed);
    EXPECT_EQ(menu.Label2.ForeColor(), kBlack);
    // Straight from one entry onto the next: both stay red.
    platform.MoveOver(menu, "Label2");
    EXPECT_EQ(menu.Label1.ForeColor(), kRed);
    EXPECT_EQ(menu.Label2.ForeColor(), kRed);
    // The copyright line changes nothing.
    platform.MoveOver(menu, "Label4");
    EXPECT_EQ(menu.Label1.ForeColor(), kRed);
    EXPECT_EQ(menu.Label4.ForeColor(), platform::kDefaultColour);
    platform.MoveOver(menu, "Label3");
    platform.MoveOver(menu, "Picture1");
    for (auto* entry : {&menu.Label1, &menu.Label2, &menu.Label3}) EXPECT_EQ(entry->ForeColor(), kBlack);
}

TEST_F(MenuTest, RunningTheApplicationStartsItInItsFolderOnTheDiscAndEnds) {
    SetInstalled();
    Start();
    system.driveListLengths.clear();
    platform.ClickOn(Menu(), "Label1");
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].path, L"E:\\quin\\quin.exe");
    EXPECT_EQ(platform.started[0].windowStyle, platform::kNormalFocus);
    EXPECT_EQ(platform.started[0].folder, L"E:\\quin\\");
    EXPECT_EQ(platform.log.back(), "end");
    EXPECT_TRUE(platform.Ended());
    EXPECT_EQ(system.driveListLengths.size(), 2u) << "the drive is asked for afresh before each use";
    const size_t before = LogSize();
    platform.MoveOver(Menu(), "Label2");
    platform.ClickOn(Menu(), "Label3");
    EXPECT_EQ(LogSize(), before) << "nothing runs after the end";
}

TEST_F(MenuTest, AMissingApplicationFolderIsReportedAndEndsTheProgramWithNothingStarted) {
    SetInstalled();
    platform.folders.erase(L"E:\\quin\\");
    Start();
    platform.ClickOn(Menu(), "Label1");
    EXPECT_TRUE(platform.started.empty());
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].prompt.find(L"3"), std::wstring::npos) << "the error's number";
    EXPECT_NE(platform.messages[0].prompt.find(L"E:\\quin\\"), std::wstring::npos) << "the path that failed";
    EXPECT_EQ(platform.log.back(), "end");
}

TEST_F(MenuTest, WithoutACdRomDriveThePathsAreRelative) {
    SetInstalled();
    system.driveTypes = {{'A', 2}};
    platform.folders.insert(L"M:\\quin\\");
    platform.programs.insert(L"M:\\quin\\quin.exe");
    Start();
    platform.ClickOn(Menu(), "Label1");
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].path, L"M:\\quin\\quin.exe") << "taken from the menu's own folder";
}

TEST_F(MenuTest, ExitEndsAtOnce) {
    Start();
    platform.ClickOn(Menu(), "Label3");
    EXPECT_EQ(platform.log, (std::vector<std::string>{"load Form1", "show Form1", "end"}));
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(MenuTest, TheInstallEntryOpensTheDialogInPlaceOfTheMenu) {
    Start();
    platform.ClickOn(Menu(), "Label1");
    EXPECT_EQ(forms.Find<Form1>(), nullptr);
    egatast* dialog = forms.Find<egatast>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(platform.IsVisible(*dialog));
    EXPECT_EQ(dialog->Check1.Value(), 1);
    EXPECT_EQ(dialog->Check2.Value(), 1);
    EXPECT_FALSE(platform.Ended()) << "the dialog is still loaded";
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(MenuTest, TheInformationEntryHidesTheMenuAndShowsTheInformationWindow) {
    Start();
    platform.MoveOver(Menu(), "Label2");
    platform.ClickOn(Menu(), "Label2");
    ASSERT_NE(forms.Find<Form2>(), nullptr);
    EXPECT_FALSE(platform.IsVisible(Menu()));
    EXPECT_TRUE(platform.IsVisible(*forms.Find<Form2>()));
    EXPECT_EQ(platform.log, (std::vector<std::string>{"load Form1", "show Form1", "hide Form1", "load Form2",
                                                      "show Form2"}));
}

}  // namespace
