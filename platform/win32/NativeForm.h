#pragma once
// What the Win32 platform keeps for each window of the program, and the helpers its files
// share: painting, hit testing and the window procedure work on these.

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Handles.h"
#include "platform/Platform.h"

namespace platform::win32 {

class Win32Platform;

// Child window identifiers start above IDOK and IDCANCEL, which the dialog keys send.
inline constexpr int kFirstControlId = 100;
inline constexpr int kPictureDpi = 96;
inline constexpr wchar_t kFormClass[] = L"QuintaralForm";
// Posted to a form to click the control of layout row wParam once the current call is over.
inline constexpr UINT kClickLater = WM_APP + 1;

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
    void* accessible = nullptr;  // text boxes: what screen readers are given, once asked
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
    void* accessible = nullptr;  // what screen readers are given, once asked
};

// The system's text for an error code.
std::wstring SystemMessage(DWORD error);
COLORREF Resolve(Colour colour, int defaultSystemColour);
HFONT FontFor(NativeForm& native, const Font& wanted, int dpi);
Control* ControlOf(const NativeForm& native, size_t index);
// The picture box of layout row `row`; nullptr for kOnForm or a row that is none.
Pane* PaneOf(const NativeForm& native, int row);
// What the pointer is over: a label, else the picture box under it; nullptr over the bare form.
Control* HitTest(const NativeForm& native, POINT point);
void PaintContent(NativeForm& native, HDC target, const RECT& area);
// Repaints `rect` of the form, within the picture box `pane` where it lies in one.
void Invalidate(const NativeForm& native, const RECT& rect, const Pane* pane);
void LoadPicture(Pane& pane, HINSTANCE instance, int pictureId, int dpi);
void RegisterFormClass(HINSTANCE instance);
// Offers a key pressed in one of the form's windows to the form; true when the form took it.
bool PressKey(NativeForm& native, const MSG& message);
// The window procedure of text boxes with a name for screen readers; the system's own
// procedure is kept in the window's user data.
LRESULT CALLBACK TextBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::win32
