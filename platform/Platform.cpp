#include "Platform.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "Decimal.h"

namespace platform {

namespace {

constexpr unsigned long kOutOfMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
constexpr unsigned long kInternalError = 1359;  // ERROR_INTERNAL_ERROR
constexpr int kCriticalIcon = 16;
constexpr std::wstring_view kErrorTitle = L"Quintaral";

int IndexOf(const FormLayout& layout, std::string_view name) {
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        if (layout.controls[i].name == name) return static_cast<int>(i);
    }
    // A name its layout lacks is a slip in the window's code; reported like any internal error.
    throw RuntimeError{kInternalError, L"Internal error."};
}

}  // namespace

Control::Control(Form& form, std::string_view name) : form_(form), index_(IndexOf(form.layout_, name)) {
    form.controls_[index_] = this;
}

const ControlLayout& Control::Layout() const { return form_.layout_.controls[index_]; }
std::wstring Control::Caption() const { return form_.platform.Caption(*this); }
void Control::SetCaption(std::wstring_view text) { form_.platform.SetCaption(*this, text); }
Colour Control::ForeColor() const { return form_.platform.ForeColor(*this); }
void Control::SetForeColor(Colour colour) { form_.platform.SetForeColor(*this, colour); }
bool Control::Visible() const { return form_.platform.Visible(*this); }
void Control::SetVisible(bool visible) { form_.platform.SetVisible(*this, visible); }
int Control::Value() const { return form_.platform.Value(*this); }

Form::Form(Forms& forms, const FormLayout& layout)
    : forms(forms), platform(forms.GetPlatform()), layout_(layout), controls_(layout.controls.size(), nullptr) {}

void Form::Show() { platform.Show(*this); }
void Form::Hide() { platform.Hide(*this); }
void Form::Unload() { platform.Unload(*this); }

Control* Form::ControlAt(int index) const {
    if (index < 0 || index >= static_cast<int>(controls_.size())) return nullptr;
    return controls_[index];
}

void Platform::Dispatch(const std::function<void()>& handler) noexcept {
    if (ended_ || !handler) return;
    try {
        handler();
    } catch (const ProgramEnded&) {
    } catch (const RuntimeError& error) {
        ReportRuntimeError(error);
    } catch (const std::bad_alloc&) {
        ReportRuntimeError({kOutOfMemory, L"Not enough memory."});
    } catch (...) {
        ReportRuntimeError({kInternalError, L"Internal error."});
    }
}

void Platform::ReportRuntimeError(const RuntimeError& error) noexcept {
    if (ended_) return;
    // Ended before the report, so that no handler runs while the message box is up.
    ended_ = true;
    try {
        DoMsgBox(L"Σφάλμα εκτέλεσης " + Decimal(error.number) + L":\n\n" + error.description,
                 kCriticalIcon, kErrorTitle);
    } catch (...) {
    }
    DoEnd();
}

void Platform::ThrowIfEnded() const {
    if (ended_) throw ProgramEnded{};
}

void Platform::Load(Form& form) {
    ThrowIfEnded();
    DoLoad(form);
    form.loaded_ = true;
    loaded_.push_back(&form);
}

void Platform::Show(Form& form) {
    ThrowIfEnded();
    DoShow(form);
}

void Platform::Hide(Form& form) {
    ThrowIfEnded();
    DoHide(form);
    if (activeForm_ == &form) activeForm_ = nullptr;
}

void Platform::Unload(Form& form) {
    ThrowIfEnded();
    if (!form.loaded_) return;
    DoUnload(form);
    Forget(form);
    if (loaded_.empty()) {
        ended_ = true;
        DoEnd();
    }
}

void Platform::Forget(Form& form) noexcept {
    form.loaded_ = false;
    std::erase(loaded_, &form);
    if (activeForm_ == &form) activeForm_ = nullptr;
}

bool Platform::AnyVisible() const {
    return std::any_of(loaded_.begin(), loaded_.end(), [this](const Form* form) { return DoIsVisible(*form); });
}

void Platform::SetCaption(Control& control, std::wstring_view text) {
    ThrowIfEnded();
    DoSetCaption(control, text);
}

void Platform::SetForeColor(Control& control, Colour colour) {
    ThrowIfEnded();
    DoSetForeColor(control, colour);
}

void Platform::SetVisible(Control& control, bool visible) {
    ThrowIfEnded();
    DoSetVisible(control, visible);
}

void Platform::MsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) {
    ThrowIfEnded();
    // While the box is up, its window is the only one that answers: a button clicked by a tool or a
    // screen reader would start the handler that waits on it a second time.
    struct Waiting {
        bool& flag;
        bool was = std::exchange(flag, true);
        ~Waiting() { flag = was; }
    } waiting{waiting_};
    DoMsgBox(prompt, buttons, title);
    // The program may have been closed while the box was up (the task bar's Close, End task):
    // the handler that showed it goes no further.
    ThrowIfEnded();
}

void Platform::Shell(std::wstring_view path, int windowStyle) {
    ThrowIfEnded();
    DoShell(path, windowStyle);
}

void Platform::ChDir(std::wstring_view path) {
    ThrowIfEnded();
    DoChDir(path);
}

void Platform::End() {
    if (!ended_) {
        ended_ = true;
        DoEnd();
    }
    throw ProgramEnded{};
}

void Platform::CloseRequested(Form& form) noexcept {
    Dispatch([&] {
        Unload(form);
        if (!AnyVisible()) End();
    });
}

void Platform::Clicked(Control& control) noexcept {
    if (!waiting_) Dispatch(control.Click);
}
void Platform::MouseMoved(Control& control) noexcept {
    if (!waiting_) Dispatch(control.MouseMove);
}

void Forms::LoadNew(Form& form) {
    platform_.Load(form);
    platform_.Dispatch([&] { form.Form_Load(); });
}

}  // namespace platform
