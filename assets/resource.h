#pragma once
// Resource identifiers, shared by the resource script and the window layouts. The program
// icon has the lowest identifier so that the shell shows it for the file.

#define IDI_PROGRAM 1
#define IDB_MENU_PICTURE 101
#define IDB_INFO_PICTURE 102
