#include "RecordingPlatform.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace platform {

namespace {

constexpr unsigned long kFileNotFound = 2;
constexpr unsigned long kPathNotFound = 3;

std::string Narrow(std::wstring_view text) {
    std::string result;
    for (wchar_t c : text) result += c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

}  // namespace

RecordingPlatform::FormState* RecordingPlatform::Find(const Form& form) {
    auto it = std::find_if(forms_.begin(), forms_.end(), [&](const FormState& state) { return state.form == &form; });
    return it == forms_.end() ? nullptr : &*it;
}

const RecordingPlatform::FormState* RecordingPlatform::Find(const Form& form) const {
    return const_cast<RecordingPlatform*>(this)->Find(form);
}

RecordingPlatform::ControlState& RecordingPlatform::StateOf(const Control& control) {
    FormState* state = Find(control.OwnerForm());
    if (!state) {
        // On the real system the window is gone: a handler must not get this far.
        log.push_back("touched unloaded " + std::string(control.OwnerForm().Layout().name));
        throw std::logic_error("a control of a window that is not loaded");
    }
    return state->controls.at(static_cast<size_t>(control.Index()));
}

const RecordingPlatform::ControlState& RecordingPlatform::StateOf(const Control& control) const {
    return const_cast<RecordingPlatform*>(this)->StateOf(control);
}

Control& RecordingPlatform::Named(Form& form, std::string_view name) {
    const auto& controls = form.Layout().controls;
    for (size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].name == name) {
            if (Control* control = form.ControlAt(static_cast<int>(i))) return *control;
        }
    }
    throw std::logic_error("no control of that name");
}

void RecordingPlatform::MoveOver(Form& form, std::string_view control) {
    if (IsVisible(form)) MouseMoved(Named(form, control));
}

void RecordingPlatform::ClickOn(Form& form, std::string_view control) {
    if (IsVisible(form)) Clicked(Named(form, control));
}

void RecordingPlatform::SetCheckValue(Form& form, std::string_view control, int value) {
    if (Find(form)) StateOf(Named(form, control)).value = value;
}

void RecordingPlatform::PressAltF4(Form& form) {
    if (IsVisible(form)) CloseFromKeyboard(form);
}

void RecordingPlatform::PressKey(Form& form, Key key) {
    if (IsVisible(form)) KeyPressed(form, Find(form)->focused, key);
}

Control* RecordingPlatform::FocusedWindow(const Form& form) const {
    const FormState* state = Find(form);
    return state ? state->focused : nullptr;
}

void RecordingPlatform::DoFocus(Form& form, Control* control, bool tabbedInto) {
    Find(form)->focused = control;
    caretAtStart = tabbedInto && control && control->Layout().kind == ControlKind::TextBox;
}

void RecordingPlatform::DoSelected(Control& control) { selected.emplace_back(control.Layout().name); }

void RecordingPlatform::DoLoad(Form& form) {
    FormState state{.form = &form};
    for (const ControlLayout& row : form.Layout().controls) {
        state.controls.push_back({std::wstring(row.text), row.fore, row.visible, row.value});
    }
    forms_.push_back(std::move(state));
    log.push_back("load " + std::string(form.Layout().name));
}

void RecordingPlatform::DoShow(Form& form) {
    Find(form)->visible = true;
    log.push_back("show " + std::string(form.Layout().name));
    // Showing makes the window the active one, as the real system does at once.
    Activated(form);
}

void RecordingPlatform::DoHide(Form& form) {
    Find(form)->visible = false;
    Deactivated(form, Find(form)->focused);
    log.push_back("hide " + std::string(form.Layout().name));
}

void RecordingPlatform::DoUnload(Form& form) {
    std::erase_if(forms_, [&](const FormState& state) { return state.form == &form; });
    log.push_back("unload " + std::string(form.Layout().name));
}

bool RecordingPlatform::DoIsVisible(const Form& form) const {
    const FormState* state = Find(form);
    return state && state->visible;
}

std::wstring RecordingPlatform::Caption(const Control& control) const { return StateOf(control).caption; }
Colour RecordingPlatform::ForeColor(const Control& control) const { return StateOf(control).fore; }
bool RecordingPlatform::Visible(const Control& control) const { return StateOf(control).visible; }
int RecordingPlatform::Value(const Control& control) const { return StateOf(control).value; }

void RecordingPlatform::DoSetCaption(Control& control, std::wstring_view text) { StateOf(control).caption = text; }
void RecordingPlatform::DoSetForeColor(Control& control, Colour colour) { StateOf(control).fore = colour; }
void RecordingPlatform::DoSetVisible(Control& control, bool visible) { StateOf(control).visible = visible; }

void RecordingPlatform::DoMsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) {
    messages.push_back({std::wstring(prompt), buttons, std::wstring(title)});
    log.push_back("msgbox " + Narrow(title));
    if (whileMessageBoxShows) std::exchange(whileMessageBoxShows, nullptr)();
}

// Relative paths are taken from the menu's folder, which the double puts at M:\.
std::wstring RecordingPlatform::Absolute(std::wstring_view path) const {
    const bool absolute = path.size() >= 2 && path[1] == L':';
    return absolute ? std::wstring(path) : L"M:\\" + std::wstring(path);
}

void RecordingPlatform::DoShell(std::wstring_view path, int windowStyle) {
    const std::wstring program = Absolute(path);
    if (!programs.contains(program)) throw RuntimeError{kFileNotFound, L"not found: " + program};
    started.push_back({program, windowStyle, currentDirectory});
    log.push_back("shell " + Narrow(program));
}

void RecordingPlatform::DoChDir(std::wstring_view path) {
    const std::wstring folder = Absolute(path);
    if (!folders.contains(folder)) throw RuntimeError{kPathNotFound, L"not found: " + folder};
    currentDirectory = folder;
    log.push_back("chdir " + Narrow(folder));
}

void RecordingPlatform::DoEnd() noexcept {
    for (FormState& state : forms_) state.visible = false;
    log.push_back("end");
}

}  // namespace platform
