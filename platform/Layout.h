#pragma once
// Window layouts as data: what the windows look like, separate from how they behave.
// Positions and sizes are in twips (1/1440 inch), relative to the container's client area.

#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

// &H00BBGGRR&: red in the lowest byte. Values from 0x80000000 up name a system colour
// by the index in their lowest byte.
using Colour = std::uint32_t;

inline constexpr Colour kBlack = 0x00000000;
inline constexpr Colour kRed = 0x000000FF;
inline constexpr Colour kSystemColour = 0x80000000;
inline constexpr Colour kDefaultColour = 0xFFFFFFFF;  // the platform's own for that kind of control

inline constexpr int kGreekCharset = 161;

enum class ControlKind { PictureBox, Label, TextBox, CheckBox, Button };

// Text boxes, check boxes and buttons have a window of their own, which takes the keyboard
// focus; labels and picture boxes are drawn by their form.
inline constexpr bool HasOwnWindow(ControlKind kind) {
    return kind == ControlKind::TextBox || kind == ControlKind::CheckBox || kind == ControlKind::Button;
}

// What a screen reader is told a label is.
enum class Role { StaticText, MenuItem, PushButton };

// What the picture shows under a label: the platform draws it itself where no picture is shown.
enum class Mark { None, ReturnArrow };

struct Font {
    std::wstring_view face;  // empty: the platform's default dialog font
    int centipoints = 0;     // 1425 for 14.25 pt
    bool bold = false;
    int charset = kGreekCharset;
};

inline constexpr int kOnForm = -1;

struct ControlLayout {
    std::string_view name;
    ControlKind kind = ControlKind::Label;
    std::wstring_view text;
    int left = 0, top = 0, width = 0, height = 0;
    int container = kOnForm;  // index of the containing picture box in the same table
    Font font;
    Colour back = kDefaultColour;
    Colour fore = kDefaultColour;
    bool transparent = false;  // labels: draw over the container's picture
    bool visible = true;
    int value = 0;              // check boxes: 0, 1 or 2
    int tabIndex = 0;
    int picture = 0;            // picture boxes: bitmap resource, 0 for none
    bool verticalScrollBar = false;  // text boxes are always multi-line
    bool cancel = false;             // Esc anywhere in the form clicks it
    Role role = Role::StaticText;    // labels, for screen readers
    Mark mark = Mark::None;          // labels over a picture
    std::wstring_view accessibleName;  // for screen readers, where the text does not say it
};

struct FormLayout {
    std::string_view name;
    std::wstring_view caption;
    bool titleBar = false;  // a caption bar with no system menu or buttons
    int clientWidth = 0, clientHeight = 0;
    int icon = 0;           // icon resource, 0 for none
    std::span<const ControlLayout> controls;
};

}  // namespace platform
