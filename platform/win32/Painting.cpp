// Painting and hit testing of what a form's window draws itself: its picture boxes and the
// labels above them.
#include <algorithm>

#include "NativeForm.h"

namespace platform::win32 {

COLORREF Resolve(Colour colour, int defaultSystemColour) {
    if (colour == kDefaultColour) return GetSysColor(defaultSystemColour);
    if (colour & kSystemColour) return GetSysColor(static_cast<int>(colour & 0xFF));
    return static_cast<COLORREF>(colour);
}

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

Pane* PaneOf(const NativeForm& native, int row) {
    for (const auto& pane : native.panes) {
        if (row >= 0 && pane->row == static_cast<size_t>(row)) return pane.get();
    }
    return nullptr;
}

namespace {

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

}  // namespace

// Picture boxes lie above the form's own labels, as windows lie above what their
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

namespace {

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

}  // namespace

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

void Invalidate(const NativeForm& native, const RECT& rect, const Pane* pane) {
    RECT shown = rect;
    if (pane && !IntersectRect(&shown, &rect, &pane->rect)) return;
    if (native.frame) InvalidateRect(native.frame, &shown, FALSE);
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
