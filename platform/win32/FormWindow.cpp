// The window procedure of the program's windows: the events of the window system, turned
// into the platform's events for the form and its controls.
#include "FormWindow.h"

#include <windowsx.h>

#include <cwchar>
#include <iterator>

#include "Accessible.h"
#include "SecondStart.h"

namespace platform::win32 {

namespace {

// Posted to a form to click the control of layout row wParam once the current call is over.
constexpr UINT kClickLater = WM_APP + 1;

POINT PointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// The form's object lies in the window's extra bytes, which only its class knows of.
constexpr int kObjectSlot = 0;

}  // namespace

void FormWindow::RegisterClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.cbWndExtra = sizeof(FormWindow*);
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);
}

// Known by its class, not by its procedure: tools that subclass other programs' windows (skinning tools,
// title-bar add-ons, magnifiers) put theirs in front of it, and it then gets every message through theirs.
FormWindow* FormWindow::FromHandle(HWND window) {
    wchar_t name[std::size(kFormClass) + 1] = L"";
    DWORD process = 0;
    if (!window || !GetClassNameW(window, name, static_cast<int>(std::size(name))) || wcscmp(name, kFormClass) ||
        !GetWindowThreadProcessId(window, &process) || process != GetCurrentProcessId()) {
        return nullptr;
    }
    return reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, kObjectSlot));
}

FormWindow::~FormWindow() {
    quiet_ = true;
    if (frame_) DestroyWindow(frame_);
}

void FormWindow::Destroy() {
    if (frame_) DestroyWindow(frame_);
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->frame_ = window;
        SetWindowLongPtrW(window, kObjectSlot, reinterpret_cast<LONG_PTR>(self));
    }
    FormWindow* self = FromHandle(window);
    if (self && message == WM_NCDESTROY) {
        self->OnDestroyed();
        self = nullptr;
    }
    if (!self || self->quiet_) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

