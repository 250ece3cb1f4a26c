// Painting and hit testing of what a form's window draws itself: its picture boxes and the
// labels above them, in the form's own colours or, in high contrast, in the system's pairs.
#include <algorithm>
#include <iterator>

#include "FormWindow.h"

namespace platform::win32 {

COLORREF Resolve(Colour colour, int defaultSystemColour) {
    if (colour == kDefaultColour) return GetSysColor(defaultSystemColour);
    if (colour & kSystemColour) return GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour);
}

bool IsFixed(Colour colour) { return colour != kDefaultColour && !(colour & kSystemColour); }

bool HighContrastOn() {
    HIGHCONTRASTW scheme{.cbSize = sizeof scheme};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof scheme, &scheme, 0) &&
           (scheme.dwFlags & HCF_HIGHCONTRASTON);
}

COLORREF TextColour(Colour text, bool fixedBackground, int systemText) {
    return text == kDefaultColour && fixedBackground ? kBlack : Resolve(text, systemText);
}

Pane* FormWindow::PaneOf(int row) const {
    for (const auto& pane : panes_) {
        if (row >= 0 && pane->row == static_cast<size_t>(row)) return pane.get();
    }
    return nullptr;
}

namespace {

bool IsLabel(const NativeControl& control) { return control.layout->kind == ControlKind::Label; }

// The return arrow of the information window, curving back to the left, on a grid 14 wide and 13 high.
constexpr POINT kReturnArrow[] = {{0, 8}, {5, 3}, {5, 6}, {11, 6}, {11, 0}, {14, 0}, {14, 10}, {5, 10}, {5, 13}};

// The arrow in the pen and brush colour `colour`, centred in `rect` with a margin.
void DrawReturnArrow(HDC dc, const RECT& rect, COLORREF colour) {
    const int height = rect.bottom - rect.top, width = rect.right - rect.left;
    const int size = std::min(width * 13 / 14, height) * 3 / 4;
    const POINT origin{rect.left + (width - size * 14 / 13) / 2, rect.top + (height - size) / 2};
    POINT points[std::size(kReturnArrow)];
    for (size_t i = 0; i < std::size(points); ++i) {
        points[i] = {origin.x + MulDiv(kReturnArrow[i].x, size, 13), origin.y + MulDiv(kReturnArrow[i].y, size, 13)};
    }
    Selected pen(dc, GetStockObject(DC_PEN));
    Selected brush(dc, GetStockObject(DC_BRUSH));
    SetDCPenColor(dc, colour);
    SetDCBrushColor(dc, colour);
    Polygon(dc, points, static_cast<int>(std::size(points)));
}

}  // namespace

// The topmost visible label of `pane` (nullptr: of the form itself) under `point`.
Control* FormWindow::LabelAt(const Pane* pane, POINT point) const {
    for (size_t i = controls_.size(); i-- > 0;) {
        const NativeControl& control = controls_[i];
        if (control.pane == pane && IsLabel(control) && control.visible && PtInRect(&control.rect, point)) {
            return ControlOf(i);
        }
    }
    return nullptr;
}

// Picture boxes lie above the form's own labels, as windows lie above what their
// parent draws.
Control* FormWindow::HitTest(POINT point) const {
    for (size_t i = panes_.size(); i-- > 0;) {
        const Pane& pane = *panes_[i];
        if (!pane.visible || !PtInRect(&pane.rect, point)) continue;
        if (Control* label = LabelAt(&pane, point)) return label;
        return ControlOf(pane.row);
    }
    return LabelAt(nullptr, point);
}

