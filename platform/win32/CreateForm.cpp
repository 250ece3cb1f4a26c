// Creating a window and its controls from the form's layout table.
#include <algorithm>

#include "FormWindow.h"

namespace platform::win32 {

namespace {

constexpr int kTwipsPerInch = 1440;

}  // namespace

FormWindow::FormWindow(Platform& platform, Form& form, HINSTANCE instance, int dpi)
    : platform_(platform), form_(form), dpi_(dpi), controls_(form.Layout().controls.size()) {
    const FormLayout& layout = form.Layout();
    highContrast_ = HighContrastOn();
    // The picture boxes first: the controls they hold are placed inside them.
    CreatePanes(instance);
    CreateFrame(instance);
    // Loading the icons and handing them to the window system takes about as long as
    // painting the whole window: they follow once the window is on screen.
    iconsPending_ = layout.icon != 0;
    try {
        for (size_t i = 0; i < controls_.size(); ++i) CreateControl(i, instance);
        for (int row : TabOrder(layout)) {
            if (layout.controls[static_cast<size_t>(row)].kind != ControlKind::PictureBox) children_.push_back(row);
        }
    } catch (...) {
        quiet_ = true;
        DestroyWindow(frame_);  // no window may outlive its object
        throw;
    }
    OrderChildWindows();
    // Focus cues stay hidden until the keys are used, unless the user asked to see them always.
    BOOL alwaysCues = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &alwaysCues, 0);
    if (!alwaysCues) SendMessageW(frame_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

int FormWindow::ToPixels(int twips) const { return MulDiv(twips, dpi_, kTwipsPerInch); }

void FormWindow::CreateFrame(HINSTANCE instance) {
    const FormLayout& layout = form_.Layout();
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | (layout.titleBar ? WS_CAPTION : WS_DLGFRAME);
    const DWORD exStyle = layout.titleBar ? WS_EX_DLGMODALFRAME : 0;
    client_ = {ToPixels(layout.clientWidth), ToPixels(layout.clientHeight)};
    RECT frame{0, 0, client_.cx, client_.cy};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const std::wstring caption(layout.caption);
    CreateWindowExW(exStyle, kFormClass, caption.c_str(), style, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr, instance, this);
    if (!frame_) {
        const DWORD error = GetLastError();
        throw RuntimeError{error, SystemMessage(error)};
    }
}

void FormWindow::CreatePanes(HINSTANCE instance) {
    const auto& rows = form_.Layout().controls;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ControlLayout& row = rows[i];
        if (row.kind != ControlKind::PictureBox) continue;
        Pane& pane = *panes_.emplace_back(std::make_unique<Pane>());
        pane.row = i;
        pane.rect = {ToPixels(row.left), ToPixels(row.top), ToPixels(row.left + row.width),
                     ToPixels(row.top + row.height)};
        pane.visible = row.visible;
        if (row.picture) LoadPicture(pane, instance, row.picture, dpi_);
    }
}

void FormWindow::CreateControl(size_t index, HINSTANCE instance) {
    const ControlLayout& row = form_.Layout().controls[index];
    NativeControl& control = controls_[index];
    control.layout = &row;
    control.pane = PaneOf(row.container);
    const POINT origin = control.pane ? POINT{control.pane->rect.left, control.pane->rect.top} : POINT{0, 0};
    control.rect = {origin.x + ToPixels(row.left), origin.y + ToPixels(row.top),
                    origin.x + ToPixels(row.left + row.width), origin.y + ToPixels(row.top + row.height)};
    control.caption = std::wstring(row.text);
    control.fore = row.fore;
    control.visible = row.visible;
    control.font = FontFor(row.font);
    control.window = CreateChildWindow(control, index, instance);
    if (!control.window) return;
    if (!row.accessibleName.empty()) {
        SetWindowLongPtrW(control.window, GWLP_USERDATA, GetWindowLongPtrW(control.window, GWLP_WNDPROC));
        SetWindowLongPtrW(control.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TextBoxProcedure));
    }
    SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(control.font), FALSE);
}

// The window of a text box, check box or button; nullptr for the controls that the form draws.
HWND FormWindow::CreateChildWindow(NativeControl& control, size_t index, HINSTANCE instance) {
    const ControlLayout& row = *control.layout;
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index));
    const int x = control.rect.left, y = control.rect.top;
    const int cx = control.rect.right - x, cy = control.rect.bottom - y;
    const bool paneShown = !control.pane || control.pane->visible;
    const DWORD style = WS_CHILD | WS_TABSTOP | (row.visible && paneShown ? WS_VISIBLE : 0);
    const wchar_t* text = control.caption.c_str();
    switch (row.kind) {
    case ControlKind::TextBox:
        if (IsFixed(row.back)) control.background = brushes_.emplace_back(CreateSolidBrush(row.back)).Get();
        return CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text,
                               style | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN |
                                   (row.verticalScrollBar ? WS_VSCROLL : 0),
                               x, y, cx, cy, frame_, id, instance, nullptr);
    case ControlKind::CheckBox: {
        HWND box = CreateWindowExW(0, L"BUTTON", text, style | BS_AUTOCHECKBOX, x, y, cx, cy, frame_, id, instance,
                                   nullptr);
        SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(row.value), 0);
        return box;
    }
    case ControlKind::Button:
        return CreateWindowExW(0, L"BUTTON", text, style | BS_PUSHBUTTON, x, y, cx, cy, frame_, id, instance, nullptr);
    case ControlKind::PictureBox:
    case ControlKind::Label:
        break;
    }
    return nullptr;
}

// The system's accessible objects list child windows in their z-order: the Tab order.
void FormWindow::OrderChildWindows() {
    HWND previous = HWND_TOP;
    for (int row : TabOrder(form_.Layout())) {
        HWND window = controls_[static_cast<size_t>(row)].window;
        if (!window) continue;
        SetWindowPos(window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = window;
    }
}

HFONT FormWindow::FontFor(const Font& wanted) {
    // The system's dialog font: the logical face that Windows maps to the shell font of its own language (MS Sans
    // Serif on 95 and NT 4, Microsoft Sans Serif from 2000 on), so that Greek reads right under any language. Named
    // MS Sans Serif, a Greek system takes its Greek bitmap font, which Wine 10 draws with the accents misplaced.
    static constexpr Font kDefaultFont{.face = L"MS Shell Dlg", .centipoints = 825};
    const Font& font = wanted.face.empty() ? kDefaultFont : wanted;
    for (auto& [spec, owned] : fonts_) {
        if (spec.face == font.face && spec.centipoints == font.centipoints && spec.bold == font.bold &&
            spec.charset == font.charset) {
            return owned.Get();
        }
    }
    LOGFONTW log{};
    log.lfHeight = -MulDiv(font.centipoints, dpi_, 7200);
    log.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    log.lfCharSet = static_cast<BYTE>(font.charset);
    log.lfQuality = DEFAULT_QUALITY;
    font.face.copy(log.lfFaceName, std::min<size_t>(font.face.size(), LF_FACESIZE - 1));
    fonts_.emplace_back(font, OwnedFont(CreateFontIndirectW(&log)));
    return fonts_.back().second.Get();
}

}  // namespace platform::win32
