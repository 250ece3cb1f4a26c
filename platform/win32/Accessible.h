#pragma once
// What screen readers are told of a form through Active Accessibility: the form's client area
// with its labels as simple elements and its child windows as the system's own objects, in
// the Tab order. The accessibility library is loaded when a client first asks, not at start.

#include <windows.h>

#include "platform/Platform.h"

namespace platform::win32 {

struct NativeForm;

// The answer to WM_GETOBJECT for the form's client area; 0 for other objects, or where the
// system has no accessibility library.
LRESULT AnswerGetObject(NativeForm& native, WPARAM wParam, LPARAM lParam);
// The same for a text box, which is the system's own object under the name its layout gives.
LRESULT AnswerGetObject(NativeForm& native, size_t index, WPARAM wParam, LPARAM lParam);
// The child identifier of a control of the form, for the events that name it.
LONG ChildIdOf(const NativeForm& native, const Control& control);
// The form's window is going: its objects answer nothing from now on.
void ReleaseAccessible(NativeForm& native) noexcept;

}  // namespace platform::win32
