#pragma once
// A platform that writes down, in one line of text, everything the windows do that the user or
// the system could see, and lets a test raise their events by name, on a disc that lacks `missing`.

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace platform {

class RecordingPlatform final : public Platform {
public:
    std::wstring log;  // "load Form1; show Form1; Label1 black; chdir E:\quin\; shell E:\quin\quin.exe 1; end"
    std::wstring missing;  // a folder or program

    // Events in the window that is up, separated by "; ": "move Label2", "click Command1", "check Check1 0", "key Tab",
    // "altf4", "inbox click Command1" (the event once a message box is up), "fail 5" (a handler fails with error 5;
    // "fail -" with the exception std::stoul throws).
    void Raise(const std::wstring& events) {
        std::wistringstream list(events);
        for (std::wstring event; std::getline(list >> std::ws, event, L';');) {
            std::wstring verb, target, argument;
            std::wistringstream(event) >> verb >> target >> argument;
            Form* form = Up();
            if (verb == L"inbox") whileMessageBoxShows_ = event.substr(event.find(verb) + 6);
            if (!form || verb == L"inbox") continue;
            const auto& rows = form->Layout().controls;
            const auto row = std::ranges::find(rows, target, [](const ControlLayout& row) { return Wide(row.name); });
            Control* control = form->ControlAt(static_cast<int>(row - rows.begin()));
            if (verb == L"move") MouseMoved(*control);
            if (verb == L"click") Clicked(*control);
            if (verb == L"check") StateOf(*control).value = std::stoi(argument);
            if (verb == L"altf4") CloseRequested(*form);
            if (verb == L"fail") Dispatch([&] { throw RuntimeError{std::stoul(target), L"failed"}; });
            if (verb != L"key") continue;
            const auto key = static_cast<Key>(std::ranges::find(kKeys, target) - kKeys);
            Control* focused = windows_[Name(*form)].focused;
            if (!KeyPressed(*form, focused, key)) Note(target + L" to " + (focused ? Name(*focused) : Name(*form)));
        }
    }

    std::wstring Caption(const Control& control) const override { return StateOf(control).caption; }
    Colour ForeColor(const Control& control) const override { return StateOf(control).fore; }
    bool Visible(const Control& control) const override { return StateOf(control).visible; }
    int Value(const Control& control) const override { return StateOf(control).value; }

protected:
    void DoLoad(Form& form) override { windows_[Name(form)].form = &form; Note(L"load " + Name(form)); }
    void DoShow(Form& form) override {
        windows_[Name(form)].visible = true;
        Note(L"show " + Name(form));
        Activated(form);  // showing makes the window the active one, as the real system does at once
    }
    void DoHide(Form& form) override {
        windows_[Name(form)].visible = false;
        Deactivated(form, windows_[Name(form)].focused);
        Note(L"hide " + Name(form));
    }
    void DoUnload(Form& form) override { windows_.erase(Name(form)); Note(L"unload " + Name(form)); }
    bool DoIsVisible(const Form& form) const override { return windows_.at(Name(form)).visible; }
    void DoSetCaption(Control& control, std::wstring_view text) override {
        if (std::exchange(StateOf(control).caption, text) != text) Note(Name(control) + L" = " + std::wstring(text));
    }
    void DoSetForeColor(Control& control, Colour colour) override {
        if (std::exchange(StateOf(control).fore, colour) != colour)
            Note(Name(control) + (colour == kRed ? L" red" : colour == kBlack ? L" black" : L" other"));
    }
    void DoSetVisible(Control& control, bool visible) override {
        if (std::exchange(StateOf(control).visible, visible) != visible)
            Note(Name(control) + (visible ? L" shown" : L" hidden"));
    }
    void DoMsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) override {
        Note(L"msgbox " + std::wstring(title) + L" " + std::to_wstring(buttons) + L": " + std::wstring(prompt));
        Raise(std::exchange(whileMessageBoxShows_, L""));
    }
    void DoShell(std::wstring_view path, int windowStyle) override {
        if (path == missing) throw RuntimeError{2, L"not found: " + missing};
        Note(L"shell " + std::wstring(path) + L" " + std::to_wstring(windowStyle));
    }
    void DoChDir(std::wstring_view path) override {
        if (path == missing) throw RuntimeError{3, L"not found: " + missing};
        Note(L"chdir " + std::wstring(path));
    }
    // The windows stay up, so that messages that arrive late can still reach them.
    void DoEnd() noexcept override { Note(L"end"); }
    void DoFocus(Form& form, Control* control, bool tabbedInto) override {
        windows_[Name(form)].focused = control;
        const bool caret = tabbedInto && control && control->Layout().kind == ControlKind::TextBox;
        if (control) Note(L"focus " + Name(*control) + (caret ? L" at start" : L""));
    }
    void DoSelected(Control& control) override { Note(L"selected " + Name(control)); }

private:
    struct Window { Form* form = nullptr; bool visible = false; Control* focused = nullptr; };
    struct ControlState { std::wstring caption; Colour fore; bool visible; int value; };
    static constexpr const wchar_t* kKeys[] = {L"Tab", L"BackTab", L"Up", L"Down", L"Enter", L"Space", L"Esc"};

    static std::wstring Wide(std::string_view text) { return {text.begin(), text.end()}; }
    template <class T> static std::wstring Name(const T& thing) { return Wide(thing.Layout().name); }
    void Note(const std::wstring& entry) { log += (log.empty() ? L"" : L"; ") + entry; }
    // The window the user sees and acts on, or nullptr.
    Form* Up() const {
        const auto up = std::ranges::find_if(windows_, [](const auto& window) { return window.second.visible; });
        return up == windows_.end() ? nullptr : up->second.form;
    }
    // As the layout made it, until a handler changes it.
    ControlState& StateOf(const Control& control) const {
        // On the real system the window is gone: a handler must not get this far.
        if (!windows_.contains(Name(control.OwnerForm()))) const_cast<std::wstring&>(log) += L"; touched unloaded";
        const ControlLayout& row = control.Layout();
        return controls_.try_emplace(&control, std::wstring(row.text), row.fore, row.visible, row.value).first->second;
    }

    std::map<std::wstring, Window> windows_;  // the loaded ones by name: each exists at most once
    mutable std::map<const Control*, ControlState> controls_;
    std::wstring whileMessageBoxShows_;
};

}  // namespace platform
