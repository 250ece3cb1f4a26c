#pragma once
// The window system and run-time services that every window of the menu uses, in the
// program's own terms. Two implementations stand behind it: the Win32 one that ships, and a
// recording double for the unit tests. No native type appears here.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "Layout.h"

namespace platform {

class Platform;
class Forms;

// A failed platform operation. Handlers do not catch it: the dispatch boundary reports it
// and ends the program.
struct RuntimeError {
    unsigned long number = 0;  // the system's error code
    std::wstring description;  // its text, with the path that failed
};

// Thrown by End() so that nothing after it in a handler runs.
struct ProgramEnded {};

// Window style for Shell(): a normal window that receives the focus.
inline constexpr int kNormalFocus = 1;
// Buttons for MsgBox(): an OK button only, no icon.
inline constexpr int kOkOnly = 0;

// Keys that move the keyboard through a window or act on what it is on.
enum class Key { Tab, BackTab, Up, Down, Enter, Space, Escape };

class Form;

// The rows of `layout` in the Tab order (rows with the same Tab index in creation order).
std::vector<int> TabOrder(const FormLayout& layout);

class Control {
public:
    Control(Form& form, std::string_view name);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    std::wstring Caption() const;
    void SetCaption(std::wstring_view text);
    Colour ForeColor() const;
    void SetForeColor(Colour colour);
    bool Visible() const;
    void SetVisible(bool visible);
    int Value() const;

    Form& OwnerForm() const { return form_; }
    int Index() const { return index_; }
    const ControlLayout& Layout() const;

    // Bound by the window to its handlers; empty where the control has none.
    std::function<void()> Click;
    std::function<void()> MouseMove;

private:
    Form& form_;
    int index_;
};

class Form {
public:
    Form(Forms& forms, const FormLayout& layout);
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    virtual void Form_Load() {}
    virtual void Form_Activate() {}

    void Show();
    void Hide();
    void Unload();

    const FormLayout& Layout() const { return layout_; }
    // The control created from row `index` of the layout, or nullptr while unbound.
    Control* ControlAt(int index) const;
    bool IsLoaded() const { return loaded_; }
    // The label that the keys have selected, or nullptr.
    Control* KeyboardSelection() const;

protected:
    Forms& forms;
    Platform& platform;

private:
    friend class Control;
    friend class Platform;
    const FormLayout& layout_;
    std::vector<Control*> controls_;
    bool loaded_ = false;
    // The control that has, or had when the form was last deactivated, the keyboard: a label
    // selected with the keys, or a control with a window of its own.
    Control* keyboard_ = nullptr;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Runs one event handler. This is the boundary where a run-time error is reported in a
    // message box and the program ends; nothing escapes it, and after End nothing runs.
    void Dispatch(const std::function<void()>& handler) noexcept;
    bool Ended() const { return ended_; }

    // Window lifetime. Load creates the native window from the layout (hidden); Show makes
    // it visible and active and runs Form_Activate; Unload destroys it, and the program
    // ends when no window is loaded any more.
    void Load(Form& form);
    void Show(Form& form);
    void Hide(Form& form);
    void Unload(Form& form);

    // Controls: take effect at once.
    virtual std::wstring Caption(const Control& control) const = 0;
    void SetCaption(Control& control, std::wstring_view text);
    virtual Colour ForeColor(const Control& control) const = 0;
    void SetForeColor(Control& control, Colour colour);
    virtual bool Visible(const Control& control) const = 0;
    void SetVisible(Control& control, bool visible);
    virtual int Value(const Control& control) const = 0;

    // Services.
    void MsgBox(std::wstring_view prompt, int buttons, std::wstring_view title);
    // Starts the program at `path` without waiting for it. A relative path is taken from
    // the folder that holds the menu, never from the search path.
    void Shell(std::wstring_view path, int windowStyle);
    // Changes the current directory; a relative path as for Shell.
    void ChDir(std::wstring_view path);
    [[noreturn]] void End();

