// Journeys and the queries' cases, on the recording platform and a scripted system.
#include <gtest/gtest.h>

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

    // "installed", "nocd" (no CD-ROM drive), and last "-path" missing from the disc.
    explicit Machine(const std::string& words, const install_value_cases::Case& value = {}) {
        system.log = &platform.log;
        system.value = words.starts_with("installed") ? install_value_cases::kAllCases[4] : value;
        if (words.find("nocd") != std::string::npos) system.cdLetters.clear();
        if (words.find('-') < words.size()) platform.missing.assign(words.begin() + words.find('-') + 1, words.end());
        platform.Dispatch([&] { StartMenu(forms); });
    }
};

// What the user does, as Raise takes it, and what is logged after the start (or from it, if it begins so).
struct Journey { const char* name; const char* machine; const wchar_t* events; std::wstring expected; };

const std::wstring kBlack = L"Label1 black; Label2 black; Label3 black";
const std::wstring kDialog = L"load egatast; show egatast; focus Check1; unload Form1; ";
const std::wstring kDb = L"drives; shell E:\\dbsetup.exe 1; msgbox Setup 0: Πατήστε ΟΚ για συνέχεια; ";
const std::wstring kSetup = L"drives; shell E:\\Setup.exe 1; ";
const std::wstring kInfo = L"hide Form1; load Form2; show Form2; focus Text1";

const Journey kJourneys[] = {
    {"start, hover and exit", "", L"move Label1; move Label2; move Label4; move Label3; move Picture1; click Label3",
     L"load Form1; registry; show Form1; " + kBlack + L"; Label1 red; Label2 red; Label3 red; " + kBlack + L"; end"},
    {"run the application, nothing after the end", "installed", L"click Label1; click Label1",
     L"drives; chdir E:\\quin\\; drives; shell E:\\quin\\quin.exe 1; end"},
    {"application folder missing", "installed -E:\\quin\\", L"click Label1",
     L"drives; msgbox Quintaral 16: Σφάλμα εκτέλεσης 3:\n\nnot found: E:\\quin\\; end"},
    {"no CD-ROM drive: paths from the menu's folder", "installed nocd", L"click Label1",
     L"drives; chdir quin\\; drives; shell quin\\quin.exe 1; end"},
    {"install the main program", "", L"click Label1; check Check1 0; click Command1", kDialog + kSetup + L"end"},
    {"install the database", "", L"click Label1; check Check2 0; click Command1", kDialog + kDb + L"end"},
    {"grayed boxes", "", L"click Label1; check Check1 2; check Check2 2; click Command1", kDialog + L"end"},
    {"failing database installer", "-E:\\dbsetup.exe", L"click Label1; click Command1",
     kDialog + L"drives; msgbox Quintaral 16: Σφάλμα εκτέλεσης 2:\n\nnot found: E:\\dbsetup.exe; end"},
    {"dialog closed during the pause", "", L"click Label1; inbox altf4; click Command1", kDialog + kDb + L"unload egatast; end"},
    {"install both, the button clicked during the pause", "", L"click Label1; inbox click Command1; click Command1",
     kDialog + kDb + kSetup + L"end"},
    {"information and back, twice, then Alt+F4 on it", "installed",
     L"move Label3; move Label2; click Label2; move Label1; move Text1; click Label1; click Label2; altf4",
     L"Label3 red; Label2 red; " + kInfo + L"; Label2 shown; hide Form2; show Form1; Label2 black; Label3 black; "
     L"hide Form1; show Form2; Label2 hidden; focus Text1; unload Form2; end"},
    {"Alt+F4 on the menu, information hidden", "", L"click Label2; click Label1; altf4",
     kInfo + L"; hide Form2; show Form1; unload Form1; end"},
    {"Alt+F4 on the dialog", "", L"click Label1; altf4", kDialog + L"unload egatast; end"},
    {"Tab, arrows and BackTab wrap", "", L"key Tab; key Tab; key Tab; key Tab; key BackTab; key Up; key Down",
     L"Label1 red; selected Label1; Label1 black; Label2 red; selected Label2; Label2 black; Label3 red; "
     L"selected Label3; Label3 black; Label1 red; selected Label1; Label1 black; Label3 red; selected Label3; "
     L"Label3 black; Label2 red; selected Label2; Label2 black; Label3 red; selected Label3"},
    {"no selection: keys do nothing", "", L"key Esc; key Enter; key Space", L"Enter to Form1; Space to Form1"},
    {"the information window from the keys", "",
     L"key Down; key Down; key Space; key Tab; key Tab; key Enter; key Down; key Esc; key Enter",
     L"Label1 red; selected Label1; Label1 black; Label2 red; selected Label2; " + kInfo + L"; Label2 shown; "
     L"selected Label1; Label2 hidden; focus Text1 at start; Enter to Text1; Down to Text1; hide Form2; show Form1; "
     L"Label2 black; Label2 red; selected Label2; hide Form1; show Form2; focus Text1"},
    {"the dialog from the keys", "", L"key Tab; key Enter; key Space; key Esc; key Down; key Tab; key Space; key Enter",
     L"Label1 red; selected Label1; " + kDialog +
         L"Space to Check1; focus Check2; focus Command1; Space to Command1; " + kDb + kSetup + L"end"},
    {"a failure reported with its number", "", L"fail 0", L"msgbox Quintaral 16: Σφάλμα εκτέλεσης 0:\n\nfailed; end"},
    {"the largest number", "", L"fail 4294967295", L"msgbox Quintaral 16: Σφάλμα εκτέλεσης 4294967295:\n\nfailed; end"},
    {"an internal error", "", L"fail -L", L"msgbox Quintaral 16: Σφάλμα εκτέλεσης 1359:\n\nInternal error.; end"},
};

