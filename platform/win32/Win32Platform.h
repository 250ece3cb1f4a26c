#pragma once
// The platform on Win32: windows from the layout tables, labels and picture boxes painted by
// their form's window, programs started through the process-creation call.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "StartProgram.h"
#include "platform/Platform.h"

namespace platform::win32 {

class FormWindow;

class Win32Platform final : public Platform {
public:
    explicit Win32Platform(HINSTANCE instance, ProcessApi& processes = RealProcessApi());
    ~Win32Platform() override;

    // The event loop; returns when the program ends.
    int Run();
    // What a window does not need in order to appear (its icons), done once the queue is
    // empty and the windows are painted; Run calls it whenever the queue runs empty.
    void FinishWhenIdle();

    std::wstring Caption(const Control& control) const override;
    Colour ForeColor(const Control& control) const override;
    bool Visible(const Control& control) const override;
    int Value(const Control& control) const override;
    // The native window of `form`; RuntimeError where it has none.
    FormWindow& WindowOf(const Form& form) const;

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
    FormWindow* Find(const Form& form) const;
    void Destroy(const Form& form) noexcept;
    HWND ActiveFrame() const;

    HINSTANCE instance_;
    ProcessApi& processes_;
    int dpi_;
    std::vector<std::unique_ptr<FormWindow>> forms_;  // a handful: looked through in turn
    // Windows destroyed while one of their handlers still runs; freed by the event loop.
    std::vector<std::unique_ptr<FormWindow>> destroyed_;
};

}  // namespace platform::win32
