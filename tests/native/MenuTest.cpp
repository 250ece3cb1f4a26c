// The program's journeys against the recording platform: each row is a machine, what the user
// does, and everything the user or the system sees happen, in order. Then thousands of random
// journeys, with the program's invariants checked after every event.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "FakeSystem.h"
#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/double/RecordingPlatform.h"

namespace {

// The program started on a machine whose drive E: is a CD-ROM drive holding the disc.
struct Machine {
    FakeSystem system;
    ScopedSystemCalls scope{system};
    platform::RecordingPlatform platform;
    platform::Forms forms{platform};

    // "installed", "nocd" (no CD-ROM drive), "+path" or "-path" on the disc.
    explicit Machine(const std::string& words) {
        std::istringstream machine(words);
        system.log = &platform.log;
        platform.disc = {L"E:\\", L"E:\\quin\\", L"E:\\quin\\quin.exe", L"E:\\dbsetup.exe", L"E:\\Setup.exe"};
        for (std::string word; machine >> word;) {
            const std::wstring path(word.begin() + 1, word.end());
            if (word == "installed") system.value = install_value_cases::AllCases()[4];
            if (word == "nocd") system.cdLetters.clear();
            if (word[0] == '+') platform.disc.insert(path);
            if (word[0] == '-') platform.disc.erase(path);
        }
        platform.Dispatch([&] { StartMenu(forms); });
    }
};

struct Journey {
    const char* name;
    const char* machine;
    const char* events;    // as RecordingPlatform::Raise takes them
    std::string expected;  // what was logged after the start, or from the start if it begins with it
};

const std::string kBlack = "Form1.Label1 black; Form1.Label2 black; Form1.Label3 black";
const std::string kDialog = "load egatast; show egatast; focus egatast.Check1; unload Form1; ";
const std::string kPause = "msgbox Setup 0: Πατήστε ΟΚ για συνέχεια; ";
const std::string kInfo = "hide Form1; load Form2; show Form2; focus Form2.Text1";

const Journey kJourneys[] = {
    {"start and hover", "", "move Form1.Label1; move Form1.Label2; move Form1.Label4; move Form1.Label3; "
     "move Form1.Picture1", "load Form1; reg; show Form1; " + kBlack + "; Form1.Label1 red; Form1.Label2 red; "
     "Form1.Label3 red; " + kBlack},
    {"run the application", "installed", "click Form1.Label1",
     "drives; chdir E:\\quin\\; drives; shell E:\\quin\\quin.exe 1 in E:\\quin\\; end"},
    {"application folder missing", "installed -E:\\quin\\", "click Form1.Label1",
     "drives; msgbox Quintaral 16: Σφάλμα εκτέλεσης 3:\n\nnot found: E:\\quin\\; end"},
    {"no CD-ROM drive: paths from the menu's folder", "installed nocd +M:\\quin\\ +M:\\quin\\quin.exe",
     "click Form1.Label1", "drives; chdir M:\\quin\\; drives; shell M:\\quin\\quin.exe 1 in M:\\quin\\; end"},
    {"exit", "", "click Form1.Label3", "end"},
    {"install both", "", "click Form1.Label1; click egatast.Command1",
     kDialog + "drives; shell E:\\dbsetup.exe 1 in C:\\; " + kPause + "drives; shell E:\\Setup.exe 1 in C:\\; end"},
    {"install the main program", "", "click Form1.Label1; check egatast.Check1 0; click egatast.Command1",
     kDialog + "drives; shell E:\\Setup.exe 1 in C:\\; end"},
    {"install the database", "", "click Form1.Label1; check egatast.Check2 0; click egatast.Command1",
     kDialog + "drives; shell E:\\dbsetup.exe 1 in C:\\; " + kPause + "end"},
    {"grayed boxes", "", "click Form1.Label1; check egatast.Check1 2; check egatast.Check2 2; click egatast.Command1",
     kDialog + "end"},
    {"failing database installer", "-E:\\dbsetup.exe", "click Form1.Label1; click egatast.Command1",
     kDialog + "drives; msgbox Quintaral 16: Σφάλμα εκτέλεσης 2:\n\nnot found: E:\\dbsetup.exe; end"},
    {"dialog closed during the pause", "", "click Form1.Label1; inbox egatast; click egatast.Command1",
     kDialog + "drives; shell E:\\dbsetup.exe 1 in C:\\; " + kPause + "unload egatast; end"},
    {"information and back, twice", "installed", "move Form1.Label3; move Form1.Label2; click Form1.Label2; "
     "move Form2.Label1; move Form2.Text1; click Form2.Label1; click Form1.Label2",
     "Form1.Label3 red; Form1.Label2 red; " + kInfo + "; Form2.Label2 shown; hide Form2; show Form1; "
     "Form1.Label2 black; Form1.Label3 black; hide Form1; show Form2; Form2.Label2 hidden; focus Form2.Text1"},
    {"Alt+F4 on the menu, information hidden", "", "click Form1.Label2; click Form2.Label1; altf4 Form1",
     kInfo + "; hide Form2; show Form1; unload Form1; end"},
    {"Alt+F4 on the information window", "", "click Form1.Label2; altf4 Form2", kInfo + "; unload Form2; end"},
    {"Alt+F4 on the dialog", "", "click Form1.Label1; altf4 egatast", kDialog + "unload egatast; end"},
    {"Tab wraps", "", "key Form1 Tab; key Form1 Tab; key Form1 Tab; key Form1 Tab",
     "Form1.Label1 red; selected Form1.Label1; Form1.Label1 black; Form1.Label2 red; selected Form1.Label2; "
     "Form1.Label2 black; Form1.Label3 red; selected Form1.Label3; Form1.Label3 black; Form1.Label1 red; "
     "selected Form1.Label1"},
    {"arrows and BackTab wrap", "", "key Form1 Down; key Form1 Up; key Form1 BackTab; key Form1 Down",
     "Form1.Label1 red; selected Form1.Label1; Form1.Label1 black; Form1.Label3 red; selected Form1.Label3; "
     "Form1.Label3 black; Form1.Label2 red; selected Form1.Label2; Form1.Label2 black; Form1.Label3 red; "
     "selected Form1.Label3"},
    {"no selection: keys do nothing", "", "key Form1 Esc; key Form1 Enter; key Form1 Space",
     "Enter to Form1; Space to Form1"},
    {"the information window from the keys", "", "key Form1 BackTab; key Form1 BackTab; key Form1 Space; "
     "key Form2 Tab; key Form2 Tab; key Form2 Enter; key Form2 Down; key Form2 Esc; key Form1 Enter",
     "Form1.Label3 red; selected Form1.Label3; Form1.Label3 black; Form1.Label2 red; selected Form1.Label2; " + kInfo +
         "; Form2.Label2 shown; selected Form2.Label1; Form2.Label2 hidden; focus Form2.Text1 caret at start; "
         "Enter to Form2.Text1; Down to Form2.Text1; hide Form2; show Form1; Form1.Label2 black; Form1.Label2 red; "
         "selected Form1.Label2; hide Form1; show Form2; focus Form2.Text1"},
    {"the dialog from the keys", "", "key Form1 Tab; key Form1 Enter; key egatast Space; key egatast Esc; "
     "key egatast Down; key egatast Tab; key egatast Enter",
     "Form1.Label1 red; selected Form1.Label1; " + kDialog + "Space to egatast.Check1; focus egatast.Check2; "
     "focus egatast.Command1; drives; shell E:\\dbsetup.exe 1 in C:\\; " + kPause +
     "drives; shell E:\\Setup.exe 1 in C:\\; end"},
};

TEST(Menu, EveryJourneyShowsWhatItsRowSays) {
    for (const Journey& row : kJourneys) {
        Machine machine(row.machine);
        const std::string& log = machine.platform.log;
        const size_t start = row.expected.starts_with("load Form1") ? 0 : log.size() + 2;
        machine.platform.Raise(row.events);
        EXPECT_EQ(log.substr(std::min(start, log.size())), row.expected) << row.name;
    }
}

TEST(Menu, AFailureInAHandlerIsReportedWithItsNumberAndTextAndEndsTheProgram) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[] { throw platform::RuntimeError{0, L"none"}; }, "0:\n\nnone"},
        {[] { throw platform::RuntimeError{4294967295UL, L"y"}; }, "4294967295:\n\ny"},
        {[] { throw std::out_of_range("index"); }, "1359:\n\nInternal error."},
    };
    for (const auto& [handler, prompt] : cases) {
        platform::RecordingPlatform platform;
        platform.Dispatch(handler);
        EXPECT_EQ(platform.log, "msgbox Quintaral 16: Σφάλμα εκτέλεσης " + prompt + "; end");
    }
}

