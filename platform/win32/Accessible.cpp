#include "Accessible.h"

#include <string_view>
#include <utility>

#include "FormWindow.h"

namespace platform::win32 {

// The accessible objects alive: the tests read it to see that each is freed once let go.
LONG g_accessibleObjects = 0;

namespace {

// The accessibility library and the string allocator its clients free with, loaded when a
// client first asks: most users never do, and the menu starts without them.
struct Library {
    decltype(&LresultFromObject) lresultFromObject = nullptr;
    decltype(&CreateStdAccessibleObject) createStandard = nullptr;
    decltype(&AccessibleObjectFromWindow) fromWindow = nullptr;
    decltype(&SysAllocStringLen) allocString = nullptr;
};

// Loaded on the window thread, the only one that asks: plain statics, without the runtime's
// guarded initialization and the thread library it brings.
Library g_library;
bool g_libraryLoaded = false;

const Library* Accessibility() {
    if (!g_libraryLoaded) {
        g_libraryLoaded = true;
        // Objects reach other processes through COM, in the apartment of this, the window thread.
        InitialiseCom();
        HMODULE oleacc = LoadSystemLibrary(L"oleacc.dll");
        HMODULE oleaut = LoadSystemLibrary(L"oleaut32.dll");
        FindFunction(oleacc, "LresultFromObject", g_library.lresultFromObject);
        FindFunction(oleacc, "CreateStdAccessibleObject", g_library.createStandard);
        FindFunction(oleacc, "AccessibleObjectFromWindow", g_library.fromWindow);
        FindFunction(oleaut, "SysAllocStringLen", g_library.allocString);
    }
    const Library& library = g_library;
    const bool complete =
        library.lresultFromObject && library.createStandard && library.fromWindow && library.allocString;
    return complete ? &library : nullptr;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

void SetChild(VARIANT* out, LONG id) {
    out->vt = VT_I4;
    out->lVal = id;
}

HRESULT WindowObject(HWND window, VARIANT* out) {
    out->vt = VT_DISPATCH;
    return Accessibility()->fromWindow(window, OBJID_WINDOW, __uuidof(IDispatch),
                                       reinterpret_cast<void**>(&out->pdispVal));
}

HRESULT String(std::wstring_view text, BSTR* out) {
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = Accessibility()->allocString(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// A form's client area, or a text box under the name its layout gives it. Whatever it does
// not answer itself, the system's own object for the same window answers. Once its window is
// gone it answers CO_E_OBJNOTCONNECTED, as the system's own objects do.
class Accessible final : public IAccessible {
public:
    Accessible(FormWindow& form, ComPtr<IAccessible> standard, const NativeControl* textBox)
        : form_(&form), standard_(std::move(standard)), textBox_(textBox) {
        InterlockedIncrement(&g_accessibleObjects);
    }

    void Detach() noexcept {
        form_ = nullptr;
        textBox_ = nullptr;
        standard_.Reset();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients of Active Accessibility call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) noexcept override {
        return form_ ? standard_->get_accParent(parent) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) noexcept override {
        if (!OwnsChildren()) return form_ ? standard_->get_accChildCount(count) : CO_E_OBJNOTCONNECTED;
        *count = form_->ChildCount();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) noexcept override {
        if (!OwnsChildren()) return form_ ? standard_->get_accChild(child, object) : CO_E_OBJNOTCONNECTED;
        *object = nullptr;
        const NativeControl* control = ChildAt(child);
        if (!control) return E_INVALIDARG;
        if (!control->window) return S_FALSE;  // a simple element, answered by this object
        VARIANT window;
        const HRESULT result = WindowObject(control->window, &window);
        *object = window.pdispVal;
        return result;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) noexcept override {
        if (form_ && textBox_ && IsSelf(child)) return String(textBox_->layout->accessibleName, name);
        const NativeControl* label = LabelAt(child);
        if (!label) return Answer(child, &IAccessible::get_accName, name);
        const std::wstring_view given = label->layout->accessibleName;
        return String(given.empty() ? std::wstring_view(label->caption) : given, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) noexcept override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Answer(child, &IAccessible::get_accValue, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) noexcept override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Answer(child, &IAccessible::get_accDescription, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) noexcept override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Answer(child, &IAccessible::get_accRole, role);
        switch (label->layout->role) {
        case Role::MenuItem: SetChild(role, ROLE_SYSTEM_MENUITEM); break;
        case Role::PushButton: SetChild(role, ROLE_SYSTEM_PUSHBUTTON); break;
        case Role::StaticText: SetChild(role, ROLE_SYSTEM_STATICTEXT); break;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) noexcept override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Answer(child, &IAccessible::get_accState, state);
        SetChild(state, StateOf(*label, child.lVal));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) noexcept override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Answer(child, &IAccessible::get_accHelp, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) noexcept override {
        if (LabelAt(child)) return DISP_E_MEMBERNOTFOUND;
        ComPtr<IAccessible> client;
        IAccessible* object = AnswererOf(child, client);
        return object ? object->get_accHelpTopic(file, child, topic) : Refusal();
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) noexcept override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Answer(child, &IAccessible::get_accKeyboardShortcut, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) noexcept override {
        if (!OwnsChildren()) return form_ ? standard_->get_accFocus(focus) : CO_E_OBJNOTCONNECTED;
        focus->vt = VT_EMPTY;
        HWND focused = GetFocus();
        if (focused == form_->Handle()) {
            SetChild(focus, form_->SelectedChild());
        } else if (focused && IsChild(form_->Handle(), focused)) {
            return WindowObject(focused, focus);
        }
        return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) noexcept override {
        if (!OwnsChildren()) return form_ ? standard_->get_accSelection(selection) : CO_E_OBJNOTCONNECTED;
        selection->vt = VT_EMPTY;
        const LONG selected = form_->SelectedChild();
        if (selected == CHILDID_SELF) return S_FALSE;
        SetChild(selection, selected);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) noexcept override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Answer(child, &IAccessible::get_accDefaultAction, action);
        // Hidden, as the menu is behind the information window, or behind a message box, a label has no action to
        // offer.
        if (!form_->Actionable(*label)) return DISP_E_MEMBERNOTFOUND;
        return String(label->layout->role == Role::PushButton ? L"Press" : L"Click", action);
    }
    // As in the system's menus and list boxes, taking the focus or the selection moves the one
    // selection the keys move; there is nothing to add to it or take from it.
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) noexcept override {
        if (const NativeControl* label = LabelAt(child)) {
            if (!form_->Actionable(*label)) return DISP_E_MEMBERNOTFOUND;
            const bool menuItem = label->layout->role == Role::MenuItem;
            const long allowed = SELFLAG_TAKEFOCUS | (menuItem ? SELFLAG_TAKESELECTION : 0);
            if (!flags || (flags & ~allowed)) return E_INVALIDARG;
            form_->Select(*label);
            return S_OK;
        }
        ComPtr<IAccessible> client;
        IAccessible* object = AnswererOf(child, client);
        return object ? object->accSelect(flags, child) : Refusal();
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) noexcept override {
        const NativeControl* label = LabelAt(child);
        if (!label) {
            ComPtr<IAccessible> client;
            IAccessible* object = AnswererOf(child, client);
            return object ? object->accLocation(left, top, width, height, child) : Refusal();
        }
        POINT origin{label->rect.left, label->rect.top};
        ClientToScreen(form_->Handle(), &origin);
        *left = origin.x;
        *top = origin.y;
        *width = label->rect.right - label->rect.left;
        *height = label->rect.bottom - label->rect.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) noexcept override {
        if (!OwnsChildren()) return form_ ? standard_->accNavigate(direction, start, end) : CO_E_OBJNOTCONNECTED;
        end->vt = VT_EMPTY;
        const long count = form_->ChildCount();
        long id = 0;
        if (IsSelf(start) && (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD)) {
            id = direction == NAVDIR_FIRSTCHILD ? 1 : count;
        } else if (ChildAt(start) && (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS)) {
            id = start.lVal + (direction == NAVDIR_NEXT ? 1 : -1);
        } else {
            return IsSelf(start) ? standard_->accNavigate(direction, start, end) : E_INVALIDARG;
        }
        if (id < 1 || id > count) return S_FALSE;
        return ChildVariant(id, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) noexcept override {
        if (!OwnsChildren()) return form_ ? standard_->accHitTest(x, y, child) : CO_E_OBJNOTCONNECTED;
        child->vt = VT_EMPTY;
        POINT point{x, y};
        ScreenToClient(form_->Handle(), &point);
        if (!form_->InClient(point)) return S_FALSE;
        return ChildVariant(form_->ChildAt(point), child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) noexcept override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Answer(child, &IAccessible::accDoDefaultAction);
        if (!form_->Actionable(*label)) return DISP_E_MEMBERNOTFOUND;
        // The click may show a message box or end the program: it runs once this call has
        // returned to the client, as the click of a mouse would.
        form_->ClickLater(*label);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) noexcept override {
        return form_ ? E_NOTIMPL : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) noexcept override {
        if (LabelAt(child)) return E_NOTIMPL;
        ComPtr<IAccessible> client;
        IAccessible* object = AnswererOf(child, client);
        return object ? object->put_accValue(child, value) : Refusal();
    }

private:
    ~Accessible() { InterlockedDecrement(&g_accessibleObjects); }

    bool OwnsChildren() const { return form_ && !textBox_; }
    const NativeControl* ChildAt(const VARIANT& child) const {
        return OwnsChildren() && child.vt == VT_I4 ? form_->Child(child.lVal) : nullptr;
    }
    // The windowless label that `child` names; nullptr for the object itself or a window.
    const NativeControl* LabelAt(const VARIANT& child) const {
        const NativeControl* control = ChildAt(child);
        return control && !control->window ? control : nullptr;
    }
    LONG StateOf(const NativeControl& label, LONG id) const {
        LONG bits = form_->Shown(label) ? 0 : STATE_SYSTEM_INVISIBLE;
        // While a message box is up, its owner is disabled, and its labels with it, as the system's controls are.
        const bool enabled = IsWindowEnabled(form_->Handle());
        if (!enabled) bits |= STATE_SYSTEM_UNAVAILABLE;
        if (!form_->Clickable(label)) {
            bits |= STATE_SYSTEM_READONLY;
        } else if (enabled) {
            bits |= STATE_SYSTEM_FOCUSABLE;
            const bool menuItem = label.layout->role == Role::MenuItem;
            if (menuItem) bits |= STATE_SYSTEM_SELECTABLE;
            if (form_->SelectedChild() == id) {
                if (menuItem) bits |= STATE_SYSTEM_SELECTED;
                if (GetFocus() == form_->Handle()) bits |= STATE_SYSTEM_FOCUSED;
            }
        }
        POINT pointer{};
        if (GetCursorPos(&pointer) && ScreenToClient(form_->Handle(), &pointer) && form_->ChildAt(pointer) == id) {
            bits |= STATE_SYSTEM_HOTTRACKED;
        }
        return bits;
    }
    HRESULT ChildVariant(LONG id, VARIANT* out) const {
        const NativeControl* control = form_->Child(id);
        if (!control || !control->window) {
            SetChild(out, id);
            return S_OK;
        }
        return WindowObject(control->window, out);
    }
    // The object that knows `child`, with `child` made its identifier there: the system's
    // object for this window for itself, the system's object for a child window's client area
    // for that child (the system's objects count only windows). nullptr once the window is gone.
    IAccessible* AnswererOf(VARIANT& child, ComPtr<IAccessible>& client) const noexcept {
        if (!form_) return nullptr;
        const NativeControl* control = ChildAt(child);
        if (!control || !control->window) return standard_.Get();
        Accessibility()->fromWindow(control->window, OBJID_CLIENT, __uuidof(IAccessible), client.Put());
        SetChild(&child, CHILDID_SELF);
        return client.Get();
    }
    HRESULT Refusal() const { return form_ ? E_FAIL : CO_E_OBJNOTCONNECTED; }
    template <class... Out>
    HRESULT Answer(VARIANT child, HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, Out...),
                   Out... out) const noexcept {
        ComPtr<IAccessible> client;
        IAccessible* object = AnswererOf(child, client);
        return object ? (object->*property)(child, out...) : Refusal();
    }

    LONG references_ = 1;
    FormWindow* form_;
    ComPtr<IAccessible> standard_;
    const NativeControl* textBox_;
};

}  // namespace

LRESULT AnswerGetObject(FormWindow& form, ComPtr<IAccessible>& slot, HWND window, const NativeControl* textBox,
                        WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    try {
        const Library* library = Accessibility();
        if (!library) return 0;
        if (!slot) {
            ComPtr<IAccessible> standard;
            if (FAILED(library->createStandard(window, OBJID_CLIENT, __uuidof(IAccessible), standard.Put()))) return 0;
            slot = ComPtr<IAccessible>(new Accessible(form, std::move(standard), textBox));
        }
        const LRESULT answer = library->lresultFromObject(__uuidof(IAccessible), wParam, slot.Get());
        // A failure comes back as an error code, which the window system must not see as an object.
        return FAILED(static_cast<HRESULT>(answer)) ? 0 : answer;
    } catch (...) {
        return 0;
    }
}

void Disconnect(ComPtr<IAccessible>& slot) noexcept {
    if (!slot) return;
    static_cast<Accessible*>(slot.Get())->Detach();
    DisconnectObject(slot.Get());
    slot.Reset();
}

}  // namespace platform::win32