// The last message of the window: whatever screen readers still hold of it answers that it is gone.
void FormWindow::OnDestroyed() noexcept {
    Disconnect(accessible_);
    for (NativeControl& control : controls_) Disconnect(control.accessible);
    SetWindowLongPtrW(frame_, kObjectSlot, 0);
    frame_ = nullptr;
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A second start that Windows refused the foreground handed it to this menu. Registered messages lie from
    // 0xC000: the others never ask for it, also where it could not be registered.
    if (message >= 0xC000 && message == ComeForwardMessage()) {
        if (IsWindowVisible(frame_)) BringForward(frame_);
        return 0;
    }
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_MOUSEMOVE:
        if (Control* control = HitTest(PointOf(lParam))) platform_.MouseMoved(*control);
        return 0;
    case WM_LBUTTONDOWN:
        pressed_ = HitTest(PointOf(lParam));
        SetCapture(frame_);
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(PointOf(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        // A press that lost the pointer to another window is no click any more.
        pressed_ = nullptr;
        return 0;
    case WM_CTLCOLOREDIT:
        if (const LRESULT brush = OnColourEdit(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
            return brush;
        }
        break;
    case WM_ACTIVATE:
        if (OnActivate(LOWORD(wParam) != WA_INACTIVE)) return 0;
        break;
    case WM_GETOBJECT:
        if (const LRESULT answer = AnswerGetObject(*this, accessible_, frame_, nullptr, wParam, lParam)) return answer;
        break;
    case kClickLater:
        // The window may have been hidden since the click was asked for.
        if (wParam < controls_.size() && Actionable(controls_[wParam])) platform_.Clicked(*ControlOf(wParam));
        return 0;
    case WM_CLOSE:
        platform_.CloseRequested(form_);
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        OnSchemeChanged(message == WM_SYSCOLORCHANGE);
        break;
    case WM_UPDATEUISTATE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focus rectangle shows while the window has the keyboard and its cues are shown.
        InvalidateSelection();
        break;
    case WM_COMMAND:
        if (OnCommand(wParam)) return 0;
        break;
    default:
        break;
    }
    return DefWindowProcW(frame_, message, wParam, lParam);
}

void FormWindow::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(frame_, &paint);
    PaintContent(dc, paint.rcPaint);
    EndPaint(frame_, &paint);
}

void FormWindow::OnButtonUp(POINT point) {
    Control* pressed = std::exchange(pressed_, nullptr);
    if (GetCapture() == frame_) ReleaseCapture();
    // The handler may destroy this window: nothing of the form is touched after it.
    if (pressed && InClient(point) && HitTest(point) == pressed) platform_.Clicked(*pressed);
}

// 0 where the system colours the text box itself, as it colours every text box in high contrast.
LRESULT FormWindow::OnColourEdit(HDC dc, HWND edit) {
    for (const NativeControl& control : controls_) {
        if (control.window == edit && control.background && !highContrast_) {
            SetBkColor(dc, static_cast<COLORREF>(control.layout->back));
            SetTextColor(dc, TextColour(control.fore, true, COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(control.background);
        }
    }
    return 0;
}

// A setting matters only where it turned high contrast on or off: the other broadcasts (the environment, the
// locale, policies, the colour set that Windows 10 and 11 send in bursts) redraw nothing. A change of scheme sends
// the system's colours first and then the setting, and is drawn once.
void FormWindow::OnSchemeChanged(bool colours) {
    const bool highContrast = HighContrastOn();
    if (!colours && highContrast == highContrast_) return;
    highContrast_ = highContrast;
    RedrawWindow(frame_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

// True when the message is answered: Activated gives the keyboard focus itself, where it was before.
bool FormWindow::OnActivate(bool active) {
    if (!active) {
        platform_.Deactivated(form_, ControlWithWindow(GetFocus()));
        return false;
    }
    platform_.Activated(form_);
    return true;
}

bool FormWindow::OnCommand(WPARAM wParam) {
    const size_t index = static_cast<size_t>(LOWORD(wParam) - kFirstControlId);
    if (HIWORD(wParam) != BN_CLICKED || index >= controls_.size() ||
        controls_[index].layout->kind != ControlKind::Button) {
        return false;
    }
    if (Control* control = ControlOf(index)) platform_.Clicked(*control);
    return true;
}

// Text boxes with a name for screen readers; the system's own procedure is kept in the
// window's user data.
LRESULT CALLBACK FormWindow::TextBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto base = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_USERDATA));
    FormWindow* form = message == WM_GETOBJECT ? FromHandle(GetParent(window)) : nullptr;
    for (size_t i = 0; form && i < form->controls_.size(); ++i) {
        NativeControl& control = form->controls_[i];
        if (control.window != window) continue;
        if (const LRESULT answer = AnswerGetObject(*form, control.accessible, window, &control, wParam, lParam)) {
            return answer;
        }
    }
    return CallWindowProcW(base, window, message, wParam, lParam);
}

Control* FormWindow::ControlWithWindow(HWND window) const {
    for (size_t i = 0; window && i < controls_.size(); ++i) {
        if (controls_[i].window == window) return ControlOf(i);
    }
    return nullptr;
}

bool FormWindow::PressKey(const MSG& message) {
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
    HWND frame = frame_;
    // The handler may destroy this window: nothing of the form is touched after it.
    if (!platform_.KeyPressed(form_, ControlWithWindow(message.hwnd), key)) return false;
    // Focus cues show once the user has moved through the window with the keys.
    if (key != Key::Enter && key != Key::Space && key != Key::Escape && IsWindow(frame)) {
        SendMessageW(frame, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    }
    return true;
}

void FormWindow::ClickLater(const NativeControl& label) { PostMessageW(frame_, kClickLater, IndexOf(label), 0); }

void FormWindow::Select(const NativeControl& label) { platform_.Select(*ControlOf(IndexOf(label))); }

}  // namespace platform::win32
