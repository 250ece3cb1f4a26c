#pragma once
// The two questions the windows ask of the system. Both ask afresh on every call and keep
// no state.

#include <string>

// Where the disc's programs are, ending in a backslash: the folder the menu runs from when they
// lie beside it (a copy of the disc: "F:\", "C:\Copies\Quintaral\"), else the root of the
// CD-ROM drive it was started from, else of the first CD-ROM drive, in upper case ("E:\"); ""
// when there is none.
std::wstring FindCdDrive();

// The text of `valueName` under HKEY_LOCAL_MACHINE\SOFTWARE\Quintaral\Quintaral\<keyName>,
// or "" when the key or the value cannot be read. Never fails.
std::wstring ReadInstallValue(std::wstring keyName, std::wstring valueName);