TEST(Menu, RandomEventsKeepEveryInvariant) {
    std::mt19937 random(20261206);
    auto pick = [&](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
    const char* verbs[] = {"altf4 ", "click ", "check ", "key ", "move ", "move "};
    const char* keys[] = {" Tab", " BackTab", " Up", " Down", " Enter", " Space", " Esc"};
    const char* machines[] = {"", "installed", "-E:\\quin\\", "installed -E:\\quin\\quin.exe", "-E:\\Setup.exe"};
    for (int sequence = 0; sequence < 1000; ++sequence) {
        const char* setUp = machines[pick(std::size(machines))];
        Machine machine(setUp);
        platform::RecordingPlatform& platform = machine.platform;
        const std::wstring caption = machine.forms.Find<Form1>()->Label1.Caption();
        for (int step = 0; step < 40 && !platform.Ended(); ++step) {
            const auto loaded = platform.Loaded();
            ASSERT_FALSE(loaded.empty()) << "a program with no window has ended";
            const platform::Form& form = *loaded[pick(loaded.size())];
            const std::string verb = verbs[pick(std::size(verbs))];
            const std::string control(form.Layout().controls[pick(form.Layout().controls.size())].name);
            platform.Raise(verb + std::string(form.Layout().name) +
                           (verb == "key " ? keys[pick(7)] : "." + control + " " + std::to_string(pick(3))));
            SCOPED_TRACE(std::string(setUp) + ": " + platform.log);
            const Form1* menu = machine.forms.Find<Form1>();
            ASSERT_TRUE(!menu || menu->Label1.Caption() == caption);
            ASSERT_EQ(platform.log.find("touched unloaded"), std::string::npos);
            // Only the application from its folder, or the installers database first; and the
            // program ends with them.
            std::string started;
            for (size_t at = platform.log.find("shell "); at != std::string::npos; at = platform.log.find("shell ", at + 1)) {
                started += platform.log.substr(at + 6, platform.log.find(';', at) - at - 6) + "; ";
            }
            const std::string db = "E:\\dbsetup.exe 1 in C:\\; ", setup = "E:\\Setup.exe 1 in C:\\; ";
            const std::set<std::string> allowed{"", "E:\\quin\\quin.exe 1 in E:\\quin\\; ", db, setup, db + setup};
            ASSERT_TRUE(allowed.contains(started)) << started;
            ASSERT_TRUE(started.empty() || platform.Ended()) << "a start ends the program";
        }
        if (!platform.Ended()) continue;
        const std::string atEnd = platform.log;
        for (platform::Form* form : platform.Loaded()) {
            for (const auto& control : form->Layout().controls) {
                const std::string target = std::string(form->Layout().name) + "." + std::string(control.name);
                platform.Raise("move " + target + "; click " + target + "; key " + target + " Enter");
            }
            platform.Raise("altf4 " + std::string(form->Layout().name));
        }
        ASSERT_EQ(platform.log, atEnd) << "nothing runs after the end";
    }
}

}  // namespace
