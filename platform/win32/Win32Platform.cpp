#include "Win32Platform.h"

#include <windowsx.h>

#include <algorithm>

#include "Handles.h"
#include "platform/Decimal.h"

namespace platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"QuintaralForm";
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

// A picture box. It has no window of its own: the form's window draws it, with its labels
// above it, so that a form appears in one paint of one window.
struct Pane {
    size_t row = 0;  // the picture box's row in the layout
    RECT rect{};     // in the form's client area
    bool visible = true;
    COLORREF background = 0;
    OwnedBitmap picture;
    SIZE pictureSize{};
    OwnedDc pictureDc;
};

struct NativeControl {
    const ControlLayout* layout = nullptr;
    RECT rect{};  // in the form's client area
    HWND window = nullptr;
    HFONT font = nullptr;
    Pane* pane = nullptr;         // the picture box that holds the control; nullptr on the form
    HBRUSH background = nullptr;  // text boxes with a colour of their own
    std::wstring caption;
    Colour fore = kDefaultColour;
    bool visible = true;
};

struct NativeForm {
    Win32Platform* platform = nullptr;
    Form* form = nullptr;
    HWND frame = nullptr;
    SIZE client{};
    COLORREF background = 0;
    std::vector<NativeControl> controls;
    std::vector<std::unique_ptr<Pane>> panes;
    std::vector<std::pair<Font, OwnedFont>> fonts;
    std::vector<OwnedBrush> brushes;
    OwnedBitmap bufferBitmap;
    OwnedDc buffer;  // composed off screen, so a repaint never flickers; made at the first paint
    Control* pressed = nullptr;
    OwnedIcon bigIcon;
    OwnedIcon smallIcon;
    bool iconsPending = false;
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

// The picture box of layout row `row`; nullptr for kOnForm or a row that is none.
Pane* PaneOf(const NativeForm& native, int row) {
    for (const auto& pane : native.panes) {
        if (row >= 0 && pane->row == static_cast<size_t>(row)) return pane.get();
    }
    return nullptr;
}

bool IsLabel(const NativeControl& control) { return control.layout->kind == ControlKind::Label; }

// The topmost visible label of `pane` (nullptr: of the form itself) under `point`.
Control* LabelAt(const NativeForm& native, const Pane* pane, POINT point) {
    for (size_t i = native.controls.size(); i-- > 0;) {
        const NativeControl& control = native.controls[i];
        if (control.pane == pane && IsLabel(control) && control.visible && PtInRect(&control.rect, point)) {
            return ControlOf(native, i);
        }
    }
    return nullptr;
}

// What the pointer is over: a label, else the picture box under it; nullptr over the bare
// form. Picture boxes lie above the form's own labels, as windows lie above what their
// parent draws.
Control* HitTest(const NativeForm& native, POINT point) {
    for (size_t i = native.panes.size(); i-- > 0;) {
        const Pane& pane = *native.panes[i];
        if (!pane.visible || !PtInRect(&pane.rect, point)) continue;
        if (Control* label = LabelAt(native, &pane, point)) return label;
        return ControlOf(native, pane.row);
    }
    return LabelAt(native, nullptr, point);
}

void PaintLabels(const NativeForm& native, const Pane* pane, HDC dc, const RECT& area) {
    for (const NativeControl& control : native.controls) {
        RECT part;
        if (control.pane != pane || !IsLabel(control) || !control.visible ||
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
}

void PaintPane(const NativeForm& native, const Pane& pane, HDC dc, const RECT& area) {
    RECT inside;
    if (!pane.visible || !IntersectRect(&inside, &pane.rect, &area)) return;
    SetBkColor(dc, pane.background);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &inside, nullptr, 0, nullptr);
    // Where the picture ends before the box does, the background shows.
    const RECT picture{pane.rect.left, pane.rect.top, pane.rect.left + pane.pictureSize.cx,
                       pane.rect.top + pane.pictureSize.cy};
    RECT shown;
    if (pane.picture && IntersectRect(&shown, &picture, &inside)) {
        BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, pane.pictureDc.Get(),
               shown.left - picture.left, shown.top - picture.top, SRCCOPY);
    }
    // A label ends where its picture box does.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, inside.left, inside.top, inside.right, inside.bottom);
    PaintLabels(native, &pane, dc, inside);
    RestoreDC(dc, saved);
}

void PaintContent(NativeForm& native, HDC target, const RECT& area) {
    if (IsRectEmpty(&area)) return;
    if (!native.buffer) {
        native.buffer.Reset(CreateCompatibleDC(target));
        native.bufferBitmap.Reset(CreateCompatibleBitmap(target, native.client.cx, native.client.cy));
        SelectObject(native.buffer.Get(), native.bufferBitmap.Get());
    }
    HDC dc = native.buffer.Get();
    SetBkColor(dc, native.background);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    PaintLabels(native, nullptr, dc, area);
    for (const auto& pane : native.panes) PaintPane(native, *pane, dc, area);
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left, area.top,
           SRCCOPY);
}

