#include "egatast.h"

#include "assets/Layouts.h"
#include "system/Module1.h"

namespace {
constexpr int kTicked = 1;  // a grayed box (2) does not count
}

egatast::egatast(platform::Forms& forms) : Form(forms, kEgatastLayout) {
    Command1.Click = [this] { Command1_Click(); };
}

void egatast::Command1_Click() {
    // The database goes first, and the pause lets its installer finish before the main one.
    if (Check1.Value() == kTicked) {
        platform.Shell(FindCdDrive() + L"dbsetup.exe", platform::kNormalFocus);
        platform.MsgBox(L"Πατήστε ΟΚ για συνέχεια", platform::kOkOnly, L"Setup");
    }
    if (Check2.Value() == kTicked) {
        platform.Shell(FindCdDrive() + L"Setup.exe", platform::kNormalFocus);
    }
    platform.End();
}
