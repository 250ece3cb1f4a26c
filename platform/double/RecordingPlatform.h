#pragma once
// A platform that records what the windows did and lets a test raise their events: the
// double behind the unit tests. It keeps a small model of the disc (folders and programs
// that exist) so that directory changes and program starts can fail as they would.

#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

struct StartedProgram {
    std::wstring path;
    int windowStyle = 0;
    std::wstring folder;  // the current directory it inherited
};

struct ShownMessage {
    std::wstring prompt;
    int buttons = 0;
    std::wstring title;
};

class RecordingPlatform final : public Platform {
public:
    // What happened, in order: "load Form1", "show Form1", "hide Form1", "unload Form1",
    // "chdir E:\quin\", "shell E:\quin\quin.exe", "msgbox Setup", "end".
    std::vector<std::string> log;
    std::vector<StartedProgram> started;
    std::vector<ShownMessage> messages;
    std::wstring currentDirectory = L"C:\\";
    // The disc as the double sees it: full paths of folders and programs that exist.
    std::set<std::wstring> folders;
    std::set<std::wstring> programs;

    // Events as the user would raise them. Each does nothing once the program has ended
    // or when the window is not visible, as on the real system.
    void MoveOver(Form& form, std::string_view control);
    void ClickOn(Form& form, std::string_view control);
    void SetCheckValue(Form& form, std::string_view control, int value);
    void PressAltF4(Form& form);
    void PressKey(Form& form, Key key);
    // The control with a window of its own that has the keyboard focus in `form`, or nullptr.
    Control* FocusedWindow(const Form& form) const;
    // Runs while a message box is up, as a user acting on the program behind it.
    std::function<void()> whileMessageBoxShows;
    // Labels that screen readers were told the keys selected, by name.
    std::vector<std::string> selected;
    bool caretAtStart = false;  // the last text box focused by Tab

    bool IsVisible(const Form& form) const { return DoIsVisible(form); }
    std::wstring Caption(const Control& control) const override;
    Colour ForeColor(const Control& control) const override;
    bool Visible(const Control& control) const override;
    int Value(const Control& control) const override;

protected:
    void DoLoad(Form& form) override;
    void DoShow(Form& form) override;
    void DoHide(Form& form) override;
    void DoUnload(Form& form) override;
    bool DoIsVisible(const Form& form) const override;
    void DoSetCaption(Control& control, std::wstring_view text) override;
    void DoSetForeColor(Control& control, Colour colour) override;
    void DoSetVisible(Control& control, bool visible) override;
    void DoMsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) override;
    void DoShell(std::wstring_view path, int windowStyle) override;
    void DoChDir(std::wstring_view path) override;
    void DoEnd() noexcept override;
    void DoFocus(Form& form, Control* control, bool tabbedInto) override;
    void DoSelected(Control& control) override;

private:
    struct ControlState {
        std::wstring caption;
        Colour fore = kDefaultColour;
        bool visible = true;
        int value = 0;
    };
    struct FormState {
        const Form* form = nullptr;
        bool visible = false;
        Control* focused = nullptr;
        std::vector<ControlState> controls;
    };
    FormState* Find(const Form& form);
    const FormState* Find(const Form& form) const;
    ControlState& StateOf(const Control& control);
    const ControlState& StateOf(const Control& control) const;
    Control& Named(Form& form, std::string_view name);
    std::wstring Absolute(std::wstring_view path) const;

    std::vector<FormState> forms_;
};

}  // namespace platform
