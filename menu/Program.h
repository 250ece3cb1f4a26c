#pragma once

#include "platform/Platform.h"

// What the program does when it starts: the menu is loaded and shown.
void StartMenu(platform::Forms& forms);
