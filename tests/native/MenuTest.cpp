// The windows and the queries against the recording platform and a scripted system: journeys,
// each a machine, what the user does and everything the user or the system sees happen, in order;
// the queries' cases; and thousands of random journeys with the invariants checked at every step.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>

#include "FakeSystem.h"
#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/double/RecordingPlatform.h"
#include "system/Module1.h"

// The unit tests run on a machine with no drives and an empty registry unless a test puts a
// FakeSystem of its own in place.
SystemCalls& RealSystemCalls() {
    static FakeSystem empty;
    return empty;
}

namespace {

// The program started on a machine whose drive E: is a CD-ROM drive holding the disc.
struct Machine {
    FakeSystem system;
    ScopedSystemCalls scope{system};
    platform::RecordingPlatform platform;
    platform::Forms forms{platform};

    // "installed", "nocd" (no CD-ROM drive), "+path" or "-path" on the disc.
    explicit Machine(const std::string& words, const install_value_cases::Case& value = install_value_cases::AllCases()[0]) {
        std::istringstream machine(words);
        system.log = &platform.log;
        system.value = value;
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

const std::string kBlack = "Label1 black; Label2 black; Label3 black";
const std::string kDialog = "load egatast; show egatast; focus Check1; unload Form1; ";
const std::string kDb = "drives; shell E:\\dbsetup.exe 1 in C:\\; msgbox Setup 0: Πατήστε ΟΚ για συνέχεια; ";
const std::string kSetup = "drives; shell E:\\Setup.exe 1 in C:\\; ";
const std::string kInfo = "hide Form1; load Form2; show Form2; focus Text1";

const Journey kJourneys[] = {
    {"start and hover", "", "move Label1; move Label2; move Label4; move Label3; move Picture1",
     "load Form1; reg; show Form1; " + kBlack + "; Label1 red; Label2 red; Label3 red; " + kBlack},
    {"run the application", "installed", "click Label1",
     "drives; chdir E:\\quin\\; drives; shell E:\\quin\\quin.exe 1 in E:\\quin\\; end"},
    {"application folder missing", "installed -E:\\quin\\", "click Label1",
     "drives; msgbox Quintaral 16: Σφάλμα εκτέλεσης 3:\n\nnot found: E:\\quin\\; end"},
    {"no CD-ROM drive: paths from the menu's folder", "installed nocd +M:\\quin\\ +M:\\quin\\quin.exe", "click Label1",
     "drives; chdir M:\\quin\\; drives; shell M:\\quin\\quin.exe 1 in M:\\quin\\; end"},
    {"exit", "", "click Label3", "end"},
    {"install both", "", "click Label1; click Command1", kDialog + kDb + kSetup + "end"},
    {"install the main program", "", "click Label1; check Check1 0; click Command1", kDialog + kSetup + "end"},
    {"install the database", "", "click Label1; check Check2 0; click Command1", kDialog + kDb + "end"},
    {"grayed boxes", "", "click Label1; check Check1 2; check Check2 2; click Command1", kDialog + "end"},
    {"failing database installer", "-E:\\dbsetup.exe", "click Label1; click Command1",
     kDialog + "drives; msgbox Quintaral 16: Σφάλμα εκτέλεσης 2:\n\nnot found: E:\\dbsetup.exe; end"},
    {"dialog closed during the pause", "", "click Label1; inbox; click Command1", kDialog + kDb + "unload egatast; end"},
    {"information and back, twice", "installed",
     "move Label3; move Label2; click Label2; move Label1; move Text1; click Label1; click Label2",
     "Label3 red; Label2 red; " + kInfo + "; Label2 shown; hide Form2; show Form1; Label2 black; Label3 black; "
     "hide Form1; show Form2; Label2 hidden; focus Text1"},
    {"Alt+F4 on the menu, information hidden", "", "click Label2; click Label1; altf4",
     kInfo + "; hide Form2; show Form1; unload Form1; end"},
    {"Alt+F4 on the information window", "", "click Label2; altf4", kInfo + "; unload Form2; end"},
    {"Alt+F4 on the dialog", "", "click Label1; altf4", kDialog + "unload egatast; end"},
    {"Tab, arrows and BackTab wrap", "", "key Tab; key Tab; key Tab; key Tab; key BackTab; key Up; key Down",
     "Label1 red; selected Label1; Label1 black; Label2 red; selected Label2; Label2 black; Label3 red; "
     "selected Label3; Label3 black; Label1 red; selected Label1; Label1 black; Label3 red; selected Label3; "
     "Label3 black; Label2 red; selected Label2; Label2 black; Label3 red; selected Label3"},
    {"no selection: keys do nothing", "", "key Esc; key Enter; key Space", "Enter to Form1; Space to Form1"},
    {"the information window from the keys", "",
     "key Down; key Down; key Space; key Tab; key Tab; key Enter; key Down; key Esc; key Enter",
     "Label1 red; selected Label1; Label1 black; Label2 red; selected Label2; " + kInfo + "; Label2 shown; "
     "selected Label1; Label2 hidden; focus Text1 at start; Enter to Text1; Down to Text1; hide Form2; show Form1; "
     "Label2 black; Label2 red; selected Label2; hide Form1; show Form2; focus Text1"},
    {"the dialog from the keys", "", "key Tab; key Enter; key Space; key Esc; key Down; key Tab; key Space; key Enter",
     "Label1 red; selected Label1; " + kDialog + "Space to Check1; focus Check2; focus Command1; Space to Command1; " + kDb + kSetup +
         "end"},
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

TEST(Module1, FindCdDriveAnswersTheDiscsDriveInUpperCase) {
    // The roots' letters, or "=" and the list as the system wrote it, or nullptr when it fails.
    struct Case { const char* list; const char* cdLetters; const char* program; const wchar_t* expected; };
    const Case cases[] = {
        {"A C D E", "DE", "C:\\Menu\\menu.exe", L"D:\\"},
        {"c d", "D", "C:\\Menu\\menu.exe", L"D:\\"},
        {"A C D", "", "C:\\Menu\\menu.exe", L""},
        {"", "E", "C:\\Menu\\menu.exe", L""},
        {nullptr, "E", "C:\\Menu\\menu.exe", L""},
        {"C D E F", "DEF", "f:\\menu.exe", L"F:\\"},  // started from a CD-ROM drive: that one holds the disc
        {"C D E F", "DEF", "E:\\Menu\\menu.exe", L"E:\\"},
        {"C D E F", "DEF", "\\\\server\\share\\menu.exe", L"D:\\"},
        {"A B C D E F G H I J K L M N O P Q R S T U V W X Y Z", "Z", "", L"Z:\\"},  // longer than 64 characters
        {"=C:\\", "C", "", L""},  // no separator: the walk cannot go on
    };
    for (const Case& row : cases) {
        FakeSystem system;
        ScopedSystemCalls scope(system);
        system.driveListFails = !row.list;
        system.driveList = !row.list ? "" : *row.list == '=' ? row.list + 1 : FakeSystem::Roots(row.list);
        system.cdLetters = row.cdLetters;
        system.programPath = row.program;
        EXPECT_EQ(FindCdDrive(), row.expected) << (row.list ? row.list : "failing list") << " from " << row.program;
        EXPECT_TRUE(system.firstLength == 64 || system.firstLength == 0) << "asked first with 64 characters";
    }
}

TEST(Module1, EveryStoredValueReadsAsTheTableSaysAndOnlyTheExactNameMeansInstalled) {
    for (const install_value_cases::Case& row : install_value_cases::AllCases()) {
        Machine machine("", row);
        EXPECT_TRUE(ReadInstallValue(L"Quintaral", L"DisplayName") == row.expected) << row.name;
        EXPECT_EQ(machine.system.keysOpen, 0) << row.name << ": every key opened is closed again";
        const std::wstring caption = machine.forms.Find<Form1>()->Label1.Caption();
        EXPECT_EQ(caption, row.installed ? L"Εκτέλεση Εφαρμογής" : L"Εγκατάσταση Εφαρμογής") << row.name;
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
    const char* events[] = {"altf4", "click", "check", "key", "move", "move"};
    const char* keys[] = {"Tab", "BackTab", "Up", "Down", "Enter", "Space", "Esc"};
    const char* machines[] = {"", "installed", "-E:\\quin\\", "installed -E:\\quin\\quin.exe", "-E:\\Setup.exe"};
    for (int sequence = 0; sequence < 1000; ++sequence) {
        const char* setUp = machines[pick(std::size(machines))];
        Machine machine(setUp);
        platform::RecordingPlatform& platform = machine.platform;
        const std::wstring caption = machine.forms.Find<Form1>()->Label1.Caption();
        for (int step = 0; step < 40 && !platform.Ended(); ++step) {
            ASSERT_NE(platform.Up(), nullptr) << "a program with no window has ended";
            const auto& controls = platform.Up()->Layout().controls;
            const std::string event = events[pick(std::size(events))];
            platform.Raise(event + " " + (event == "key" ? keys[pick(7)] : std::string(controls[pick(controls.size())].name)) +
                           " " + std::to_string(pick(3)));
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
            const std::set<std::string> allowed = std::string(setUp).starts_with("installed")
                                                      ? std::set<std::string>{"", "E:\\quin\\quin.exe 1 in E:\\quin\\; "}
                                                      : std::set<std::string>{"", db, setup, db + setup};
            ASSERT_TRUE(allowed.contains(started)) << started;
            ASSERT_TRUE(started.empty() || platform.Ended()) << "a start ends the program";
        }
        if (!platform.Ended()) continue;
        // Messages that arrive late reach windows that are still loaded, and must do nothing.
        const std::string atEnd = platform.log;
        for (platform::Form* form : platform.Loaded()) {
            for (int i = 0; i < static_cast<int>(form->Layout().controls.size()); ++i) {
                platform.MouseMoved(*form->ControlAt(i));
                platform.Clicked(*form->ControlAt(i));
                platform.KeyPressed(*form, form->ControlAt(i), platform::Key::Enter);
            }
            platform.CloseFromKeyboard(*form);
        }
        ASSERT_EQ(platform.log, atEnd) << "nothing runs after the end";
    }
}

}  // namespace