void FormWindow::PaintLabels(const Pane* pane, HDC dc, const RECT& area) const {
    const Control* selected = form_.KeyboardSelection();
    const bool focusShown = selected && GetFocus() == frame_ &&
                            !(SendMessageW(frame_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    for (size_t i = 0; i < controls_.size(); ++i) {
        const NativeControl& control = controls_[i];
        RECT part;
        if (control.pane != pane || !IsLabel(control) || !control.visible ||
            !IntersectRect(&part, &control.rect, &area)) {
            continue;
        }
        const bool keys = selected == ControlOf(i);
        const Ink ink = InkOf(control, keys);
        if (ink.opaque) {
            SetBkColor(dc, ink.plate);
            ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &control.rect, nullptr, 0, nullptr);
        }
        Selected font(dc, control.font);
        SetTextColor(dc, ink.text);
        RECT rect = control.rect;
        DrawTextW(dc, control.caption.c_str(), static_cast<int>(control.caption.size()), &rect,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        if (highContrast_ && control.layout->mark == Mark::ReturnArrow) DrawReturnArrow(dc, control.rect, ink.text);
        // The keys' place shows without colour, as the system's own controls show it.
        if (keys && focusShown) DrawFocusRect(dc, &control.rect);
    }
}

// In the form's own look a label over a picture has the colour it was drawn for; in high contrast the
// system's pairs only, an entry lit by the pointer (red) or by the keys on the highlight's plate.
FormWindow::Ink FormWindow::InkOf(const NativeControl& label, bool keys) const {
    const ControlLayout& row = *label.layout;
    if (!label.pane) {  // on the form, as the dialog's own controls are drawn
        if (highContrast_) return {GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_BTNFACE), !row.transparent};
        const COLORREF plate = Resolve(row.back, COLOR_BTNFACE);
        return {TextColour(label.fore, IsFixed(row.back), COLOR_BTNTEXT), plate, !row.transparent};
    }
    if (!highContrast_) {
        return {TextColour(label.fore, static_cast<bool>(label.pane->picture), COLOR_WINDOWTEXT), 0, false};
    }
    if (Clickable(label) && (keys || label.fore == kRed)) {
        return {GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT), true};
    }
    return {GetSysColor(COLOR_WINDOWTEXT), 0, false};
}

void FormWindow::PaintPane(const Pane& pane, HDC dc, const RECT& area) const {
    RECT inside;
    if (!pane.visible || !IntersectRect(&inside, &pane.rect, &area)) return;
    SetBkColor(dc, highContrast_ ? GetSysColor(COLOR_WINDOW) : Resolve(form_.Layout().controls[pane.row].back,
                                                                         COLOR_WINDOW));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &inside, nullptr, 0, nullptr);
    // Where the picture ends before the box does, the background shows; in high contrast, nothing but
    // the background lies behind the text.
    const RECT picture{pane.rect.left, pane.rect.top, pane.rect.left + pane.pictureSize.cx,
                       pane.rect.top + pane.pictureSize.cy};
    RECT shown;
    if (pane.picture && !highContrast_ && IntersectRect(&shown, &picture, &inside)) {
        BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, pane.pictureDc.Get(),
               shown.left - picture.left, shown.top - picture.top, SRCCOPY);
    }
    // A label ends where its picture box does.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, inside.left, inside.top, inside.right, inside.bottom);
    PaintLabels(&pane, dc, inside);
    RestoreDC(dc, saved);
}

void FormWindow::PaintContent(HDC target, const RECT& area) {
    if (IsRectEmpty(&area)) return;
    if (!buffer_) {
        buffer_.Reset(CreateCompatibleDC(target));
        bufferBitmap_.Reset(CreateCompatibleBitmap(target, client_.cx, client_.cy));
        SelectObject(buffer_.Get(), bufferBitmap_.Get());
    }
    HDC dc = buffer_.Get();
    // Only the area is drawn anew: the focus rectangle, drawn by inverting, must not fall twice elsewhere.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    PaintLabels(nullptr, dc, area);
    for (const auto& pane : panes_) PaintPane(*pane, dc, area);
    RestoreDC(dc, saved);
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left, area.top,
           SRCCOPY);
}

void FormWindow::InvalidateSelection() const {
    if (const Control* selected = form_.KeyboardSelection()) {
        const NativeControl& label = controls_[static_cast<size_t>(selected->Index())];
        Invalidate(label.rect, label.pane);
    }
}

void FormWindow::Invalidate(const RECT& rect, const Pane* pane) const {
    RECT shown = rect;
    if (pane && !IntersectRect(&shown, &rect, &pane->rect)) return;
    if (frame_) InvalidateRect(frame_, &shown, FALSE);
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

}  // namespace platform::win32
