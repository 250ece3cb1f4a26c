#include "Win32Platform.h"

#include <windowsx.h>

#include <algorithm>

#include "Handles.h"
#include "platform/Decimal.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"QuintaralForm";
constexpr wchar_t kPictureClass[] = L"QuintaralPicture";
// Child window identifiers start above IDOK and IDCANCEL, which the dialog keys send.
constexpr int kFirstControlId = 100;
constexpr int kTwipsPerInch = 1440;
constexpr int kPictureDpi = 96;

int ToPixels(int twips, int dpi) { return MulDiv(twips, dpi, kTwipsPerInch); }

COLORREF Resolve(Colour colour, int defaultSystemColour) {
    if (colour == kDefaultColour) return GetSysColor(defaultSystemColour);
    if (colour & kSystemColour) return GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour);
}

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

// Some system messages name the file as "%1" (193: "%1 is not a valid Win32 application.");
// the file is the path that failed.
RuntimeError ErrorFor(DWORD error, const std::wstring& path) {
    std::wstring message = SystemMessage(error);
    if (const size_t insert = message.find(L"%1"); insert != std::wstring::npos) message.replace(insert, 2, path);
    return {error, message + L"\n" + path};
}

// The folder that holds the menu, with its trailing backslash.
std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// Paths without a drive or a leading backslash are taken from the menu's own folder, so
// that neither the search path nor the current directory can put another program there.
std::wstring FromProgramFolder(std::wstring_view path) {
    const bool hasDrive = path.size() >= 2 && path[1] == L':';
    const bool rooted = !path.empty() && (path[0] == L'\\' || path[0] == L'/');
    if (hasDrive || rooted) return std::wstring(path);
    return ProgramFolder() + std::wstring(path);
}

}  // namespace

// A window that paints a background, an optional picture and the labels it contains, and
// routes the pointer to them: the frame of a form, or a picture box.
struct Surface {
    NativeForm* owner = nullptr;
    int index = kOnForm;  // the picture box's row in the layout, or kOnForm for the frame
    HWND window = nullptr;
    SIZE size{};
    COLORREF background = 0;
    OwnedBitmap picture;
    SIZE pictureSize{};
    OwnedDc pictureDc;
    OwnedBitmap bufferBitmap;
    OwnedDc buffer;  // composed off screen, so a repaint never flickers
    Control* pressed = nullptr;
};

struct NativeControl {
    const ControlLayout* layout = nullptr;
    RECT rect{};
    HWND window = nullptr;
    HFONT font = nullptr;
    Surface* container = nullptr;
    HBRUSH background = nullptr;  // text boxes with a colour of their own
    std::wstring caption;
    Colour fore = kDefaultColour;
    bool visible = true;
};

struct NativeForm {
    Win32Platform* platform = nullptr;
    Form* form = nullptr;
    HWND frame = nullptr;
    std::vector<NativeControl> controls;
    std::vector<std::unique_ptr<Surface>> surfaces;  // the frame's first
    std::vector<std::pair<Font, OwnedFont>> fonts;
    std::vector<OwnedBrush> brushes;
    OwnedIcon bigIcon;
    OwnedIcon smallIcon;
};