// Repaints `rect` of the form, within the picture box `pane` where it lies in one.
void Invalidate(const NativeForm& native, const RECT& rect, const Pane* pane) {
    RECT shown = rect;
    if (pane && !IntersectRect(&shown, &rect, &pane->rect)) return;
    if (native.frame) InvalidateRect(native.frame, &shown, FALSE);
}

LRESULT HandleMessage(NativeForm& native, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Platform& platform = *native.platform;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        PaintContent(native, dc, paint.rcPaint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (Control* control = HitTest(native, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
            platform.MouseMoved(*control);
        }
        return 0;
    case WM_LBUTTONDOWN:
        native.pressed = HitTest(native, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        SetCapture(window);
        return 0;
    case WM_LBUTTONUP: {
        Control* pressed = std::exchange(native.pressed, nullptr);
        if (GetCapture() == window) ReleaseCapture();
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client{0, 0, native.client.cx, native.client.cy};
        // The handler may destroy this window: nothing of the form is touched after it.
        if (pressed && PtInRect(&client, point) && HitTest(native, point) == pressed) platform.Clicked(*pressed);
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
        if (LOWORD(wParam) != WA_INACTIVE) platform.Activated(*native.form);
        break;
    case WM_CLOSE:
        platform.CloseFromKeyboard(*native.form);
        return 0;
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kFirstControlId;
        if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(native.controls.size()) &&
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

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* native = static_cast<NativeForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        native->frame = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(native));
    }
    auto* native = reinterpret_cast<NativeForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (native) native->frame = nullptr;
        native = nullptr;
    }
    if (!native) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return HandleMessage(*native, window, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FormProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);
}

void LoadPicture(Pane& pane, HINSTANCE instance, int pictureId, int dpi) {
    WindowDc screen(nullptr);
    OwnedBitmap loaded(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(pictureId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP info{};
    if (!loaded || !GetObjectW(loaded.Get(), sizeof info, &info)) return;
    pane.pictureDc.Reset(CreateCompatibleDC(screen.Get()));
    pane.pictureSize = {MulDiv(info.bmWidth, dpi, kPictureDpi), MulDiv(info.bmHeight, dpi, kPictureDpi)};
    if (dpi == kPictureDpi) {
        pane.picture = std::move(loaded);
    } else {
        // Stretched once, smoothly, so that the painted dots stay beside their entries.
        pane.picture.Reset(CreateCompatibleBitmap(screen.Get(), pane.pictureSize.cx, pane.pictureSize.cy));
        OwnedDc source(CreateCompatibleDC(screen.Get()));
        Selected sourceBitmap(source.Get(), loaded.Get());
        Selected targetBitmap(pane.pictureDc.Get(), pane.picture.Get());
        SetStretchBltMode(pane.pictureDc.Get(), HALFTONE);
        SetBrushOrgEx(pane.pictureDc.Get(), 0, 0, nullptr);
        StretchBlt(pane.pictureDc.Get(), 0, 0, pane.pictureSize.cx, pane.pictureSize.cy, source.Get(), 0, 0,
                   info.bmWidth, info.bmHeight, SRCCOPY);
    }
    SelectObject(pane.pictureDc.Get(), pane.picture.Get());
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
    for (auto& [form, native] : forms_) {
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

void Win32Platform::FinishWhenIdle() {
    for (auto& [form, native] : forms_) {
        if (!std::exchange(native->iconsPending, false)) continue;
        const int icon = form->Layout().icon;
        auto loadIcon = [&](int size) {
            return static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(icon), IMAGE_ICON, size, size, 0));
        };
        native->bigIcon.Reset(loadIcon(GetSystemMetrics(SM_CXICON)));
        native->smallIcon.Reset(loadIcon(GetSystemMetrics(SM_CXSMICON)));
        SendMessageW(native->frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(native->bigIcon.Get()));
        SendMessageW(native->frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(native->smallIcon.Get()));
    }
}

NativeForm& Win32Platform::NativeOf(const Form& form) const { return *forms_.at(&form); }

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

    native.client = client;
    native.background = GetSysColor(COLOR_BTNFACE);
    // The picture boxes first: the controls they hold are placed inside them.
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& row = layout.controls[i];
        if (row.kind != ControlKind::PictureBox) continue;
        Pane& pane = *native.panes.emplace_back(std::make_unique<Pane>());
        pane.row = i;
        pane.rect = {ToPixels(row.left, dpi_), ToPixels(row.top, dpi_), ToPixels(row.left + row.width, dpi_),
                     ToPixels(row.top + row.height, dpi_)};
        pane.visible = row.visible;
        pane.background = Resolve(row.back, COLOR_WINDOW);
        if (row.picture) LoadPicture(pane, instance_, row.picture, dpi_);
    }
    forms_[&form] = std::move(owned);

    const std::wstring caption(layout.caption);
    CreateWindowExW(exStyle, kFormClass, caption.c_str(), style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr, instance_, &native);
    if (!native.frame) {
        const DWORD error = GetLastError();
        forms_.erase(&form);
        throw RuntimeError{error, SystemMessage(error)};
    }
    // Loading the icons and handing them to the window system takes about as long as
    // painting the whole window: they follow once the window is on screen.
    native.iconsPending = layout.icon != 0;

    native.controls.resize(layout.controls.size());
    std::vector<std::pair<int, HWND>> tabOrder;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlLayout& row = layout.controls[i];
        NativeControl& control = native.controls[i];
        control.layout = &row;
        control.pane = PaneOf(native, row.container);
        const POINT origin = control.pane ? POINT{control.pane->rect.left, control.pane->rect.top} : POINT{0, 0};
        control.rect = {origin.x + ToPixels(row.left, dpi_), origin.y + ToPixels(row.top, dpi_),
                        origin.x + ToPixels(row.left + row.width, dpi_),
                        origin.y + ToPixels(row.top + row.height, dpi_)};
        control.caption = std::wstring(row.text);
        control.fore = row.fore;
        control.visible = row.visible;
        control.font = FontFor(native, row.font, dpi_);
        const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i));
        const int x = control.rect.left, y = control.rect.top;
        const int cx = control.rect.right - x, cy = control.rect.bottom - y;
        const bool paneShown = !control.pane || control.pane->visible;
        const DWORD shown = row.visible && paneShown ? WS_VISIBLE : 0;
        HWND parent = native.frame;
        switch (row.kind) {
        case ControlKind::PictureBox:
            break;
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

void Win32Platform::DoEnd() noexcept {
    while (!forms_.empty()) Destroy(*forms_.begin()->first);
    PostQuitMessage(0);
}

}  // namespace platform::win32
