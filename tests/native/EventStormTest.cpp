// Thousands of random sequences of user events over the three windows, with the program's
// invariants checked after every event.
#include <random>

#include "MenuTest.h"

namespace {

using Paths = std::vector<std::wstring>;

struct Disc {
    bool installed, quinFolder, quin, dbsetup, setup;
};

// One run of the program on a random machine.
struct ProgramRun {
    FakeSystem system;
    ScopedSystemCalls scope{system};
    platform::RecordingPlatform platform;
    platform::Forms forms{platform};

    explicit ProgramRun(const Disc& disc) {
        system.driveList = FakeSystem::DriveList({"C:\\", "E:\\"});
        system.driveTypes = {{'E', 5}};
        if (disc.installed) system.SetDisplayName(std::string("Quintaral\0", 10));
        if (disc.quinFolder) platform.folders = {L"E:\\quin\\"};
        if (disc.quin) platform.programs.insert(L"E:\\quin\\quin.exe");
        if (disc.dbsetup) platform.programs.insert(L"E:\\dbsetup.exe");
        if (disc.setup) platform.programs.insert(L"E:\\Setup.exe");
        platform.Dispatch([&] { StartMenu(forms); });
    }

    std::vector<platform::Form*> Loaded() {
        std::vector<platform::Form*> loaded;
        if (auto* form = forms.Find<Form1>()) loaded.push_back(form);
        if (auto* form = forms.Find<Form2>()) loaded.push_back(form);
        if (auto* form = forms.Find<egatast>()) loaded.push_back(form);
        return loaded;
    }
    Paths Started() const {
        Paths paths;
        for (const auto& program : platform.started) paths.push_back(program.path);
        return paths;
    }
};

TEST(EventStorm, RandomEventsKeepEveryInvariant) {
    std::mt19937 random(20261206);
    auto pick = [&](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };

    for (int sequence = 0; sequence < 3000; ++sequence) {
        const Disc disc{pick(2) == 1, pick(4) != 0, pick(4) != 0, pick(4) != 0, pick(4) != 0};
        ProgramRun run(disc);
        const std::wstring caption = run.forms.Find<Form1>()->Label1.Caption();
        ASSERT_EQ(caption, disc.installed ? L"Εκτέλεση Εφαρμογής" : L"Εγκατάσταση Εφαρμογής");

        for (int step = 0; step < 40 && !run.platform.Ended(); ++step) {
            SCOPED_TRACE("sequence " + std::to_string(sequence) + ", step " + std::to_string(step));
            const auto loaded = run.Loaded();
            ASSERT_FALSE(loaded.empty()) << "a program with no window has ended";
            const size_t logged = run.platform.log.size();
            platform::Form& form = *loaded[pick(loaded.size())];
            const auto& controls = form.Layout().controls;
            const std::string_view control = controls[pick(controls.size())].name;
            switch (pick(10)) {
            case 0: run.platform.PressAltF4(form); break;
            case 1:
            case 2: run.platform.ClickOn(form, control); break;
            case 3:
                if (control.starts_with("Check")) run.platform.SetCheckValue(form, control, static_cast<int>(pick(3)));
                break;
            default: run.platform.MoveOver(form, control); break;
            }

            for (const char* name : {"Form1", "Form2", "egatast"}) {
                const auto& log = run.platform.log;
                const auto loads = std::count(log.begin(), log.end(), std::string("load ") + name);
                const auto unloads = std::count(log.begin(), log.end(), std::string("unload ") + name);
                ASSERT_LE(loads - unloads, 1) << name << " exists at most once";
            }
            if (Form1* menu = run.forms.Find<Form1>()) {
                ASSERT_EQ(menu->Label1.Caption(), caption);
            }
            const bool shownNow = run.platform.log.size() > logged && run.platform.log.back() == "show Form2";
            if (Form2* info = run.forms.Find<Form2>(); info && shownNow) {
                ASSERT_FALSE(info->Label2.Visible()) << "hidden at each activation";
            }
            // Only the application from its folder, or the installers database first, and
            // the program ends with them.
            const Paths started = run.Started();
            const bool allowed =
                started.empty() ||
                (disc.installed && started == Paths{L"E:\\quin\\quin.exe"} &&
                 run.platform.started[0].folder == L"E:\\quin\\") ||
                (!disc.installed && (started == Paths{L"E:\\dbsetup.exe"} || started == Paths{L"E:\\Setup.exe"} ||
                                     started == Paths{L"E:\\dbsetup.exe", L"E:\\Setup.exe"}));
            ASSERT_TRUE(allowed) << started.size() << " unexpected starts";
            if (!started.empty()) {
                ASSERT_TRUE(run.platform.Ended()) << "a start ends the program";
            }
        }
        if (run.platform.Ended()) {
            const size_t atEnd = run.platform.log.size();
            for (platform::Form* form : run.Loaded()) {
                for (const auto& control : form->Layout().controls) {
                    run.platform.MoveOver(*form, control.name);
                    run.platform.ClickOn(*form, control.name);
                }
                run.platform.PressAltF4(*form);
            }
            ASSERT_EQ(run.platform.log.size(), atEnd) << "nothing runs after the end";
        }
    }
}

}  // namespace
