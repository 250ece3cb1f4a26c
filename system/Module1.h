#pragma once
// The two questions the windows ask of the system. Both ask afresh on every call and keep
// no state.

#include <string>

// The root of the disc's CD-ROM drive in upper case ("E:\"): the drive the menu was started
// from when that is a CD-ROM drive, else the first CD-ROM drive; "" when there is none.
std::wstring FindCdDrive();

// The text of `valueName` under HKEY_LOCAL_MACHINE\SOFTWARE\Quintaral\Quintaral\<keyName>,
// or "" when the key or the value cannot be read. Never fails.
std::wstring ReadInstallValue(std::wstring keyName, std::wstring valueName);
