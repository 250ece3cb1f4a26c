#pragma once
// What screen readers are told of a form through Active Accessibility: the form's client area
// with its labels as simple elements and its child windows as the system's own objects, in
// the Tab order. The accessibility library is loaded when a client first asks, not at start.

#include <windows.h>
#include <oleacc.h>

#include "Com.h"

namespace platform::win32 {

class FormWindow;
struct NativeControl;

// The answer to WM_GETOBJECT for the client area of `window`: the form's own (`textBox`
// nullptr) or one of its text boxes, which is the system's object under the name its layout
// gives. The object is made at the first question and kept in `slot`. 0 for other objects, or
// where the system has no accessibility library.
LRESULT AnswerGetObject(FormWindow& form, ComPtr<IAccessible>& slot, HWND window, const NativeControl* textBox,
                        WPARAM wParam, LPARAM lParam);
// The window of the object in `slot` is going: the object answers CO_E_OBJNOTCONNECTED from
// now on, clients in other processes are cut off from it, and the slot lets it go.
void Disconnect(ComPtr<IAccessible>& slot) noexcept;

}  // namespace platform::win32
