// The keyboard: which control of a window has it, where Tab and the arrows take it, and what
// Enter, Space and Esc do. A label that the keys select is lit as if the pointer had moved
// over bare picture and then onto it, through the same handlers.
#include <algorithm>
#include <vector>

#include "Platform.h"

namespace platform {

namespace {

bool HasOwnWindow(const Control& control) { return platform::HasOwnWindow(control.Layout().kind); }

}  // namespace

std::vector<int> TabOrder(const FormLayout& layout) {
    std::vector<int> order;
    for (int row = 0; row < static_cast<int>(layout.controls.size()); ++row) {
        auto at = order.end();
        while (at != order.begin() && layout.controls[at[-1]].tabIndex > layout.controls[row].tabIndex) --at;
        order.insert(at, row);
    }
    return order;
}

Control* Form::KeyboardSelection() const { return keyboard_ && !HasOwnWindow(*keyboard_) ? keyboard_ : nullptr; }

bool Platform::TakesKeyboard(const Control& control) const {
    const ControlLayout& row = control.Layout();
    if (row.kind == ControlKind::PictureBox || (row.kind == ControlKind::Label && !control.Click)) return false;
    const Control* box = control.OwnerForm().ControlAt(row.container);
    return Visible(control) && (!box || Visible(*box));
}

void Platform::FocusOn(Form& form, Control* target, bool tabbed) {
    Control* left = form.KeyboardSelection();
    form.keyboard_ = target;
    if (target && HasOwnWindow(*target)) {
        // The label that had the keyboard goes dark as when the pointer leaves it for the picture.
        if (Control* box = left ? form.ControlAt(left->Layout().container) : nullptr) Dispatch(box->MouseMove);
        DoFocus(form, target, tabbed);
        return;
    }
    DoFocus(form, nullptr, false);
    if (!target) return;
    if (Control* box = form.ControlAt(target->Layout().container)) Dispatch(box->MouseMove);
    Dispatch(target->MouseMove);
    if (!ended_ && form.loaded_) DoSelected(*target);
}

// The controls of `form` that take the keyboard, in the Tab order.
std::vector<Control*> Platform::Stops(const Form& form, bool ownWindowOnly) const {
    std::vector<Control*> stops;
    for (int row : TabOrder(form.Layout())) {
        Control* control = form.ControlAt(row);
        if (control && TakesKeyboard(*control) && (!ownWindowOnly || HasOwnWindow(*control))) stops.push_back(control);
    }
    return stops;
}

void Platform::MoveFocus(Form& form, Control* from, bool forward) {
    const std::vector<Control*> stops = Stops(form, false);
    if (stops.empty()) return;
    const auto at = std::find(stops.begin(), stops.end(), from);
    const size_t count = stops.size();
    size_t next = forward ? 0 : count - 1;
    if (at != stops.end()) next = (static_cast<size_t>(at - stops.begin()) + (forward ? 1 : count - 1)) % count;
    FocusOn(form, stops[next], true);
}

bool Platform::KeyPressed(Form& form, Control* focused, Key key) noexcept {
    if (ended_ || waiting_ || !form.loaded_) return true;
    Control* at = focused ? focused : form.KeyboardSelection();
    const ControlKind kind = at ? at->Layout().kind : ControlKind::PictureBox;
    bool handled = true;
    Dispatch([&] {
        switch (key) {
        case Key::Up:
        case Key::Down:
            // Inside a text box the arrows move the caret.
            if (kind == ControlKind::TextBox) {
                handled = false;
                return;
            }
            MoveFocus(form, at, key == Key::Down);
            return;
        case Key::Tab:
        case Key::BackTab:
            MoveFocus(form, at, key == Key::Tab);
            return;
        case Key::Enter:
        case Key::Space:
            // A text box types both, a check box toggles on Space, a button presses on Space.
            if (at && (kind == ControlKind::Label || (kind == ControlKind::Button && key == Key::Enter))) {
                Clicked(*at);
            } else {
                handled = false;
            }
            return;
        case Key::Escape:
            for (Control* control : Stops(form, false)) {
                if (control->Layout().cancel) {
                    Clicked(*control);
                    return;
                }
            }
            return;
        }
    });
    return handled;
}

void Platform::Activated(Form& form) noexcept {
    if (ended_) return;
    if (activeForm_ != &form) {
        activeForm_ = &form;
        Dispatch([&] { form.Form_Activate(); });
    }
    Dispatch([&] {
        if (ended_ || !form.loaded_) return;
        if (form.keyboard_) {
            FocusOn(form, form.keyboard_, false);
            return;
        }
        const std::vector<Control*> windows = Stops(form, true);
        FocusOn(form, windows.empty() ? nullptr : windows.front(), false);
    });
}

void Platform::Select(Control& control) noexcept {
    Form& form = control.OwnerForm();
    if (ended_ || waiting_ || !form.loaded_) return;
    Dispatch([&] { FocusOn(form, &control, false); });
}

void Platform::Deactivated(Form& form, Control* focused) noexcept {
    if (focused || !form.KeyboardSelection()) form.keyboard_ = focused;
}

}  // namespace platform
