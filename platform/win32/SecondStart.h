#pragma once
// One menu at a time: a second start brings the running menu forward instead of showing its own.

#include <windows.h>

#include "Handles.h"

namespace platform::win32 {

// True when this start is the menu, `mark` then holding the object that says so; false when another menu runs
// and its window has been brought to the front instead, or it ran and has not shown a window in time.
bool FirstStart(OwnedHandle& mark);
// Posted by a second start to the running menu's window when Windows refused it the foreground: the window brings
// itself forward (BringForward).
UINT ComeForwardMessage();
// Brings the form's window `form`, or the message box it waits on, to the front; false where Windows refused it.
bool BringForward(HWND form);
// The visible window of a menu running in this session (not the others, hidden, as the menu behind the information
// window); nullptr for none.
HWND RunningMenuWindow();

}  // namespace platform::win32