    // The window was asked to close (Alt+F4, the task bar's Close, End task, a tool): it is
    // unloaded like any other, and the program ends when no visible window is left.
    void CloseRequested(Form& form) noexcept;
    // The window became active: Form_Activate runs unless it was the program's active one
    // already, and the keyboard goes back where it was (at the first showing, to the first
    // control in the Tab order that has a window of its own).
    void Activated(Form& form) noexcept;
    // The window stopped being active with the keyboard focus on `focused`, a control with a
    // window of its own, or on the form's own window (nullptr).
    void Deactivated(Form& form, Control* focused) noexcept;
    // A key pressed in `form`, the focus being on `focused` as for Deactivated. Tab and the
    // arrows move through the controls that take the keyboard, in the Tab order; Enter and
    // Space click a selected label, Enter a button; Esc clicks the form's cancel control.
    // False leaves the key to the focused control.
    bool KeyPressed(Form& form, Control* focused, Key key) noexcept;
    // Events raised by the native side for a control. Neither these nor the keys and a screen reader's
    // selection start a handler while another waits on a message box.
    void Clicked(Control& control) noexcept;
    void MouseMoved(Control& control) noexcept;
    // A screen reader put the keyboard on `control`, a label that takes it: as if the keys
    // had taken it there.
    void Select(Control& control) noexcept;

    bool AnyVisible() const;

protected:
    // What each implementation puts behind the operations above. They may throw
    // RuntimeError; the public operations refuse to run after End.
    virtual void DoLoad(Form& form) = 0;
    virtual void DoShow(Form& form) = 0;
    virtual void DoHide(Form& form) = 0;
    virtual void DoUnload(Form& form) = 0;
    virtual bool DoIsVisible(const Form& form) const = 0;
    virtual void DoSetCaption(Control& control, std::wstring_view text) = 0;
    virtual void DoSetForeColor(Control& control, Colour colour) = 0;
    virtual void DoSetVisible(Control& control, bool visible) = 0;
    virtual void DoMsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) = 0;
    virtual void DoShell(std::wstring_view path, int windowStyle) = 0;
    virtual void DoChDir(std::wstring_view path) = 0;
    // Every window disappears and the event loop stops.
    virtual void DoEnd() noexcept = 0;
    // The keyboard focus to `control`, which has a window of its own, or to the form's own
    // window (nullptr); a text box `tabbedInto` puts its caret at its start.
    virtual void DoFocus(Form& form, Control* control, bool tabbedInto) = 0;
    // The keys selected the label `control`: screen readers are told.
    virtual void DoSelected(Control& control) = 0;

    void ReportRuntimeError(const RuntimeError& error) noexcept;
    void ThrowIfEnded() const;

private:
    void Forget(Form& form) noexcept;
    bool TakesKeyboard(const Control& control) const;
    std::vector<Control*> Stops(const Form& form, bool ownWindowOnly) const;
    void MoveFocus(Form& form, Control* from, bool forward);
    void FocusOn(Form& form, Control* target, bool tabbed);
    std::vector<Form*> loaded_;
    Form* activeForm_ = nullptr;
    bool ended_ = false;
    bool waiting_ = false;  // a handler waits on a message box
};

// The program's windows: each exists at most once and is created on first use.
class Forms {
public:
    explicit Forms(Platform& platform) : platform_(platform) {}
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    Platform& GetPlatform() const { return platform_; }

    // The window of type F, created and loaded (Form_Load run) if it is not loaded.
    template <class F>
    F& Get() {
        if (F* loaded = Find<F>()) return *loaded;
        // An unloaded window may still be running the handler that unloaded it, so its
        // object is kept until the program ends.
        forms_.push_back(std::make_unique<F>(*this));
        LoadNew(*forms_.back());
        return static_cast<F&>(*forms_.back());
    }

    // The window of type F if it is loaded, else nullptr; never creates one.
    template <class F>
    F* Find() const {
        for (const auto& form : forms_) {
            if (form->IsLoaded() && typeid(*form) == typeid(F)) return static_cast<F*>(form.get());
        }
        return nullptr;
    }

private:
    void LoadNew(Form& form);
    Platform& platform_;
    std::vector<std::unique_ptr<Form>> forms_;  // every window made, loaded or not
};

}  // namespace platform