namespace {

HFONT FontFor(NativeForm& native, const Font& wanted, int dpi) {
    static constexpr Font kDefaultFont{.face = L"MS Sans Serif", .centipoints = 825};
    const Font& font = wanted.face.empty() ? kDefaultFont : wanted;
    for (auto& [spec, owned] : native.fonts) {
        if (spec.face == font.face && spec.centipoints == font.centipoints && spec.bold == font.bold &&
            spec.charset == font.charset) {
            return owned.Get();
        }
    }
    LOGFONTW log{};
    log.lfHeight = -MulDiv(font.centipoints, dpi, 7200);
    log.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    log.lfCharSet = static_cast<BYTE>(font.charset);
    log.lfQuality = DEFAULT_QUALITY;
    font.face.copy(log.lfFaceName, std::min<size_t>(font.face.size(), LF_FACESIZE - 1));
    native.fonts.emplace_back(font, OwnedFont(CreateFontIndirectW(&log)));
    return native.fonts.back().second.Get();
}

Control* ControlOf(const NativeForm& native, size_t index) { return native.form->ControlAt(static_cast<int>(index)); }

// The label under `point`, else the picture box itself; nullptr over a bare frame.
Control* HitTest(const Surface& surface, POINT point) {
    const NativeForm& native = *surface.owner;
    for (size_t i = native.controls.size(); i-- > 0;) {
        const NativeControl& control = native.controls[i];
        if (control.container == &surface && control.layout->kind == ControlKind::Label && control.visible &&
            PtInRect(&control.rect, point)) {
            return ControlOf(native, i);
        }
    }
    return surface.index == kOnForm ? nullptr : ControlOf(native, static_cast<size_t>(surface.index));
}

void PaintContent(const Surface& surface, HDC target, const RECT& area) {
    HDC dc = surface.buffer.Get();
    SetBkColor(dc, surface.background);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    // Where the picture ends before the box does, the background shows.
    const RECT picture{0, 0, surface.pictureSize.cx, surface.pictureSize.cy};
    RECT shown;
    if (surface.picture && IntersectRect(&shown, &picture, &area)) {
        BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, surface.pictureDc.Get(),
               shown.left, shown.top, SRCCOPY);
    }
    SetBkMode(dc, TRANSPARENT);
    for (const NativeControl& control : surface.owner->controls) {
        RECT part;
        if (control.container != &surface || control.layout->kind != ControlKind::Label || !control.visible ||
            !IntersectRect(&part, &control.rect, &area)) {
            continue;
        }
        if (!control.layout->transparent) {
            SetBkColor(dc, Resolve(control.layout->back, COLOR_BTNFACE));
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &control.rect, nullptr, 0, nullptr);
        }
        Selected font(dc, control.font);
        SetTextColor(dc, Resolve(control.fore, COLOR_BTNTEXT));
        RECT rect = control.rect;
        DrawTextW(dc, control.caption.c_str(), static_cast<int>(control.caption.size()), &rect,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    }
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left, area.top,
           SRCCOPY);
}

void Invalidate(const NativeControl& control) {
    if (control.container && control.container->window) InvalidateRect(control.container->window, &control.rect, FALSE);
}

