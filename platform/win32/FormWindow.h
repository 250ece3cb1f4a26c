#pragma once
// The native window of one form, which owns it from creation to destruction: the labels and
// picture boxes it draws itself, the child windows of the other controls, the keys, and what
// screen readers are given of it. Its window procedure forwards to the object.

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Com.h"
#include "Handles.h"
#include "platform/Platform.h"

namespace platform::win32 {

// Child window identifiers start above IDOK and IDCANCEL, which the dialog keys send.
inline constexpr int kFirstControlId = 100;
inline constexpr int kPictureDpi = 96;
inline constexpr wchar_t kFormClass[] = L"QuintaralForm";

// A picture box. It has no window of its own: the form's window draws it, with its labels
// above it, so that a form appears in one paint of one window.
struct Pane {
    size_t row = 0;  // the picture box's row in the layout
    RECT rect{};     // in the form's client area
    bool visible = true;
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
    HBRUSH background = nullptr;  // text boxes with a fixed colour of their own
    std::wstring caption;
    Colour fore = kDefaultColour;
    bool visible = true;
    ComPtr<IAccessible> accessible;  // text boxes with a name: what screen readers are given, once asked
};

class FormWindow {
public:
    // The window of `form`, made from its layout and hidden; RuntimeError where the system
    // refuses it.
    FormWindow(Platform& platform, Form& form, HINSTANCE instance, int dpi);
    // The window goes, if it is still there, without a word to the form, which may be gone.
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    static void RegisterClass(HINSTANCE instance);
    // The object of one of the program's windows; nullptr for any other window.
    static FormWindow* FromHandle(HWND window);

    HWND Handle() const { return frame_; }
    Form& OwnerForm() const { return form_; }
    const NativeControl& ControlAt(size_t index) const { return controls_[index]; }
    // The window goes, telling the form as it goes (deactivation).
    void Destroy();

    // What the platform does with the controls (Controls.cpp).
    std::wstring Caption(size_t index) const;
    void SetCaption(size_t index, std::wstring_view text);
    void SetForeColor(size_t index, Colour colour);
    void SetVisible(size_t index, bool visible);
    int Value(size_t index) const;
    void Focus(const Control* control, bool tabbedInto);
    void KeysSelected(const Control& control);
    // The icons, which the window does not need in order to appear.
    void LoadIcons(HINSTANCE instance);
    // Offers a key pressed in one of the form's windows to the form; true when it took it.
    bool PressKey(const MSG& message);

    // What screen readers are told (Controls.cpp). The children are the labels and child
    // windows in the Tab order, picture boxes being only what the labels lie on; a child's
    // identifier is its place in that order plus one.
    LONG ChildCount() const { return static_cast<LONG>(children_.size()); }
    // The control of child `id`; nullptr for any other identifier.
    const NativeControl* Child(LONG id) const;
    LONG ChildIdOf(size_t index) const;
    // Shown on screen: itself, its picture box and the window.
    bool Shown(const NativeControl& control) const;
    // A label with a handler for its click, as a mouse or the keys click it.
    bool Clickable(const NativeControl& control) const;
    // A clickable label that is shown, its window not disabled by a message box: what a user could click now.
    bool Actionable(const NativeControl& label) const {
        return Clickable(label) && Shown(label) && IsWindowEnabled(frame_);
    }
    // The label that the keys have selected, as a child; CHILDID_SELF for none.
    LONG SelectedChild() const;
    // The label or child window at `point` of the client area, as a child; CHILDID_SELF for the
    // window itself (a picture box or the bare form).
    LONG ChildAt(POINT point) const;
    bool InClient(POINT point) const {
        return point.x >= 0 && point.y >= 0 && point.x < client_.cx && point.y < client_.cy;
    }
    // The label is clicked once the caller has returned, as by a mouse, if it still can be.
    void ClickLater(const NativeControl& label);
    // A screen reader puts the keyboard on the label, as the keys would.
    void Select(const NativeControl& label);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK TextBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnDestroyed() noexcept;
    // The system's colours (`colours`) or a setting changed: where that changed the look, every part is drawn anew.
    void OnSchemeChanged(bool colours);
    void OnPaint();
    void OnButtonUp(POINT point);
    LRESULT OnColourEdit(HDC dc, HWND edit);
    bool OnActivate(bool active);
    bool OnCommand(WPARAM wParam);
    Control* ControlOf(size_t index) const { return form_.ControlAt(static_cast<int>(index)); }
    Control* ControlWithWindow(HWND window) const;
    size_t IndexOf(const NativeControl& control) const { return static_cast<size_t>(&control - controls_.data()); }
    void Notify(DWORD event, LONG child) const;
    void Announce(LONG child);

    // Creation (CreateForm.cpp).
    void CreateFrame(HINSTANCE instance);
    void CreatePanes(HINSTANCE instance);
    void CreateControl(size_t index, HINSTANCE instance);
    HWND CreateChildWindow(NativeControl& control, size_t index, HINSTANCE instance);
    void OrderChildWindows();
    int ToPixels(int twips) const;
    HFONT FontFor(const Font& wanted);

    // Painting and hit testing (Painting.cpp).
    // What a label is drawn in: its text's colour and, where it is opaque, the plate behind it.
    struct Ink {
        COLORREF text;
        COLORREF plate;
        bool opaque;
    };
    Ink InkOf(const NativeControl& label, bool keys) const;
    void PaintContent(HDC target, const RECT& area);
    void PaintLabels(const Pane* pane, HDC dc, const RECT& area) const;
    void PaintPane(const Pane& pane, HDC dc, const RECT& area) const;
    Control* HitTest(POINT point) const;
    Control* LabelAt(const Pane* pane, POINT point) const;
    // Repaints `rect` of the form, within the picture box `pane` where it lies in one.
    void Invalidate(const RECT& rect, const Pane* pane) const;
    Pane* PaneOf(int row) const;
    void InvalidateSelection() const;

    Platform& platform_;
    Form& form_;
    const int dpi_;
    HWND frame_ = nullptr;
    bool quiet_ = false;  // going with the object: no message reaches the form any more
    SIZE client_{};
    bool highContrast_ = false;  // the system's high-contrast scheme is on: its colour pairs only
    std::vector<NativeControl> controls_;
    std::vector<size_t> children_;  // the rows that screen readers are given, in the Tab order
    std::vector<std::unique_ptr<Pane>> panes_;
    std::vector<std::pair<Font, OwnedFont>> fonts_;
    std::vector<OwnedBrush> brushes_;
    OwnedBitmap bufferBitmap_;
    OwnedDc buffer_;  // composed off screen, so a repaint never flickers; made at the first paint
    Control* pressed_ = nullptr;
    OwnedIcon bigIcon_;
    OwnedIcon smallIcon_;
    bool iconsPending_ = false;
    LONG announced_ = CHILDID_SELF;   // the label that screen readers were last told has the keyboard
    ComPtr<IAccessible> accessible_;  // what screen readers are given, once asked
};

// The system's text for an error code.
std::wstring SystemMessage(DWORD error);
COLORREF Resolve(Colour colour, int defaultSystemColour);
// A colour of its own, not the system's.
bool IsFixed(Colour colour);
// The text colour `text` resolved on its background: where it has none, a fixed background (a
// colour of its own, a picture) keeps the black it was chosen with whatever the system's scheme,
// any other takes the system's text colour `systemText` paired with it.
COLORREF TextColour(Colour text, bool fixedBackground, int systemText);
bool HighContrastOn();
void LoadPicture(Pane& pane, HINSTANCE instance, int pictureId, int dpi);

}  // namespace platform::win32
