// The windows and the queries against the recording platform and a scripted system: journeys,
// each a machine, what the user does and everything the user or the system sees happen, in order;
// the queries' cases; and thousands of random journeys with the invariants checked at every step.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "FakeSystem.h"
#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/double/RecordingPlatform.h"
#include "system/Module1.h"

namespace {

// The program started on a machine whose drive E: is a CD-ROM drive holding the disc.
struct Machine {
    FakeSystem system;
    ScopedSystemCalls scope{system};
    platform::RecordingPlatform platform;
    platform::Forms forms{platform};

    // "installed", "nocd" (no CD-ROM drive), "-path" missing from the disc.
    explicit Machine(const std::string& words, const install_value_cases::Case& value = install_value_cases::AllCases()[0]) {
        system.log = &platform.log;
        system.value = words.starts_with("installed") ? install_value_cases::AllCases()[4] : value;
        if (words.find("nocd") != std::string::npos) system.cdLetters.clear();
        std::istringstream machine(words);
        for (std::string word; machine >> word;) {
            if (word[0] == '-') platform.missing.insert(std::wstring(word.begin() + 1, word.end()));
        }
        platform.Dispatch([&] { StartMenu(forms); });
    }
};

// What the user does, as RecordingPlatform::Raise takes it, and what is logged after the start
// (or from the start, when that is where it begins).
struct Journey { const char* name; const char* machine; const char* events; std::string expected; };

const std::string kBlack = "Label1 black; Label2 black; Label3 black";
const std::string kDialog = "load egatast; show egatast; focus Check1; unload Form1; ";
const std::string kDb = "drives; shell E:\\dbsetup.exe 1 in C:\\; msgbox Setup 0: Πατήστε ΟΚ για συνέχεια; ";
const std::string kSetup = "drives; shell E:\\Setup.exe 1 in C:\\; ";
const std::string kInfo = "hide Form1; load Form2; show Form2; focus Text1";

const Journey kJourneys[] = {
    {"start and hover", "", "move Label1; move Label2; move Label4; move Label3; move Picture1",
     "load Form1; show Form1; " + kBlack + "; Label1 red; Label2 red; Label3 red; " + kBlack},
    {"run the application", "installed", "click Label1",
     "drives; chdir E:\\quin\\; drives; shell E:\\quin\\quin.exe 1 in E:\\quin\\; end"},
    {"application folder missing", "installed -E:\\quin\\", "click Label1",
     "drives; msgbox Quintaral 16: Σφάλμα εκτέλεσης 3:\n\nnot found: E:\\quin\\; end"},
    {"no CD-ROM drive: paths from the menu's folder", "installed nocd", "click Label1",
     "drives; chdir quin\\; drives; shell quin\\quin.exe 1 in quin\\; end"},
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
    {"a failure reported with its number", "", "fail 0", "msgbox Quintaral 16: Σφάλμα εκτέλεσης 0:\n\nfailed; end"},
    {"the largest number", "", "fail 4294967295", "msgbox Quintaral 16: Σφάλμα εκτέλεσης 4294967295:\n\nfailed; end"},
    {"an internal error", "", "fail -", "msgbox Quintaral 16: Σφάλμα εκτέλεσης 1359:\n\nInternal error.; end"},
};

TEST(Menu, EveryJourneyShowsWhatItsRowSays) {
    for (const Journey& row : kJourneys) {
        Machine machine(row.machine);
        if (!row.expected.starts_with("load Form1")) machine.platform.log.clear();
        machine.platform.Raise(row.events);
        EXPECT_EQ(machine.platform.log, row.expected) << row.name;
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

TEST(Menu, RandomEventsKeepEveryInvariant) {
    std::mt19937 random(20261206);
    auto pick = [&](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
    const char* events[] = {"altf4", "click", "check", "key", "move", "move"};
    const char* keys[] = {"Tab", "BackTab", "Up", "Down", "Enter", "Space", "Esc"};
    const char* machines[] = {"", "installed", "-E:\\quin\\", "installed -E:\\quin\\quin.exe", "-E:\\Setup.exe"};
    for (int sequence = 0; sequence < 1000; ++sequence) {
        const std::string setUp = machines[pick(std::size(machines))];
        Machine machine(setUp);
        platform::RecordingPlatform& platform = machine.platform;
        std::string atEnd;  // the log when the program ended: messages that arrive later must do nothing
        for (int step = 0; step < 40 && platform.Up(); ++step) {
            if (platform.Ended() && atEnd.empty()) atEnd = platform.log;
            const auto& controls = platform.Up()->Layout().controls;
            const std::string event = events[pick(std::size(events))];
            const std::string target = event == "key" ? keys[pick(7)] : std::string(controls[pick(controls.size())].name);
            platform.Raise(event + " " + target + " " + std::to_string(pick(3)));
            SCOPED_TRACE(setUp + ": " + platform.log);
            ASSERT_TRUE(platform.Up() || platform.Ended()) << "a program with no window has ended";
            ASSERT_EQ(platform.log.find("touched unloaded"), std::string::npos);
            ASSERT_TRUE(platform.log.find("shell ") == std::string::npos || platform.Ended()) << "a start ends the program";
            ASSERT_TRUE(atEnd.empty() || platform.log == atEnd) << "nothing runs after the end";
        }
    }
}

}  // namespace
