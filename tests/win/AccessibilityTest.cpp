// What a screen reader reads of each window through Active Accessibility, and that an entry's
// default action does what its click does.
#include "WinTest.h"  // windows.h first
#include <oleacc.h>

#include <string>
#include <vector>

namespace {

struct Node {
    std::wstring name;
    long role = 0, state = 0;
    std::wstring action;
    bool operator==(const Node&) const = default;
};

void PrintTo(const Node& node, std::ostream* out) {
    *out << "{" << node.name.size() << " characters, role " << node.role << ", state " << node.state << "}";
}

IAccessible* ClientOf(HWND window) {
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object));
    return object;
}

Node Read(IAccessible* object, long id) {
    VARIANT child{}, value{};
    child.vt = VT_I4;
    child.lVal = id;
    BSTR name = nullptr, action = nullptr;
    Node node;
    object->get_accName(child, &name);
    if (object->get_accRole(child, &value) == S_OK) node.role = value.lVal;
    if (id != CHILDID_SELF && object->get_accState(child, &value) == S_OK) node.state = value.lVal;
    object->get_accDefaultAction(child, &action);
    node.name = name ? name : L"";
    node.action = action ? action : L"";
    SysFreeString(name);
    SysFreeString(action);
    return node;
}

// The window and its children in the Tab order: its labels from its own object, child windows
// by the name of their own client objects (the rest is the system's own).
std::vector<Node> Tree(HWND window) {
    IAccessible* form = ClientOf(window);
    std::vector<Node> tree{Read(form, CHILDID_SELF)};
    long count = 0;
    form->get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = id;
        IDispatch* dispatch = nullptr;
        IAccessible* own = nullptr;
        HWND childWindow = nullptr;
        if (form->get_accChild(child, &dispatch) != S_OK) {
            tree.push_back(Read(form, id));
            continue;
        }
        dispatch->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own));
        dispatch->Release();
        WindowFromAccessibleObject(own, &childWindow);
        own->Release();
        IAccessible* client = ClientOf(childWindow);
        tree.push_back({Read(client, CHILDID_SELF).name});
        client->Release();
    }
    form->Release();
    return tree;
}

TEST_F(RealWindows, EveryWindowNamesItsControlsInTheTabOrderAndAnEntryDoesItsClick) {
    CoInitialize(nullptr);
    constexpr long kEntry = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    Form1& menu = Menu();
    // The names are the texts the windows show.
    auto text = [&](const platform::Control& control) { return platform.Caption(control); };
    auto title = [&](const platform::Form& form) {
        wchar_t caption[32] = {};
        GetWindowTextW(platform.FrameOf(form), caption, 32);
        return std::wstring(caption);
    };
    platform.KeyPressed(menu, nullptr, platform::Key::Down);
    EXPECT_EQ(Tree(platform.FrameOf(menu)),
              (std::vector<Node>{{title(menu), ROLE_SYSTEM_CLIENT},
                                 {text(menu.Label1), ROLE_SYSTEM_MENUITEM, kEntry | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED, L"Click"},
                                 {text(menu.Label2), ROLE_SYSTEM_MENUITEM, kEntry, L"Click"},
                                 {text(menu.Label3), ROLE_SYSTEM_MENUITEM, kEntry, L"Click"},
                                 {text(menu.Label4), ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY}}));

    IAccessible* object = ClientOf(platform.FrameOf(menu));
    VARIANT information{};
    information.vt = VT_I4;
    information.lVal = 2;
    EXPECT_EQ(object->accDoDefaultAction(information), S_OK);
    object->Release();
    Flush();
    ASSERT_NE(forms.Find<Form2>(), nullptr) << "the default action opens the information window";
    EXPECT_FALSE(IsWindowVisible(platform.FrameOf(menu)));
    const Form2& info = *forms.Find<Form2>();
    EXPECT_EQ(Tree(platform.FrameOf(info)),
              (std::vector<Node>{{title(info), ROLE_SYSTEM_CLIENT},
                                 {L"Πληροφορίες"},
                                 {L"Επιστροφή", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, L"Press"},
                                 {text(info.Label2), ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY | STATE_SYSTEM_INVISIBLE}}));
    const egatast& dialog = forms.Get<egatast>();
    EXPECT_EQ(Tree(platform.FrameOf(dialog)),
              (std::vector<Node>{{title(dialog), ROLE_SYSTEM_CLIENT}, {text(dialog.Check1)}, {text(dialog.Check2)},
                                 {text(dialog.Label1), ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY}, {text(dialog.Command1)}}));
}

}  // namespace
