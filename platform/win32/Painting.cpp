// Painting and hit testing of what a form's window draws itself: its picture boxes and the
// labels above them.
#include <algorithm>

#include "FormWindow.h"

namespace platform::win32 {

COLORREF Resolve(Colour colour, int defaultSystemColour) {
    if (colour == kDefaultColour) return GetSysColor(defaultSystemColour);
    if (colour & kSystemColour) return GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour);
}

Pane* FormWindow::PaneOf(int row) const {
    for (const auto& pane : panes_) {
        if (row >= 0 && pane->row == static_cast<size_t>(row)) return pane.get();
    }
    return nullptr;
}

namespace {

bool IsLabel(const NativeControl& control) { return control.layout->kind == ControlKind::Label; }

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
    for (const NativeControl& control : controls_) {
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

void FormWindow::PaintPane(const Pane& pane, HDC dc, const RECT& area) const {
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
    SetBkColor(dc, background_);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    PaintLabels(nullptr, dc, area);
    for (const auto& pane : panes_) PaintPane(*pane, dc, area);
    BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, dc, area.left, area.top,
           SRCCOPY);
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
