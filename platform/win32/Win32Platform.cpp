#include "Win32Platform.h"

#include <algorithm>

#include "Accessible.h"
#include "NativeForm.h"
#include "platform/Decimal.h"

namespace platform::win32 {

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"Error " + Decimal(error) + L".";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
        message.pop_back();
    }
    return message;
}

namespace {

// Some system messages name the file as "%1" (193: "%1 is not a valid Win32 application.");
// the file is the path that failed.
RuntimeError ErrorFor(DWORD error, const std::wstring& path) {
    std::wstring message = SystemMessage(error);
    if (const size_t insert = message.find(L"%1"); insert != std::wstring::npos) message.replace(insert, 2, path);
    return {error, message + L"\n" + path};
}

}  // namespace


Win32Platform::Win32Platform(HINSTANCE instance, ProcessApi& processes)
    : instance_(instance), processes_(processes), dpi_(kPictureDpi) {
    RegisterFormClass(instance);
    WindowDc screen(nullptr);
    dpi_ = GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

Win32Platform::~Win32Platform() {
    // The forms may be gone already: their windows go quietly, without raising events.
    for (const auto& native : forms_) {
        if (!native->frame) continue;
        SetWindowLongPtrW(native->frame, GWLP_USERDATA, 0);
        DestroyWindow(native->frame);
    }
}

int Win32Platform::Run() {
    MSG message{};
    for (;;) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            FinishWhenIdle();
            if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        } else if (message.message == WM_QUIT) {
            break;
        }
        HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        const auto form = std::find_if(forms_.begin(), forms_.end(),
                                       [root](const auto& native) { return root && native->frame == root; });
        // The form goes through its controls with the keys itself: the system's dialog keys
        // know nothing of labels, select a whole text on Tab and let Esc in a text close it.
        if (form == forms_.end() || !PressKey(**form, message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        destroyed_.clear();
    }
    return static_cast<int>(message.wParam);
}

void Win32Platform::FinishWhenIdle() {
    for (const auto& native : forms_) {
        if (!std::exchange(native->iconsPending, false)) continue;
        const int icon = native->form->Layout().icon;
        auto loadIcon = [&](int size) {
            return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(icon), IMAGE_ICON, size, size, 0));
        };
        native->bigIcon.Reset(loadIcon(GetSystemMetrics(SM_CXICON)));
        native->smallIcon.Reset(loadIcon(GetSystemMetrics(SM_CXSMICON)));
        SendMessageW(native->frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(native->bigIcon.Get()));
        SendMessageW(native->frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(native->smallIcon.Get()));
    }
}

NativeForm* Win32Platform::Find(const Form& form) const {
    for (const auto& native : forms_) {
        if (native->form == &form) return native.get();
    }
    return nullptr;
}

NativeForm& Win32Platform::NativeOf(const Form& form) const {
    if (NativeForm* native = Find(form)) return *native;
    throw RuntimeError{ERROR_INVALID_WINDOW_HANDLE, SystemMessage(ERROR_INVALID_WINDOW_HANDLE)};
}

HWND Win32Platform::FrameOf(const Form& form) const { return NativeOf(form).frame; }

HWND Win32Platform::ContainerOf(const Control& control) const { return NativeOf(control.OwnerForm()).frame; }

HWND Win32Platform::WindowOf(const Control& control) const {
    return NativeOf(control.OwnerForm()).controls[control.Index()].window;
}

RECT Win32Platform::RectOf(const Control& control) const {
    return NativeOf(control.OwnerForm()).controls[control.Index()].rect;
}

HFONT Win32Platform::FontOf(const Control& control) const {
    return NativeOf(control.OwnerForm()).controls[control.Index()].font;
}

HWND Win32Platform::ActiveFrame() const {
    HWND active = GetActiveWindow();
    for (const auto& native : forms_) {
        if (native->frame == active && IsWindowVisible(active)) return active;
    }
    for (const auto& native : forms_) {
        if (IsWindowVisible(native->frame)) return native->frame;
    }
    return nullptr;
}

void Win32Platform::DoShow(Form& form) {
    HWND frame = NativeOf(form).frame;
    ShowWindow(frame, SW_SHOW);
    SetForegroundWindow(frame);
}

void Win32Platform::DoHide(Form& form) { ShowWindow(NativeOf(form).frame, SW_HIDE); }

