// The window procedure of the program's windows: the events of the window system, turned
// into the platform's events for the form and its controls.
#include <windowsx.h>

#include "Accessible.h"
#include "NativeForm.h"
#include "Win32Platform.h"

namespace platform::win32 {

namespace {

// The control whose own window is `window`, or nullptr.
Control* ControlWithWindow(const NativeForm& native, HWND window) {
    for (size_t i = 0; window && i < native.controls.size(); ++i) {
        if (native.controls[i].window == window) return ControlOf(native, i);
    }
    return nullptr;
}

LRESULT HandleMessage(NativeForm& native, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Platform& platform = *native.platform;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintContent(native, dc, paint.rcPaint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (Control* control = HitTest(native, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
            platform.MouseMoved(*control);
        }
        return 0;
    case WM_LBUTTONDOWN:
        native.pressed = HitTest(native, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        SetCapture(window);
        return 0;
    case WM_LBUTTONUP: {
        Control* pressed = std::exchange(native.pressed, nullptr);
        if (GetCapture() == window) ReleaseCapture();
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client{0, 0, native.client.cx, native.client.cy};
        // The handler may destroy this window: nothing of the form is touched after it.
        if (pressed && PtInRect(&client, point) && HitTest(native, point) == pressed) platform.Clicked(*pressed);
        return 0;
    }
    case WM_CTLCOLOREDIT:
        for (const NativeControl& control : native.controls) {
            if (control.window == reinterpret_cast<HWND>(lParam) && control.background) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetBkColor(dc, Resolve(control.layout->back, COLOR_WINDOW));
                SetTextColor(dc, Resolve(control.fore, COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(control.background);
            }
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            platform.Deactivated(*native.form, ControlWithWindow(native, GetFocus()));
            break;
        }
        // Activated gives the keyboard focus itself, where it was before.
        platform.Activated(*native.form);
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT answer = AnswerGetObject(native, wParam, lParam)) return answer;
        break;
    case kClickLater:
        if (Control* control = ControlOf(native, wParam)) platform.Clicked(*control);
        return 0;
    case WM_CAPTURECHANGED:
        // A press that lost the pointer to another window is no click any more.
        native.pressed = nullptr;
        return 0;
    case WM_CLOSE:
        platform.CloseFromKeyboard(*native.form);
        return 0;
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kFirstControlId;
        if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(native.controls.size()) &&
            native.controls[index].layout->kind == ControlKind::Button) {
            if (Control* control = ControlOf(native, static_cast<size_t>(index))) platform.Clicked(*control);
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* native = static_cast<NativeForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        native->frame = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native));
    }
    auto* native = reinterpret_cast<NativeForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        if (native) ReleaseAccessible(*native);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (native) native->frame = nullptr;
        native = nullptr;
    }
    if (!native) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return HandleMessage(*native, window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}


}  // namespace

LRESULT CALLBACK TextBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto base = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    auto* native = reinterpret_cast<NativeForm*>(GetWindowLongPtrW(GetParent(window), GWLP_USERDATA));
    if (message == WM_GETOBJECT && native) {
        for (size_t i = 0; i < native->controls.size(); ++i) {
            if (native->controls[i].window != window) continue;
            if (const LRESULT answer = AnswerGetObject(*native, i, wParam, lParam)) return answer;
        }
    }
    return CallWindowProcW(base, window, message, wParam, lParam);
}

bool PressKey(NativeForm& native, const MSG& message) {
    if (message.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    Key key;
    switch (message.wParam) {
    case VK_TAB: key = shift ? Key::BackTab : Key::Tab; break;
    case VK_UP: key = Key::Up; break;
    case VK_DOWN: key = Key::Down; break;
    case VK_RETURN: key = Key::Enter; break;
    case VK_SPACE: key = Key::Space; break;
    case VK_ESCAPE: key = Key::Escape; break;
    default: return false;
    }
    HWND frame = native.frame;
    Control* focused = ControlWithWindow(native, message.hwnd);
    // The handler may destroy this window: nothing of the form is touched after it.
    if (!native.platform->KeyPressed(*native.form, focused, key)) return false;
    // Focus cues show once the user has moved through the window with the keys.
    if (key != Key::Enter && key != Key::Space && key != Key::Escape && IsWindow(frame)) {
        SendMessageW(frame, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    return true;
}

void RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FormProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);
}


}  // namespace platform::win32
