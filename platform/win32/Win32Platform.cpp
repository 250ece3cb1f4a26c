#include "Win32Platform.h"

#include <algorithm>

#include "FormWindow.h"
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

// The key whose press a form acted on (Enter, Space, Esc), while it is held down; 0 for none. Its repeats
// do nothing, as with the system's buttons, wherever they arrive: in the window the press opened, or in
// a message box it brought up. One per program, as there is one keyboard and one window thread.
WPARAM g_heldKey = 0;

// True for a repeat of the held key, which is to go nowhere.
bool IsHeldKeyRepeat(const MSG& message) {
    if (message.message == WM_KEYUP && message.wParam == g_heldKey) g_heldKey = 0;
    constexpr LPARAM kWasDown = 1 << 30;
    return message.message == WM_KEYDOWN && message.wParam == g_heldKey && (message.lParam & kWasDown);
}

// True when the program has dealt with the message: a repeat of the held key, or a key that the form
// `form` went through its controls with itself (the system's dialog keys know nothing of labels, select a
// whole text on Tab and let Esc in a text close it).
bool TakeKey(const MSG& message, FormWindow* form) {
    if (IsHeldKeyRepeat(message)) return true;
    const WPARAM key = message.wParam;
    const bool actsOnce = message.message == WM_KEYDOWN && (key == VK_RETURN || key == VK_SPACE || key == VK_ESCAPE);
    // Held from before the form acts, which may bring up a message box.
    if (actsOnce) g_heldKey = key;
    if (form && form->PressKey(message)) return true;
    if (actsOnce) g_heldKey = 0;
    return false;
}

// Message boxes run their own loop: the held key's repeats are taken out of it here.
LRESULT CALLBACK FilterBoxMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && IsHeldKeyRepeat(*reinterpret_cast<MSG*>(lParam))) return TRUE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance, ProcessApi& processes)
    : instance_(instance), processes_(processes), dpi_(kPictureDpi) {
    FormWindow::RegisterClass(instance);
    WindowDc screen(nullptr);
    dpi_ = GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

// The windows that are left go with their objects, quietly: the forms may be gone already.
Win32Platform::~Win32Platform() = default;

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
                                       [root](const auto& window) { return root && window->Handle() == root; });
        if (!TakeKey(message, form == forms_.end() ? nullptr : form->get())) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        destroyed_.clear();
    }
    return static_cast<int>(message.wParam);
}

void Win32Platform::FinishWhenIdle() {
    for (const auto& window : forms_) window->LoadIcons(instance_);
}

FormWindow* Win32Platform::Find(const Form& form) const {
    for (const auto& window : forms_) {
        if (&window->OwnerForm() == &form) return window.get();
    }
    return nullptr;
}

FormWindow& Win32Platform::WindowOf(const Form& form) const {
    if (FormWindow* window = Find(form)) return *window;
    throw RuntimeError{ERROR_INVALID_WINDOW_HANDLE, SystemMessage(ERROR_INVALID_WINDOW_HANDLE)};
}

HWND Win32Platform::ActiveFrame() const {
    HWND active = GetActiveWindow();
    for (const auto& window : forms_) {
        if (window->Handle() == active && IsWindowVisible(active)) return active;
    }
    for (const auto& window : forms_) {
        if (IsWindowVisible(window->Handle())) return window->Handle();
    }
    return nullptr;
}

void Win32Platform::DoLoad(Form& form) { forms_.push_back(std::make_unique<FormWindow>(*this, form, instance_, dpi_)); }

void Win32Platform::DoShow(Form& form) {
    HWND frame = WindowOf(form).Handle();
    ShowWindow(frame, SW_SHOW);
    SetForegroundWindow(frame);
}

void Win32Platform::DoHide(Form& form) { ShowWindow(WindowOf(form).Handle(), SW_HIDE); }

void Win32Platform::Destroy(const Form& form) noexcept {
    auto it = std::find_if(forms_.begin(), forms_.end(),
                           [&](const auto& window) { return &window->OwnerForm() == &form; });
    if (it == forms_.end()) return;
    std::unique_ptr<FormWindow> window = std::move(*it);
    forms_.erase(it);
    window->Destroy();
    destroyed_.push_back(std::move(window));
}

void Win32Platform::DoUnload(Form& form) { Destroy(form); }

bool Win32Platform::DoIsVisible(const Form& form) const {
    const FormWindow* window = Find(form);
    return window && IsWindowVisible(window->Handle());
}

std::wstring Win32Platform::Caption(const Control& control) const {
    return WindowOf(control.OwnerForm()).Caption(control.Index());
}

void Win32Platform::DoSetCaption(Control& control, std::wstring_view text) {
    WindowOf(control.OwnerForm()).SetCaption(control.Index(), text);
}

Colour Win32Platform::ForeColor(const Control& control) const {
    return WindowOf(control.OwnerForm()).ControlAt(control.Index()).fore;
}

void Win32Platform::DoSetForeColor(Control& control, Colour colour) {
    WindowOf(control.OwnerForm()).SetForeColor(control.Index(), colour);
}

bool Win32Platform::Visible(const Control& control) const {
    return WindowOf(control.OwnerForm()).ControlAt(control.Index()).visible;
}

void Win32Platform::DoSetVisible(Control& control, bool visible) {
    WindowOf(control.OwnerForm()).SetVisible(control.Index(), visible);
}

int Win32Platform::Value(const Control& control) const { return WindowOf(control.OwnerForm()).Value(control.Index()); }

void Win32Platform::DoMsgBox(std::wstring_view prompt, int buttons, std::wstring_view title) {
    const std::wstring text(prompt);
    const std::wstring caption(title);
    HHOOK filter = SetWindowsHookExW(WH_MSGFILTER, FilterBoxMessage, nullptr, GetCurrentThreadId());
    MessageBoxW(ActiveFrame(), text.c_str(), caption.c_str(), static_cast<UINT>(buttons) | MB_SETFOREGROUND);
    if (filter) UnhookWindowsHookEx(filter);
}

void Win32Platform::DoShell(std::wstring_view path, int windowStyle) {
    const std::wstring program = FromProgramFolder(path);
    // The consent prompt, where the program needs one, comes up owned by the window in front (the dialog), not
    // behind it where the secure desktop is turned off.
    const DWORD error = StartProgram(processes_, program, windowStyle, ActiveFrame());
    if (error) throw ErrorFor(error, program);
}

void Win32Platform::DoChDir(std::wstring_view path) {
    const std::wstring folder = FromProgramFolder(path);
    // The current directory holds at most MAX_PATH - 1 characters with its final backslash, and no program started
    // could use a longer one (Wine takes one all the same).
    if (folder.size() + (folder.ends_with(L'\\') ? 0 : 1) >= MAX_PATH) {
        throw ErrorFor(ERROR_FILENAME_EXCED_RANGE, folder);
    }
    if (!SetCurrentDirectoryW(folder.c_str())) throw ErrorFor(GetLastError(), folder);
}

void Win32Platform::DoFocus(Form& form, Control* control, bool tabbedInto) {
    WindowOf(form).Focus(control, tabbedInto);
}

void Win32Platform::DoSelected(Control& control) { WindowOf(control.OwnerForm()).KeysSelected(control); }

void Win32Platform::DoEnd() noexcept {
    while (!forms_.empty()) Destroy(forms_.front()->OwnerForm());
    PostQuitMessage(0);
}

}  // namespace platform::win32
