// What the platform does with a form's controls, and what screen readers are told of them.
#include <algorithm>

#include "FormWindow.h"

namespace platform::win32 {

std::wstring FormWindow::Caption(size_t index) const {
    const NativeControl& control = controls_[index];
    if (!control.window) return control.caption;
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control.window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control.window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Screen readers hear of what changes in a label, as the system tells them of its own windows,
// after the change and with the label's child identifier.
void FormWindow::SetCaption(size_t index, std::wstring_view text) {
    NativeControl& control = controls_[index];
    const bool changed = control.caption != text;
    control.caption = std::wstring(text);
    if (control.window) {
        SetWindowTextW(control.window, control.caption.c_str());
        return;
    }
    Invalidate(control.rect, control.pane);
    const LONG id = ChildIdOf(index);
    if (changed && id != CHILDID_SELF && control.layout->accessibleName.empty()) Notify(EVENT_OBJECT_NAMECHANGE, id);
}

void FormWindow::SetForeColor(size_t index, Colour colour) {
    NativeControl& control = controls_[index];
    if (control.fore == colour) return;
    control.fore = colour;
    if (control.window) {
        InvalidateRect(control.window, nullptr, FALSE);
    } else {
        Invalidate(control.rect, control.pane);
    }
}

void FormWindow::SetVisible(size_t index, bool visible) {
    NativeControl& control = controls_[index];
    if (control.visible == visible) return;
    control.visible = visible;
    if (control.window) {
        const bool paneShown = !control.pane || control.pane->visible;
        ShowWindow(control.window, visible && paneShown ? SW_SHOWNA : SW_HIDE);
        return;
    }
    Invalidate(control.rect, control.pane);
    if (const LONG id = ChildIdOf(index); id != CHILDID_SELF) {
        Notify(visible ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, id);
    }
    // A picture box shows and hides what it holds.
    Pane* pane = PaneOf(static_cast<int>(index));
    if (!pane) return;
    pane->visible = visible;
    for (const NativeControl& held : controls_) {
        if (held.pane == pane && held.window) ShowWindow(held.window, visible && held.visible ? SW_SHOWNA : SW_HIDE);
    }
}

int FormWindow::Value(size_t index) const {
    HWND window = controls_[index].window;
    return window ? static_cast<int>(SendMessageW(window, BM_GETCHECK, 0, 0)) : 0;
}

void FormWindow::Focus(const Control* control, bool tabbedInto) {
    HWND window = control ? controls_[control->Index()].window : frame_;
    SetFocus(window);
    if (tabbedInto && control && control->Layout().kind == ControlKind::TextBox) SendMessageW(window, EM_SETSEL, 0, 0);
    // A child window tells of its focus itself; the label the keyboard left is no longer focused.
    if (control) Announce(CHILDID_SELF);
}

void FormWindow::KeysSelected(const Control& control) { Announce(ChildIdOf(control.Index())); }

// As the system's menus and list boxes do when the keys move: the state of the label the
// keyboard left and of the one it reached, the selection where that is an entry, then the
// focus; only the focus when it comes back to the same label.
void FormWindow::Announce(LONG child) {
    const LONG left = std::exchange(announced_, child);
    // The focus rectangle moves with the keys.
    for (LONG id : {left, child}) {
        if (const NativeControl* label = Child(id)) Invalidate(label->rect, label->pane);
    }
    if (left != CHILDID_SELF && left != child) Notify(EVENT_OBJECT_STATECHANGE, left);
    if (child == CHILDID_SELF) return;
    if (left != child) {
        Notify(EVENT_OBJECT_STATECHANGE, child);
        if (Child(child)->layout->role == Role::MenuItem) Notify(EVENT_OBJECT_SELECTION, child);
    }
    Notify(EVENT_OBJECT_FOCUS, child);
}

void FormWindow::Notify(DWORD event, LONG child) const { NotifyWinEvent(event, frame_, OBJID_CLIENT, child); }

void FormWindow::LoadIcons(HINSTANCE instance) {
    if (!std::exchange(iconsPending_, false)) return;
    const int icon = form_.Layout().icon;
    auto load = [&](int size) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(icon), IMAGE_ICON, size, size, 0));
    };
    bigIcon_.Reset(load(GetSystemMetrics(SM_CXICON)));
    smallIcon_.Reset(load(GetSystemMetrics(SM_CXSMICON)));
    SendMessageW(frame_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
    SendMessageW(frame_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
}

const NativeControl* FormWindow::Child(LONG id) const {
    if (id < 1 || id > ChildCount()) return nullptr;
    return &controls_[children_[static_cast<size_t>(id - 1)]];
}

// Without allocating: nothing may throw out of a call that a client makes.
LONG FormWindow::ChildIdOf(size_t index) const {
    const auto at = std::find(children_.begin(), children_.end(), index);
    return at == children_.end() ? CHILDID_SELF : static_cast<LONG>(at - children_.begin() + 1);
}

bool FormWindow::Shown(const NativeControl& control) const {
    return control.visible && (!control.pane || control.pane->visible) && IsWindowVisible(frame_);
}

bool FormWindow::Clickable(const NativeControl& control) const {
    const Control* owner = ControlOf(IndexOf(control));
    return control.layout->kind == ControlKind::Label && owner && owner->Click;
}

LONG FormWindow::SelectedChild() const {
    const Control* selected = form_.KeyboardSelection();
    return selected ? ChildIdOf(selected->Index()) : CHILDID_SELF;
}

LONG FormWindow::ChildAt(POINT point) const {
    HWND window = ChildWindowFromPointEx(frame_, point, CWP_SKIPINVISIBLE);
    if (window && window != frame_) {
        for (size_t i = 0; i < controls_.size(); ++i) {
            if (controls_[i].window == window) return ChildIdOf(i);
        }
    }
    const Control* hit = HitTest(point);
    return hit && hit->Layout().kind == ControlKind::Label ? ChildIdOf(hit->Index()) : CHILDID_SELF;
}

}  // namespace platform::win32
