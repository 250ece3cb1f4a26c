// The three windows as they are laid out: creation order, twips, fonts, colours.

#include "Layouts.h"

#include "resource.h"

namespace {

using platform::ControlKind;
using platform::ControlLayout;
using platform::Font;

constexpr platform::Colour kWindowBackground = platform::kSystemColour | 5;  // COLOR_WINDOW
constexpr platform::Colour kWindowText = platform::kSystemColour | 8;        // COLOR_WINDOWTEXT
constexpr platform::Colour kPaleYellow = 0x00C0FFFF;

constexpr Font kMenuEntryFont{.face = L"Arial", .centipoints = 1425};
// The dialog font in bold: MS Sans Serif, named by the logical face that maps to it and to its successor under any
// system language (platform/win32/CreateForm.cpp says why).
constexpr Font kBoldDialogFont{.face = L"MS Shell Dlg", .centipoints = 825, .bold = true};

constexpr ControlLayout kForm1Controls[] = {
    {.name = "Picture1", .kind = ControlKind::PictureBox, .left = 0, .top = 0, .width = 6015, .height = 4515,
     .back = kWindowBackground, .fore = kWindowText, .tabIndex = 0, .picture = IDB_MENU_PICTURE},
    {.name = "Label4", .text = L"© 1999 Quintaral Software. Με την επιφύλαξη παντός δικαιώματος.",
     .left = 60, .top = 4230, .width = 5835, .height = 240, .container = 0, .transparent = true, .tabIndex = 4},
    {.name = "Label3", .text = L"Έξοδος", .left = 1260, .top = 3075, .width = 1395, .height = 315, .container = 0,
     .font = kMenuEntryFont, .transparent = true, .tabIndex = 3, .role = platform::Role::MenuItem},
    {.name = "Label2", .text = L"Πληροφορίες", .left = 1260, .top = 2340, .width = 1950, .height = 330,
     .container = 0, .font = kMenuEntryFont, .transparent = true, .tabIndex = 2, .role = platform::Role::MenuItem},
    {.name = "Label1", .text = L"Εγκατάσταση Εφαρμογής", .left = 1230, .top = 1605, .width = 3360, .height = 345,
     .container = 0, .font = kMenuEntryFont, .transparent = true, .tabIndex = 1, .role = platform::Role::MenuItem},
};

constexpr ControlLayout kEgatastControls[] = {
    {.name = "Command1", .kind = ControlKind::Button, .text = L"Συνέχεια", .left = 3720, .top = 1440,
     .width = 1335, .height = 375, .tabIndex = 3},
    {.name = "Check2", .kind = ControlKind::CheckBox, .text = L"      Κυρίως Πρόγραμμα", .left = 675, .top = 570,
     .width = 3255, .height = 255, .value = 1, .tabIndex = 1},
    {.name = "Check1", .kind = ControlKind::CheckBox, .text = L"      Βάση Χρηστών - Ερωτήσεων", .left = 675,
     .top = 1020, .width = 3255, .height = 255, .value = 1, .tabIndex = 0},
    {.name = "Label1", .text = L"Ποιά μέρη ακριβώς θα εγκαταστήσετε ;", .left = 240, .top = 120, .width = 4815,
     .height = 375, .font = kBoldDialogFont, .tabIndex = 2},
};

constexpr ControlLayout kForm2Controls[] = {
    {.name = "Picture1", .kind = ControlKind::PictureBox, .left = 0, .top = 0, .width = 6030, .height = 4545,
     .back = kWindowBackground, .fore = kWindowText, .tabIndex = 0, .picture = IDB_INFO_PICTURE},
    {.name = "Text1", .kind = ControlKind::TextBox,
     .text = L"Το πρόγραμμα εγκατάστασης είναι το SETUP.EXE\r\n"
             L"Για να τρέξει το πρόγραμμα, πρέπει το CD\r\n"
             L"να βρίσκεται στο drive.\r\n"
             L"\r\n"
             L"Ελάχιστο Aπαιτούμενο Σύστημα :\r\n"  // the A of the second word is a Latin capital
             L"\r\n"
             L"Pentium 100 MHz\r\n"
             L"16 MB RAM\r\n"
             L"4x CD Drive\r\n"
             L"Soundcard 16bit\r\n"
             L"Hard disk Free Space >4 MB\r\n"
             L"Microsoft Windows 95\r\n"
             L"Microsoft Access 97\r\n"
             L"\r\n"
             L"Πληροφορίες:\r\n"
             L"\r\n"
             L"info@quintaral.example.com\r\n"
             L"support@quintaral.example.com\r\n",
     .left = 135, .top = 1215, .width = 5745, .height = 2895, .container = 0, .font = kBoldDialogFont,
     .back = kPaleYellow, .tabIndex = 1, .verticalScrollBar = true, .accessibleName = L"Πληροφορίες"},
    {.name = "Label2", .text = L"Επιστροφή", .left = 4545, .top = 4215, .width = 885, .height = 240, .container = 0,
     .fore = platform::kRed, .transparent = true, .visible = false, .tabIndex = 3},
    // The return arrow: Esc anywhere in the window does what a click on it does.
    {.name = "Label1", .left = 5505, .top = 4200, .width = 435, .height = 270, .container = 0, .transparent = true,
     .tabIndex = 2, .cancel = true, .role = platform::Role::PushButton, .mark = platform::Mark::ReturnArrow,
     .accessibleName = L"Επιστροφή"},
};

}  // namespace

// The windows without a title bar carry the product's name all the same, for the task bar,
// Alt+Tab and screen readers; nothing draws it.
const platform::FormLayout kForm1Layout{
    .name = "Form1", .caption = L"Quintaral", .clientWidth = 6000, .clientHeight = 4515, .icon = IDI_PROGRAM, .controls = kForm1Controls};

const platform::FormLayout kEgatastLayout{.name = "egatast",
                                          .caption = L"Εγκατάσταση",
                                          .titleBar = true,
                                          .clientWidth = 5115,
                                          .clientHeight = 1875,
                                          .controls = kEgatastControls};

const platform::FormLayout kForm2Layout{
    .name = "Form2", .caption = L"Quintaral", .clientWidth = 6000, .clientHeight = 4515, .controls = kForm2Controls};