LRESULT HandleMessage(Surface& surface, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    NativeForm& native = *surface.owner;
    Platform& platform = *native.platform;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintContent(surface, dc, paint.rcPaint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (Control* control = HitTest(surface, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
            platform.MouseMoved(*control);
        }
        return 0;
    case WM_LBUTTONDOWN:
        surface.pressed = HitTest(surface, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        SetCapture(window);
        return 0;
    case WM_LBUTTONUP: {
        Control* pressed = std::exchange(surface.pressed, nullptr);
        if (GetCapture() == window) ReleaseCapture();
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client{0, 0, surface.size.cx, surface.size.cy};
        // The handler may destroy this window: nothing of the surface is touched after it.
        if (pressed && PtInRect(&client, point) && HitTest(surface, point) == pressed) platform.Clicked(*pressed);
        return 0;
    }
    case WM_CTLCOLOREDIT:
        for (const NativeControl& control : native.controls) {
            if (control.window == reinterpret_cast<HWND>(lParam) && control.background) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetBkColor(dc, Resolve(control.layout->back, COLOR_WINDOW));
                SetTextColor(dc, Resolve(control.fore, COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(control.background);
            }
        }
        break;
    case WM_ACTIVATE:
        if (surface.index == kOnForm && LOWORD(wParam) != WA_INACTIVE) platform.Activated(*native.form);
        break;
    case WM_CLOSE:
        if (surface.index == kOnForm) {
            platform.CloseFromKeyboard(*native.form);
            return 0;
        }
        break;
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kFirstControlId;
        if (surface.index == kOnForm && HIWORD(wParam) == BN_CLICKED && index >= 0 &&
            index < static_cast<int>(native.controls.size()) &&
            native.controls[index].layout->kind == ControlKind::Button) {
            if (Control* control = ControlOf(native, static_cast<size_t>(index))) platform.Clicked(*control);
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK SurfaceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* surface = static_cast<Surface*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        surface->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(surface));
    }
    auto* surface = reinterpret_cast<Surface*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (surface) surface->window = nullptr;
        surface = nullptr;
    }
    if (!surface || !surface->owner) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return HandleMessage(*surface, window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = SurfaceProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);
    windowClass.lpszClassName = kPictureClass;
    RegisterClassExW(&windowClass);
}

void PrepareSurface(Surface& surface, HINSTANCE instance, int pictureId, int dpi) {
    WindowDc screen(nullptr);
    surface.buffer.Reset(CreateCompatibleDC(screen.Get()));
    surface.bufferBitmap.Reset(CreateCompatibleBitmap(screen.Get(), surface.size.cx, surface.size.cy));
    SelectObject(surface.buffer.Get(), surface.bufferBitmap.Get());
    if (!pictureId) return;
    OwnedBitmap loaded(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(pictureId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (!loaded || !GetObjectW(loaded.Get(), sizeof info, &info)) return;
    surface.pictureDc.Reset(CreateCompatibleDC(screen.Get()));
    surface.pictureSize = {MulDiv(info.bmWidth, dpi, kPictureDpi), MulDiv(info.bmHeight, dpi, kPictureDpi)};
    if (dpi == kPictureDpi) {
        surface.picture = std::move(loaded);
    } else {
        // Stretched once, smoothly, so that the painted dots stay beside their entries.
        surface.picture.Reset(CreateCompatibleBitmap(screen.Get(), surface.pictureSize.cx, surface.pictureSize.cy));
        OwnedDc source(CreateCompatibleDC(screen.Get()));
        Selected sourceBitmap(source.Get(), loaded.Get());
        Selected targetBitmap(surface.pictureDc.Get(), surface.picture.Get());
        SetStretchBltMode(surface.pictureDc.Get(), HALFTONE);
        SetBrushOrgEx(surface.pictureDc.Get(), 0, 0, nullptr);
        StretchBlt(surface.pictureDc.Get(), 0, 0, surface.pictureSize.cx, surface.pictureSize.cy, source.Get(), 0, 0,
                   info.bmWidth, info.bmHeight, SRCCOPY);
    }
    SelectObject(surface.pictureDc.Get(), surface.picture.Get());
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance, ProcessApi& processes)
    : instance_(instance), processes_(processes), dpi_(kPictureDpi) {
    RegisterClasses(instance);
    WindowDc screen(nullptr);
    dpi_ = GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

Win32Platform::~Win32Platform() {
    // The forms may be gone already: their windows go quietly, without raising events.
    for (auto& [form, native] : forms_) {
        for (auto& surface : native->surfaces) surface->owner = nullptr;
        if (native->frame) DestroyWindow(native->frame);
    }
}

int Win32Platform::Run() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        const bool ours = std::any_of(forms_.begin(), forms_.end(), [root](const auto& entry) {
            return root && entry.second->frame == root;
        });
        // The dialog keys (Tab between the controls) work in every window of ours.
        if (!ours || !IsDialogMessageW(root, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        destroyed_.clear();
    }
    return static_cast<int>(message.wParam);
}

NativeForm& Win32Platform::NativeOf(const Form& form) const { return *forms_.at(&form); }

HWND Win32Platform::FrameOf(const Form& form) const { return NativeOf(form).frame; }

HWND Win32Platform::ContainerOf(const Control& control) const {
    const Surface* surface = NativeOf(control.OwnerForm()).controls[control.Index()].container;
    return surface ? surface->window : nullptr;
}

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
    for (const auto& [form, native] : forms_) {
        if (native->frame == active && IsWindowVisible(active)) return active;
    }
    for (const auto& [form, native] : forms_) {
        if (IsWindowVisible(native->frame)) return native->frame;
    }
    return nullptr;
}

void Win32Platform::DoLoad(Form& form) {
    const FormLayout& layout = form.Layout();
    auto owned = std::make_unique<NativeForm>();
    NativeForm& native = *owned;
    native.platform = this;
    native.form = &form;

    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | (layout.titleBar ? WS_CAPTION : WS_DLGFRAME);
    const DWORD exStyle = layout.titleBar ? WS_EX_DLGMODALFRAME : 0;
    RECT frame{0, 0, ToPixels(layout.clientWidth, dpi_), ToPixels(layout.clientHeight, dpi_)};
    const SIZE client{frame.right, frame.bottom};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    auto& frameSurface = *native.surfaces.emplace_back(std::make_unique<Surface>());
    frameSurface.owner = &native;
    frameSurface.size = client;
    frameSurface.background = GetSysColor(COLOR_BTNFACE);
    PrepareSurface(frameSurface, instance_, 0, dpi_);
    forms_[&form] = std::move(owned);

    const std::wstring caption(layout.caption);
    native.frame = CreateWindowExW(exStyle, kFormClass, caption.c_str(), style,
                                   (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                   (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                   instance_, &frameSurface);
    if (!native.frame) {
        const DWORD error = GetLastError();
        forms_.erase(&form);
        throw RuntimeError{error, SystemMessage(error)};
    }
    if (layout.icon) {
        auto loadIcon = [&](int size) {
            return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(layout.icon), IMAGE_ICON, size, size, 0));
        };
        native.bigIcon.Reset(loadIcon(GetSystemMetrics(SM_CXICON)));
        native.smallIcon.Reset(loadIcon(GetSystemMetrics(SM_CXSMICON)));
        SendMessageW(native.frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(native.bigIcon.Get()));
        SendMessageW(native.frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(native.smallIcon.Get()));
    }

    native.controls.resize(layout.controls.size());
    std::vector<std::pair<int, HWND>> tabOrder;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& row = layout.controls[i];
        NativeControl& control = native.controls[i];
        control.layout = &row;
        control.rect = {ToPixels(row.left, dpi_), ToPixels(row.top, dpi_), ToPixels(row.left + row.width, dpi_),
                        ToPixels(row.top + row.height, dpi_)};
        control.container = row.container == kOnForm ? &frameSurface : nullptr;
        for (const auto& surface : native.surfaces) {
            if (surface->index == row.container && row.container != kOnForm) control.container = surface.get();
        }
        control.caption = std::wstring(row.text);
        control.fore = row.fore;
        control.visible = row.visible;
        control.font = FontFor(native, row.font, dpi_);
        HWND parent = control.container ? control.container->window : native.frame;
        const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i));
        const int x = control.rect.left, y = control.rect.top;
        const int cx = control.rect.right - x, cy = control.rect.bottom - y;
        const DWORD shown = row.visible ? WS_VISIBLE : 0;
        switch (row.kind) {
        case ControlKind::PictureBox: {
            auto& surface = *native.surfaces.emplace_back(std::make_unique<Surface>());
            surface.owner = &native;
            surface.index = static_cast<int>(i);
            surface.size = {cx, cy};
            surface.background = Resolve(row.back, COLOR_WINDOW);
            PrepareSurface(surface, instance_, row.picture, dpi_);
            control.window = CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_CLIPCHILDREN | shown, x, y, cx, cy,
                                             parent, id, instance_, &surface);
            break;
        }
        case ControlKind::TextBox:
            if (row.back != kDefaultColour) {
                control.background =
                    native.brushes.emplace_back(CreateSolidBrush(Resolve(row.back, COLOR_WINDOW))).Get();
            }
            control.window = CreateWindowExW(
                WS_EX_CLIENTEDGE, L"EDIT", control.caption.c_str(),
                WS_CHILD | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | shown |
                    (row.verticalScrollBar ? WS_VSCROLL : 0),
                x, y, cx, cy, parent, id, instance_, nullptr);
            break;
        case ControlKind::CheckBox:
            control.window = CreateWindowExW(0, L"BUTTON", control.caption.c_str(),
                                             WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX | shown, x, y, cx, cy, parent, id,
                                             instance_, nullptr);
            SendMessageW(control.window, BM_SETCHECK, static_cast<WPARAM>(row.value), 0);
            break;
        case ControlKind::Button:
            control.window = CreateWindowExW(0, L"BUTTON", control.caption.c_str(),
                                             WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | shown, x, y, cx, cy, parent, id,
                                             instance_, nullptr);
            break;
        case ControlKind::Label:
            break;
        }
        if (control.window) {
            SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(control.font), FALSE);
            tabOrder.emplace_back(row.tabIndex, control.window);
        }
    }
    // The Tab key follows the z-order of sibling windows.
    std::stable_sort(tabOrder.begin(), tabOrder.end());
    HWND previous = HWND_TOP;
    for (const auto& [tabIndex, window] : tabOrder) {
        SetWindowPos(window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = window;
    }
}

