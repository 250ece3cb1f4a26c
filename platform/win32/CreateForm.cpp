// Creating a window and its controls from the form's layout table.
#include <algorithm>

#include "NativeForm.h"
#include "Win32Platform.h"

namespace platform::win32 {

namespace {

constexpr int kTwipsPerInch = 1440;

int ToPixels(int twips, int dpi) { return MulDiv(twips, dpi, kTwipsPerInch); }

}  // namespace

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
    forms_.push_back(std::move(owned));

    const std::wstring caption(layout.caption);
    CreateWindowExW(exStyle, kFormClass, caption.c_str(), style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr, instance_, &native);
    if (!native.frame) {
        const DWORD error = GetLastError();
        forms_.pop_back();
        throw RuntimeError{error, SystemMessage(error)};
    }
    // Loading the icons and handing them to the window system takes about as long as
    // painting the whole window: they follow once the window is on screen.
    native.iconsPending = layout.icon != 0;

    native.controls.resize(layout.controls.size());
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
        if (control.window && !row.accessibleName.empty()) {
            SetWindowLongPtrW(control.window, GWLP_USERDATA, GetWindowLongPtrW(control.window, GWLP_WNDPROC));
            SetWindowLongPtrW(control.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TextBoxProc));
        }
        if (control.window) {
            SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(control.font), FALSE);
        }
    }
    // The system's accessible objects list child windows in their z-order: the Tab order.
    HWND previous = HWND_TOP;
    for (int row : TabOrder(layout)) {
        HWND window = native.controls[static_cast<size_t>(row)].window;
        if (!window) continue;
        SetWindowPos(window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = window;
    }
    // Focus cues stay hidden until the keys are used, unless the user asked to see them always.
    BOOL alwaysCues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0);
    if (!alwaysCues) {
        SendMessageW(native.frame, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    }
}


}  // namespace platform::win32
