#pragma once
// A platform that writes down, in one line of text, everything the windows do that the user or
// the system could see, and lets a test raise their events by name. A small model of the disc
// lets directory changes and program starts fail as they would.

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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
    std::string log;  // "load Form1; show Form1; Label1 black; chdir E:\quin\; shell E:\quin\quin.exe 1 in E:\quin\"
    std::set<std::wstring> disc;  // full paths of the folders and programs that exist
    std::wstring currentDirectory = L"C:\\";

    void Note(const std::string& entry) { log += (log.empty() ? "" : "; ") + entry; }
    std::vector<Form*> Loaded() const {
        std::vector<Form*> loaded;
        for (const auto& [name, state] : forms_) loaded.push_back(state.form);
        return loaded;
    }
    // The window the user sees and acts on, or nullptr.
    Form* Up() const {
        for (const auto& [name, state] : forms_) {
            if (state.visible) return state.form;
        }
        return nullptr;
    }

    // Events in the window that is up, separated by "; ": "move Label2", "click Command1", "check Check1 0",
    // "key Tab" (Tab BackTab Up Down Enter Space Esc), "altf4", "inbox" (Alt+F4 once a message box is up).
    void Raise(const std::string& events) {
        std::istringstream list(events);
        for (std::string event; std::getline(list >> std::ws, event, ';');) {
            std::string verb, target, argument;
            std::istringstream(event) >> verb >> target >> argument;
            if (verb == "inbox") whileMessageBoxShows_ = "altf4";
            Form* form = Up();
            if (!form || verb == "inbox") continue;
            Control* control = nullptr;
            for (int i = 0; i < static_cast<int>(form->Layout().controls.size()); ++i) {
                if (form->Layout().controls[i].name == target) control = form->ControlAt(i);
            }
            if (verb == "move") MouseMoved(*control);
            if (verb == "click") Clicked(*control);
            if (verb == "check") StateOf(*control).value = std::stoi(argument);
            if (verb == "altf4") CloseFromKeyboard(*form);
            if (verb != "key") continue;
            const std::string keys[] = {"Tab", "BackTab", "Up", "Down", "Enter", "Space", "Esc"};
            const auto key = static_cast<Key>(std::find(keys, keys + 7, target) - keys);
            Control* focused = forms_[Name(*form)].focused;
            if (!KeyPressed(*form, focused, key)) Note(target + " to " + (focused ? Name(*focused) : Name(*form)));
        }
    }

    std::wstring Caption(const Control& control) const override { return StateOf(control).caption; }
    Colour ForeColor(const Control& control) const override { return StateOf(control).fore; }
    bool Visible(const Control& control) const override { return StateOf(control).visible; }
    int Value(const Control& control) const override { return StateOf(control).value; }

protected:
    void DoLoad(Form& form) override {
        forms_[Name(form)].form = &form;
        Note("load " + Name(form));
    }
    void DoShow(Form& form) override {
        forms_[Name(form)].visible = true;
        Note("show " + Name(form));
        Activated(form);  // showing makes the window the active one, as the real system does at once
    }
    void DoHide(Form& form) override {
        forms_[Name(form)].visible = false;
        Deactivated(form, forms_[Name(form)].focused);
        Note("hide " + Name(form));
    }
    void DoUnload(Form& form) override {
        forms_.erase(Name(form));
        Note("unload " + Name(form));
    }
    bool DoIsVisible(const Form& form) const override { return forms_.contains(Name(form)) && forms_.at(Name(form)).visible; }
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
        if (!disc.contains(Full(path))) throw RuntimeError{2, L"not found: " + Full(path)};
        Note("shell " + Utf8(Full(path)) + " " + std::to_string(windowStyle) + " in " + Utf8(currentDirectory));
    }
    void DoChDir(std::wstring_view path) override {
        if (!disc.contains(Full(path))) throw RuntimeError{3, L"not found: " + Full(path)};
        Note("chdir " + Utf8(currentDirectory = Full(path)));
    }
    void DoEnd() noexcept override {
        for (auto& [name, state] : forms_) state.visible = false;
        Note("end");
    }
    void DoFocus(Form& form, Control* control, bool tabbedInto) override {
        forms_[Name(form)].focused = control;
        const bool caret = tabbedInto && control && control->Layout().kind == ControlKind::TextBox;
        if (control) Note("focus " + Name(*control) + (caret ? " at start" : ""));
    }
    void DoSelected(Control& control) override { Note("selected " + Name(control)); }

private:
    struct ControlState { std::wstring caption; Colour fore; bool visible; int value; };
    struct FormState { Form* form = nullptr; bool visible = false; Control* focused = nullptr; };

    static std::string Name(const Form& form) { return std::string(form.Layout().name); }
    static std::string Name(const Control& control) { return std::string(control.Layout().name); }
    // Relative paths are taken from the menu's folder, which the double puts at M:\.
    static std::wstring Full(std::wstring_view path) {
        return path.size() >= 2 && path[1] == L':' ? std::wstring(path) : L"M:\\" + std::wstring(path);
    }
    // As the layout made it, until a handler changes it.
    ControlState& StateOf(const Control& control) const {
        if (!forms_.contains(Name(control.OwnerForm()))) {
            // On the real system the window is gone: a handler must not get this far.
            const_cast<RecordingPlatform*>(this)->Note("touched unloaded " + Name(control.OwnerForm()));
            throw std::logic_error("a control of a window that is not loaded");
        }
        const ControlLayout& row = control.Layout();
        return controls_.try_emplace(&control, std::wstring(row.text), row.fore, row.visible, row.value).first->second;
    }
    std::map<std::string, FormState> forms_;  // by name: each window exists at most once
    mutable std::map<const Control*, ControlState> controls_;
    std::string whileMessageBoxShows_;
};

}  // namespace platform