void Win32Platform::Destroy(const Form& form) noexcept {
    auto it = std::find_if(forms_.begin(), forms_.end(), [&](const auto& native) { return native->form == &form; });
    if (it == forms_.end()) return;
    std::unique_ptr<NativeForm> native = std::move(*it);
    forms_.erase(it);
    if (native->frame) DestroyWindow(native->frame);
    destroyed_.push_back(std::move(native));
}

void Win32Platform::DoUnload(Form& form) { Destroy(form); }

bool Win32Platform::DoIsVisible(const Form& form) const {
    const NativeForm* native = Find(form);
    return native && IsWindowVisible(native->frame);
}

std::wstring Win32Platform::Caption(const Control& control) const {
    const NativeControl& native = NativeOf(control.OwnerForm()).controls[control.Index()];
    if (!native.window) return native.caption;
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(native.window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(native.window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Win32Platform::DoSetCaption(Control& control, std::wstring_view text) {
    NativeForm& form = NativeOf(control.OwnerForm());
    NativeControl& native = form.controls[control.Index()];
    native.caption = std::wstring(text);
    if (native.window) {
        SetWindowTextW(native.window, native.caption.c_str());
    } else {
        Invalidate(form, native.rect, native.pane);
    }
}

Colour Win32Platform::ForeColor(const Control& control) const {
    return NativeOf(control.OwnerForm()).controls[control.Index()].fore;
}

void Win32Platform::DoSetForeColor(Control& control, Colour colour) {
    NativeForm& form = NativeOf(control.OwnerForm());
    NativeControl& native = form.controls[control.Index()];
    if (native.fore == colour) return;
    native.fore = colour;
    if (native.window) {
        InvalidateRect(native.window, nullptr, FALSE);
    } else {
        Invalidate(form, native.rect, native.pane);
    }
}

bool Win32Platform::Visible(const Control& control) const {
    return NativeOf(control.OwnerForm()).controls[control.Index()].visible;
}

void Win32Platform::DoSetVisible(Control& control, bool visible) {
    NativeForm& form = NativeOf(control.OwnerForm());
    NativeControl& native = form.controls[control.Index()];
    if (native.visible == visible) return;
    native.visible = visible;
    if (native.window) {
        const bool paneShown = !native.pane || native.pane->visible;
        ShowWindow(native.window, visible && paneShown ? SW_SHOWNA : SW_HIDE);
        return;
    }
    Invalidate(form, native.rect, native.pane);
    // A picture box shows and hides what it holds.
    Pane* pane = PaneOf(form, control.Index());
    if (!pane) return;
    pane->visible = visible;
    for (const NativeControl& held : form.controls) {
        if (held.pane == pane && held.window) ShowWindow(held.window, visible && held.visible ? SW_SHOWNA : SW_HIDE);
    }
}

int Win32Platform::Value(const Control& control) const {
    HWND window = NativeOf(control.OwnerForm()).controls[control.Index()].window;
    return window ? static_cast<int>(SendMessageW(window, BM_GETCHECK, 0, 0)) : 0;
}

void Win32Platform::DoMsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) {
    const std::wstring text(prompt);
    const std::wstring caption(title);
    MessageBoxW(ActiveFrame(), text.c_str(), caption.c_str(), static_cast<UINT>(buttons) | MB_SETFOREGROUND);
}

void Win32Platform::DoShell(std::wstring_view path, int windowStyle) {
    const std::wstring program = FromProgramFolder(path);
    const DWORD error = StartProgram(processes_, program, windowStyle);
    if (error) throw ErrorFor(error, program);
}

void Win32Platform::DoChDir(std::wstring_view path) {
    const std::wstring folder = FromProgramFolder(path);
    if (!SetCurrentDirectoryW(folder.c_str())) throw ErrorFor(GetLastError(), folder);
}

void Win32Platform::DoFocus(Form& form, Control* control, bool tabbedInto) {
    NativeForm& native = NativeOf(form);
    HWND window = control ? native.controls[control->Index()].window : native.frame;
    SetFocus(window);
    if (tabbedInto && control && control->Layout().kind == ControlKind::TextBox) SendMessageW(window, EM_SETSEL, 0, 0);
}

void Win32Platform::DoSelected(Control& control) {
    const NativeForm& native = NativeOf(control.OwnerForm());
    NotifyWinEvent(EVENT_OBJECT_FOCUS, native.frame, OBJID_CLIENT, ChildIdOf(native, control));
}

void Win32Platform::DoEnd() noexcept {
    while (!forms_.empty()) Destroy(*forms_.front()->form);
    PostQuitMessage(0);
}

}  // namespace platform::win32
