// The windows from the keyboard: where the keys take the selection, what it lights, what
// Enter, Space and Esc do, and where the keyboard is when a window comes back.
#include "MenuTest.h"

namespace {

using platform::Key;

std::string Lit(Form1& menu) {
    std::string lit;
    for (auto* entry : {&menu.Label1, &menu.Label2, &menu.Label3}) {
        if (entry->ForeColor() == platform::kRed) lit += entry->Layout().name;
    }
    return lit;
}

TEST_F(MenuTest, KeysMoveTheSelectionThroughTheEntriesAndActivateIt) {
    struct Case {
        std::vector<Key> keys;
        std::string lit;     // the entries that are red afterwards
        std::string after;   // what the last key did: "", "dialog", "information", "end"
    };
    const Case cases[] = {
        {{}, "", ""},
        {{Key::Tab}, "Label1", ""},
        {{Key::Down, Key::Down}, "Label2", ""},
        {{Key::Tab, Key::Tab, Key::Tab, Key::Tab}, "Label1", ""},
        {{Key::BackTab}, "Label3", ""},
        {{Key::Up}, "Label3", ""},
        {{Key::Down, Key::Up}, "Label3", ""},
        {{Key::Escape, Key::Enter, Key::Space}, "", ""},  // nothing selected, nothing happens
        {{Key::Tab, Key::Enter}, "", "dialog"},
        {{Key::Tab, Key::Tab, Key::Space}, "", "information"},
        {{Key::Up, Key::Enter}, "", "end"},
    };
    for (const Case& c : cases) {
        platform::RecordingPlatform fresh;
        platform::Forms freshForms(fresh);
        fresh.Dispatch([&] { StartMenu(freshForms); });
        Form1& menu = *freshForms.Find<Form1>();
        for (Key key : c.keys) fresh.PressKey(menu, key);
        const std::string name = "after " + std::to_string(c.keys.size()) + " keys, ending " + c.lit + c.after;
        EXPECT_EQ(fresh.Ended(), c.after == "end") << name;
        if (c.after == "dialog") {
            ASSERT_NE(freshForms.Find<egatast>(), nullptr) << name;
            EXPECT_EQ(fresh.FocusedWindow(*freshForms.Find<egatast>()), &freshForms.Find<egatast>()->Check1)
                << "the dialog opens with the database box focused";
        } else if (c.after == "information") {
            EXPECT_TRUE(fresh.IsVisible(*freshForms.Find<Form2>())) << name;
        } else if (c.after.empty()) {
            EXPECT_EQ(Lit(menu), c.lit) << name;
            const platform::Control* selected = menu.KeyboardSelection();
            EXPECT_EQ(selected ? std::string(selected->Layout().name) : "", c.lit) << name;
            EXPECT_EQ(fresh.selected.empty() ? std::string() : fresh.selected.back(), c.lit) << "told to screen readers";
        }
    }
}

TEST_F(MenuTest, TheInformationWindowTabsBetweenTextAndArrowAndEscGoesBack) {
    Start();
    Form1& menu = Menu();
    for (Key key : {Key::Down, Key::Down, Key::Enter}) platform.PressKey(menu, key);
    Form2& info = *forms.Find<Form2>();
    EXPECT_EQ(platform.FocusedWindow(info), &info.Text1) << "the text has the keyboard when the window opens";

    platform.PressKey(info, Key::Tab);
    EXPECT_EQ(info.KeyboardSelection(), &info.Label1);
    EXPECT_TRUE(info.Label2.Visible()) << "the arrow with the keyboard shows its word";
    platform.PressKey(info, Key::Tab);
    EXPECT_EQ(platform.FocusedWindow(info), &info.Text1);
    EXPECT_TRUE(platform.caretAtStart) << "Tab into the text selects nothing";
    EXPECT_FALSE(info.Label2.Visible());
    EXPECT_FALSE(platform.KeyPressed(info, &info.Text1, Key::Enter)) << "Enter types a new line";
    EXPECT_FALSE(platform.KeyPressed(info, &info.Text1, Key::Down)) << "the arrows move the caret";

    platform.PressKey(info, Key::Escape);
    EXPECT_FALSE(platform.IsVisible(info));
    ASSERT_TRUE(platform.IsVisible(menu));
    EXPECT_EQ(Lit(menu), "Label2") << "the menu comes back with its entry selected";
    EXPECT_FALSE(platform.Ended());

    platform.PressKey(menu, Key::Enter);
    EXPECT_EQ(platform.FocusedWindow(info), &info.Text1) << "the keyboard goes back into the text";
    EXPECT_FALSE(platform.caretAtStart) << "where the caret was";
}

TEST_F(MenuTest, TheDialogPressesItsButtonFromTheKeys) {
    Start();
    platform.PressKey(Menu(), Key::Tab);
    platform.PressKey(Menu(), Key::Enter);
    egatast& dialog = *forms.Find<egatast>();
    EXPECT_FALSE(platform.KeyPressed(dialog, &dialog.Check1, Key::Space)) << "the box toggles itself";
    platform.PressKey(dialog, Key::Escape);
    platform.PressKey(dialog, Key::Down);
    EXPECT_EQ(platform.FocusedWindow(dialog), &dialog.Check2);
    platform.PressKey(dialog, Key::Tab);
    ASSERT_EQ(platform.FocusedWindow(dialog), &dialog.Command1);
    platform.PressKey(dialog, Key::Enter);
    EXPECT_EQ(platform.started.size(), 2u);
    EXPECT_TRUE(platform.Ended());
}

// The task bar's Close or End task while the pause is up: the click goes no further.
TEST_F(MenuTest, AClosedDialogStartsNothingMoreOnceThePauseReturns) {
    Start();
    platform.ClickOn(Menu(), "Label1");
    egatast& dialog = *forms.Find<egatast>();
    platform.whileMessageBoxShows = [&] { platform.CloseFromKeyboard(dialog); };
    platform.ClickOn(dialog, "Command1");
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].path, L"E:\\dbsetup.exe");
    EXPECT_TRUE(platform.Ended());
    EXPECT_FALSE(Logged("touched unloaded egatast")) << "the handler went on against the closed dialog";
    EXPECT_EQ(platform.messages.size(), 1u) << "no error report";
}

}  // namespace
