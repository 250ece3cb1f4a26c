#include "Program.h"

#include "Form1.h"

void StartMenu(platform::Forms& forms) { forms.Get<Form1>().Show(); }
