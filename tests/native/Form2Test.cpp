#include "MenuTest.h"

namespace {

class InformationTest : public MenuTest {
protected:
    Form2& OpenInformation() {
        platform.ClickOn(Menu(), "Label2");
        return *forms.Find<Form2>();
    }
};

TEST_F(InformationTest, BackShowsTheWordBesideTheArrowOnlyWhileThePointerIsOverIt) {
    Start();
    Form2& info = OpenInformation();
    EXPECT_FALSE(info.Label2.Visible());
    platform.MoveOver(info, "Label1");
    EXPECT_TRUE(info.Label2.Visible());
    platform.MoveOver(info, "Picture1");
    EXPECT_FALSE(info.Label2.Visible());
}

TEST_F(InformationTest, GoingBackShowsTheMenuWithBlackEntriesAndItsCaptionUnchanged) {
    SetInstalled();
    Start();
    platform.MoveOver(Menu(), "Label2");
    platform.MoveOver(Menu(), "Label1");
    Form2& info = OpenInformation();
    platform.MoveOver(info, "Label1");
    platform.ClickOn(info, "Label1");

    EXPECT_FALSE(platform.IsVisible(info));
    EXPECT_TRUE(platform.IsVisible(Menu()));
    for (auto* entry : {&Menu().Label1, &Menu().Label2, &Menu().Label3}) EXPECT_EQ(entry->ForeColor(), platform::kBlack);
    EXPECT_EQ(Menu().Label1.Caption(), L"Εκτέλεση Εφαρμογής");
    EXPECT_EQ(std::count(platform.log.begin(), platform.log.end(), "load Form1"), 1) << "the menu was not loaded again";
    EXPECT_EQ(system.openedKeys.size(), 1u) << "the registry is read once";

    // The second visit shows the same window, with the word hidden although it showed
    // when the user left.
    Form2& again = OpenInformation();
    EXPECT_EQ(&again, &info);
    EXPECT_FALSE(again.Label2.Visible());
    EXPECT_EQ(std::count(platform.log.begin(), platform.log.end(), "load Form2"), 1);
}

TEST_F(InformationTest, ClosingTheMenuFromTheKeyboardWithTheInformationWindowHiddenEndsTheProgram) {
    Start();
    OpenInformation();
    platform.ClickOn(*forms.Find<Form2>(), "Label1");
    platform.PressAltF4(Menu());
    EXPECT_TRUE(platform.Ended()) << "no visible window is left";
}

TEST_F(InformationTest, ClosingTheInformationWindowFromTheKeyboardEndsTheProgram) {
    Start();
    Form2& info = OpenInformation();
    platform.PressAltF4(info);
    EXPECT_EQ(forms.Find<Form2>(), nullptr);
    EXPECT_TRUE(platform.Ended()) << "the menu is loaded but hidden";
}

}  // namespace
