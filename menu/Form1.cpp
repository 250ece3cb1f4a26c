#include "Form1.h"

#include "assets/Layouts.h"
#include "system/Module1.h"
#include "windows/Form2.h"
#include "windows/egatast.h"

namespace {
constexpr std::wstring_view kProductName = L"Quintaral";
}

Form1::Form1(platform::Forms& forms) : Form(forms, kForm1Layout) {
    Label1.MouseMove = [this] { Label1_MouseMove(); };
    Label2.MouseMove = [this] { Label2_MouseMove(); };
    Label3.MouseMove = [this] { Label3_MouseMove(); };
    Picture1.MouseMove = [this] { Picture1_MouseMove(); };
    Label1.Click = [this] { Label1_Click(); };
    Label2.Click = [this] { Label2_Click(); };
    Label3.Click = [this] { Label3_Click(); };
}

void Form1::Form_Load() {
    installValue_ = ReadInstallValue(L"Quintaral", L"DisplayName");
    if (installValue_ == kProductName) {
        Label1.SetCaption(L"Εκτέλεση Εφαρμογής");
        installed_ = 1;
    } else {
        installed_ = 0;
    }
}

void Form1::Form_Activate() { PaintEntries(platform::kBlack); }

void Form1::Label1_MouseMove() { Label1.SetForeColor(platform::kRed); }
void Form1::Label2_MouseMove() { Label2.SetForeColor(platform::kRed); }
void Form1::Label3_MouseMove() { Label3.SetForeColor(platform::kRed); }
void Form1::Picture1_MouseMove() { PaintEntries(platform::kBlack); }

void Form1::Label1_Click() {
    if (installed_ == 0) {
        forms.Get<egatast>().Show();
        Unload();
        return;
    }
    platform.ChDir(FindCdDrive() + L"quin\\");
    platform.Shell(FindCdDrive() + L"quin\\quin.exe", platform::kNormalFocus);
    platform.End();
}

void Form1::Label2_Click() {
    Hide();
    forms.Get<Form2>().Show();
}

void Form1::Label3_Click() { platform.End(); }

void Form1::PaintEntries(platform::Colour colour) {
    Label1.SetForeColor(colour);
    Label2.SetForeColor(colour);
    Label3.SetForeColor(colour);
}
