// What a screen reader reads of each window through Active Accessibility, and that the
// default action of an entry does what its click does.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "menu/Form1.h"
#include "menu/Program.h"
#include "platform/win32/Win32Platform.h"
#include "windows/Form2.h"
#include "windows/egatast.h"

namespace {

void Flush() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

struct Node {
    std::wstring name;
    long role = 0;
    long state = 0;
    std::wstring action;
    bool operator==(const Node&) const = default;
};

std::wstring Take(BSTR text) {
    std::wstring taken = text ? text : L"";
    SysFreeString(text);
    return taken;
}

Node Read(IAccessible* object, long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    Node node;
    BSTR text = nullptr;
    object->get_accName(child, &text);
    node.name = Take(text);
    VARIANT value{};
    if (object->get_accRole(child, &value) == S_OK) node.role = value.lVal;
    if (object->get_accState(child, &value) == S_OK) node.state = value.lVal;
    text = nullptr;
    object->get_accDefaultAction(child, &text);
    node.action = Take(text);
    return node;
}

IAccessible* ClientOf(HWND window) {
    IAccessible* object = nullptr;
    EXPECT_EQ(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object)),
              S_OK);
    return object;
}

// The window's name and its children: simple elements read from the window's object, child
// windows by the name of their own client objects (the rest is the system's own).
std::vector<Node> Tree(HWND window) {
    IAccessible* form = ClientOf(window);
    if (!form) return {};
    std::vector<Node> tree{Read(form, CHILDID_SELF)};
    tree[0].state = 0;
    long count = 0;
    form->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = id;
        IDispatch* dispatch = nullptr;
        if (form->get_accChild(child, &dispatch) != S_OK) {
            tree.push_back(Read(form, id));
            continue;
        }
        IAccessible* own = nullptr;
        dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own));
        dispatch->Release();
        HWND childWindow = nullptr;
        WindowFromAccessibleObject(own, &childWindow);
        own->Release();
        IAccessible* client = ClientOf(childWindow);
        tree.push_back({Read(client, CHILDID_SELF).name});
        client->Release();
    }
    form->Release();
    return tree;
}

void PrintTo(const Node& node, std::ostream* out) {
    std::string name;
    for (wchar_t c : node.name) name += c < 0x80 ? static_cast<char>(c) : '?';
    *out << "{" << name << ", role " << node.role << ", state 0x" << std::hex << node.state << std::dec << "}";
}

constexpr long kEntry = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;

TEST(Accessibility, EveryWindowNamesItsControlsInTheTabOrderAndAnEntryDoesItsClick) {
    CoInitialize(nullptr);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quintaral\\Quintaral\\Quintaral");
    platform::win32::Win32Platform platform(GetModuleHandleW(nullptr));
    platform::Forms forms(platform);
    platform.Dispatch([&] { StartMenu(forms); });
    Flush();
    Form1& menu = *forms.Find<Form1>();
    platform.KeyPressed(menu, nullptr, platform::Key::Down);
    const std::vector<Node> menuTree{
        {L"Quintaral", ROLE_SYSTEM_CLIENT, 0, L""},
        {L"Εγκατάσταση Εφαρμογής", ROLE_SYSTEM_MENUITEM,
         kEntry | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED, L"Click"},
        {L"Πληροφορίες", ROLE_SYSTEM_MENUITEM, kEntry, L"Click"},
        {L"Έξοδος", ROLE_SYSTEM_MENUITEM, kEntry, L"Click"},
        {L"© 1999 Quintaral Software. Με την επιφύλαξη παντός δικαιώματος.", ROLE_SYSTEM_STATICTEXT,
         STATE_SYSTEM_READONLY, L""},
    };
    EXPECT_EQ(Tree(platform.FrameOf(menu)), menuTree);

    IAccessible* object = ClientOf(platform.FrameOf(menu));
    ASSERT_NE(object, nullptr);
    VARIANT information{};
    information.vt = VT_I4;
    information.lVal = 2;
    EXPECT_EQ(object->accDoDefaultAction(information), S_OK);
    object->Release();
    Flush();
    Form2* info = forms.Find<Form2>();
    ASSERT_NE(info, nullptr) << "the default action opens the information window";
    EXPECT_FALSE(IsWindowVisible(platform.FrameOf(menu)));
    const std::vector<Node> infoTree{
        {L"Quintaral", ROLE_SYSTEM_CLIENT, 0, L""},
        {L"Πληροφορίες"},
        {L"Επιστροφή", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, L"Press"},
        {L"Επιστροφή", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY | STATE_SYSTEM_INVISIBLE, L""},
    };
    EXPECT_EQ(Tree(platform.FrameOf(*info)), infoTree);

    egatast& dialog = forms.Get<egatast>();
    const std::vector<Node> dialogTree{
        {L"Εγκατάσταση", ROLE_SYSTEM_CLIENT, 0, L""},
        {L"      Βάση Χρηστών - Ερωτήσεων"},
        {L"      Κυρίως Πρόγραμμα"},
        {L"Ποιά μέρη ακριβώς θα εγκαταστήσετε ;", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY, L""},
        {L"Συνέχεια"},
    };
    EXPECT_EQ(Tree(platform.FrameOf(dialog)), dialogTree);
}

}  // namespace