TEST(Menu, EveryJourneyShowsWhatItsRowSays) {
    for (const Journey& row : kJourneys) {
        Machine machine(row.machine);
        if (!row.expected.starts_with(L"load Form1")) machine.platform.log.clear();
        machine.platform.Raise(row.events);
        EXPECT_EQ(machine.platform.log, row.expected) << row.name;
    }
}

TEST(Module1, FindCdDriveAndEveryStoredValueAnswerAsTheirTablesSay) {
    // The roots' letters, or "=" and the list as the system wrote it, or nullptr when it fails; where the menu
    // runs from, and the one of its programs that lies beside it.
    struct Case { const char *list, *cdLetters; const wchar_t *program, *beside, *expected; };
    std::wstring deep = L"\\Αντίγραφο του δίσκου Quintaral";  // a copy's folder deeper than MAX_PATH, read whole
    while (deep.size() < 300) deep += deep;
    const std::wstring deepProgram = L"g:" + deep + L"\\menu.exe", deepFolder = L"G:" + deep + L"\\";
    const Case cases[] = {
        {"A C D E", "DE", L"C:\\Menu\\menu.exe", nullptr, L"D:\\"},
        {"c d", "D", L"C:\\Menu\\menu.exe", nullptr, L"D:\\"},
        {"A C D", "", L"C:\\Menu\\menu.exe", nullptr, L""},
        {nullptr, "E", L"C:\\Menu\\menu.exe", nullptr, L""},
        {"C D E F", "DEF", L"f:\\menu.exe", nullptr, L"F:\\"},  // started from a CD-ROM drive: that one holds the disc
        {"C D E F", "DEF", L"\\\\server\\share\\menu.exe", nullptr, L"D:\\"},
        // A copy of the disc beside CD-ROM drives: a USB stick, a folder on a hard disk, a share.
        {"C D F", "D", L"F:\\menu.exe", L"Setup.exe", L"F:\\"},
        {"C D", "D", L"c:\\Copies\\Disc\\menu.exe", L"quin\\quin.exe", L"C:\\Copies\\Disc\\"},
        {"C D", "D", L"\\\\server\\share\\Disc\\menu.exe", L"dbsetup.exe", L"\\\\server\\share\\Disc\\"},
        {"C D G", "D", deepProgram.c_str(), L"quin\\quin.exe", deepFolder.c_str()},
        {"A B C D E F G H I J K L M N O P Q R S T U V W X Y Z", "Z", L"", nullptr, L"Z:\\"},  // over 64 characters
        {"=C:\\", "C", L"", nullptr, L""},  // no separator: the walk cannot go on
    };
    for (const Case& row : cases) {
        FakeSystem system;
        ScopedSystemCalls scope(system);
        system.driveListFails = !row.list;
        system.driveList = !row.list ? "" : *row.list == '=' ? row.list + 1 : FakeSystem::Roots(row.list);
        system.cdLetters = row.cdLetters;
        system.programPath = row.program;
        if (row.beside) system.files = {system.programPath.substr(0, system.programPath.rfind(L'\\') + 1) + row.beside};
        EXPECT_EQ(FindCdDrive(), row.expected) << (row.list ? row.list : "failing list") << " from " << row.program;
        EXPECT_TRUE(system.firstLength == 64 || system.firstLength == 0) << "asked first with 64 characters";
    }
    for (const install_value_cases::Case& row : install_value_cases::kAllCases) {
        Machine machine("", row);
        EXPECT_TRUE(ReadInstallValue(L"Quintaral", L"DisplayName") == row.expected) << row.name;
        EXPECT_EQ(machine.system.keysOpen, 0) << row.name << ": every key opened is closed again";
        const std::wstring caption = machine.forms.Find<Form1>()->Label1.Caption();
        EXPECT_EQ(caption, row.installed ? L"Εκτέλεση Εφαρμογής" : L"Εγκατάσταση Εφαρμογής") << row.name;
    }
}

}  // namespace