void Win32Platform::DoShow(Form& form) {
    HWND frame = NativeOf(form).frame;
    ShowWindow(frame, SW_SHOW);
    SetForegroundWindow(frame);
}

void Win32Platform::DoHide(Form& form) { ShowWindow(NativeOf(form).frame, SW_HIDE); }

void Win32Platform::Destroy(const Form& form) noexcept {
    auto it = forms_.find(&form);
    if (it == forms_.end()) return;
    std::unique_ptr<NativeForm> native = std::move(it->second);
    forms_.erase(it);
    if (native->frame) DestroyWindow(native->frame);
    destroyed_.push_back(std::move(native));
}

void Win32Platform::DoUnload(Form& form) { Destroy(form); }

bool Win32Platform::DoIsVisible(const Form& form) const {
    auto it = forms_.find(&form);
    return it != forms_.end() && IsWindowVisible(it->second->frame);
}

std::wstring Win32Platform::Caption(const Control& control) const {
    const NativeControl& native = NativeOf(control.OwnerForm()).controls[control.Index()];
    if (!native.window) return native.caption;
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(native.window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(native.window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Win32Platform::DoSetCaption(Control& control, std::wstring_view text) {
    NativeControl& native = NativeOf(control.OwnerForm()).controls[control.Index()];
    native.caption = std::wstring(text);
    if (native.window) {
        SetWindowTextW(native.window, native.caption.c_str());
    } else {
        Invalidate(native);
    }
}

Colour Win32Platform::ForeColor(const Control& control) const {
    return NativeOf(control.OwnerForm()).controls[control.Index()].fore;
}

void Win32Platform::DoSetForeColor(Control& control, Colour colour) {
    NativeControl& native = NativeOf(control.OwnerForm()).controls[control.Index()];
    if (native.fore == colour) return;
    native.fore = colour;
    if (native.window) {
        InvalidateRect(native.window, nullptr, FALSE);
    } else {
        Invalidate(native);
    }
}

bool Win32Platform::Visible(const Control& control) const {
    return NativeOf(control.OwnerForm()).controls[control.Index()].visible;
}

void Win32Platform::DoSetVisible(Control& control, bool visible) {
    NativeControl& native = NativeOf(control.OwnerForm()).controls[control.Index()];
    if (native.visible == visible) return;
    native.visible = visible;
    if (native.window) {
        ShowWindow(native.window, visible ? SW_SHOWNA : SW_HIDE);
    } else {
        Invalidate(native);
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

void Win32Platform::DoEnd() noexcept {
    while (!forms_.empty()) Destroy(*forms_.begin()->first);
    PostQuitMessage(0);
}

}  // namespace platform::win32
