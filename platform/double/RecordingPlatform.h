#pragma once
// A platform that writes down, in one line of text, everything the windows do that the user or
// the system could see, and lets a test raise their events by name. The paths in `missing`
// cannot be started or made current, as on a disc that lacks them.

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace platform {

// Greek and Latin-1 as UTF-8, which test reports print as they are.
inline std::string Utf8(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x80) out += static_cast<char>(c);
        else out += {static_cast<char>(0xC0 | (c >> 6 & 0x1F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
    return out;
}

class RecordingPlatform final : public Platform {
public:
    struct Window { Form* form = nullptr; bool visible = false; Control* focused = nullptr; };

    std::string log;      // "load Form1; show Form1; Label1 black; chdir E:\quin\; shell E:\quin\quin.exe 1 in E:\quin\"
    std::set<std::wstring> missing;
    std::wstring currentDirectory = L"C:\\";
    std::map<std::string, Window> windows;  // the loaded ones by name: each exists at most once

    void Note(const std::string& entry) { log += (log.empty() ? "" : "; ") + entry; }
    // The window the user sees and acts on, or nullptr.
    Form* Up() const {
        const auto up = std::ranges::find_if(windows, [](const auto& window) { return window.second.visible; });
        return up == windows.end() ? nullptr : up->second.form;
    }

    // Events in the window that is up, separated by "; ": "move Label2", "click Command1", "check Check1 0",
    // "key Tab" (Tab BackTab Up Down Enter Space Esc), "altf4", "inbox" (Alt+F4 once a message box is up),
    // "fail 5" (a handler fails with error 5; "fail -" with a C++ exception).
    void Raise(const std::string& events) {
        std::istringstream list(events);
        for (std::string event; std::getline(list >> std::ws, event, ';');) {
            std::string verb, target, argument;
            std::istringstream(event) >> verb >> target >> argument;
            if (verb == "inbox") whileMessageBoxShows_ = "altf4";
            Form* form = Up();
            if (!form || verb == "inbox") continue;
            const auto& rows = form->Layout().controls;
            const auto row = std::ranges::find(rows, target, &ControlLayout::name);
            Control* control = form->ControlAt(static_cast<int>(row - rows.begin()));
            if (verb == "move") MouseMoved(*control);
            if (verb == "click") Clicked(*control);
            if (verb == "check") StateOf(*control).value = std::stoi(argument);
            if (verb == "altf4") CloseFromKeyboard(*form);
            if (verb == "fail") Dispatch([&] {
                if (target == "-") throw std::out_of_range("no such entry");
                throw RuntimeError{std::stoul(target), L"failed"};
            });
            if (verb != "key") continue;
            const std::string keys[] = {"Tab", "BackTab", "Up", "Down", "Enter", "Space", "Esc"};
            const auto key = static_cast<Key>(std::ranges::find(keys, target) - keys);
            Control* focused = windows[Name(*form)].focused;
            if (!KeyPressed(*form, focused, key)) Note(target + " to " + (focused ? Name(*focused) : Name(*form)));
        }
    }

    std::wstring Caption(const Control& control) const override { return StateOf(control).caption; }
    Colour ForeColor(const Control& control) const override { return StateOf(control).fore; }
    bool Visible(const Control& control) const override { return StateOf(control).visible; }
    int Value(const Control& control) const override { return StateOf(control).value; }

protected:
    void DoLoad(Form& form) override {
        windows[Name(form)].form = &form;
        Note("load " + Name(form));
    }
    void DoShow(Form& form) override {
        windows[Name(form)].visible = true;
        Note("show " + Name(form));
        Activated(form);  // showing makes the window the active one, as the real system does at once
    }
    void DoHide(Form& form) override {
        windows[Name(form)].visible = false;
        Deactivated(form, windows[Name(form)].focused);
        Note("hide " + Name(form));
    }
    void DoUnload(Form& form) override {
        windows.erase(Name(form));
        Note("unload " + Name(form));
    }
    bool DoIsVisible(const Form& form) const override { return windows.contains(Name(form)) && windows.at(Name(form)).visible; }
    void DoSetCaption(Control& control, std::wstring_view text) override {
        if (std::exchange(StateOf(control).caption, text) != text) Note(Name(control) + " = " + Utf8(text));
    }
    void DoSetForeColor(Control& control, Colour colour) override {
        if (std::exchange(StateOf(control).fore, colour) == colour) return;
        Note(Name(control) + (colour == kRed ? " red" : colour == kBlack ? " black" : " " + std::to_string(colour)));
    }
    void DoSetVisible(Control& control, bool visible) override {
        if (std::exchange(StateOf(control).visible, visible) != visible) Note(Name(control) + (visible ? " shown" : " hidden"));
    }
    void DoMsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) override {
        Note("msgbox " + Utf8(title) + " " + std::to_string(buttons) + ": " + Utf8(prompt));
        Raise(std::exchange(whileMessageBoxShows_, ""));
    }
    void DoShell(std::wstring_view path, int windowStyle) override {
        if (missing.contains(std::wstring(path))) throw RuntimeError{2, L"not found: " + std::wstring(path)};
        Note("shell " + Utf8(path) + " " + std::to_string(windowStyle) + " in " + Utf8(currentDirectory));
    }
    void DoChDir(std::wstring_view path) override {
        if (missing.contains(std::wstring(path))) throw RuntimeError{3, L"not found: " + std::wstring(path)};
        Note("chdir " + Utf8(currentDirectory = path));
    }
    // The windows stay up, so that messages that arrive late can still reach them.
    void DoEnd() noexcept override { Note("end"); }
    void DoFocus(Form& form, Control* control, bool tabbedInto) override {
        windows[Name(form)].focused = control;
        const bool caret = tabbedInto && control && control->Layout().kind == ControlKind::TextBox;
        if (control) Note("focus " + Name(*control) + (caret ? " at start" : ""));
    }
    void DoSelected(Control& control) override { Note("selected " + Name(control)); }

private:
    struct ControlState { std::wstring caption; Colour fore; bool visible; int value; };

    template <class Thing>
    static std::string Name(const Thing& thing) { return std::string(thing.Layout().name); }
    // As the layout made it, until a handler changes it.
    ControlState& StateOf(const Control& control) const {
        // On the real system the window is gone: a handler must not get this far.
        if (!windows.contains(Name(control.OwnerForm()))) {
            const_cast<RecordingPlatform*>(this)->Note("touched unloaded " + Name(control.OwnerForm()));
        }
        const ControlLayout& row = control.Layout();
        return controls_.try_emplace(&control, std::wstring(row.text), row.fore, row.visible, row.value).first->second;
    }
    mutable std::map<const Control*, ControlState> controls_;
    std::string whileMessageBoxShows_;
};

}  // namespace platform
