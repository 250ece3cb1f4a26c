#pragma once
// One menu at a time: a second start brings the running menu forward instead of showing its own.

#include "Handles.h"

namespace platform::win32 {

// True when this start is the menu, `mark` then holding the object that says so; false when another menu runs
// and its window has been brought to the front instead.
bool FirstStart(OwnedHandle& mark);

}  // namespace platform::win32
