#include "Form2.h"

#include "assets/Layouts.h"
#include "menu/Form1.h"

Form2::Form2(platform::Forms& forms) : Form(forms, kForm2Layout) {
    Label1.MouseMove = [this] { Label1_MouseMove(); };
    Picture1.MouseMove = [this] { Picture1_MouseMove(); };
    Label1.Click = [this] { Label1_Click(); };
}

void Form2::Form_Activate() { Label2.SetVisible(false); }
void Form2::Label1_MouseMove() { Label2.SetVisible(true); }
void Form2::Picture1_MouseMove() { Label2.SetVisible(false); }

void Form2::Label1_Click() {
    Hide();
    forms.Get<Form1>().Show();
}
