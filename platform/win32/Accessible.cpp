#include "Accessible.h"

#include <oleacc.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "Com.h"
#include "NativeForm.h"

namespace platform::win32 {

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
        HMODULE oleacc = LoadLibraryW(L"oleacc.dll");
        HMODULE oleaut = LoadLibraryW(L"oleaut32.dll");
        FindFunction(oleacc, "LresultFromObject", g_library.lresultFromObject);
        FindFunction(oleacc, "CreateStdAccessibleObject", g_library.createStandard);
        FindFunction(oleacc, "AccessibleObjectFromWindow", g_library.fromWindow);
        FindFunction(oleaut, "SysAllocStringLen", g_library.allocString);
    }
    const Library& library = g_library;
    const bool complete = library.lresultFromObject && library.createStandard && library.fromWindow && library.allocString;
    return complete ? &library : nullptr;
}

// The form's labels and child windows in the Tab order; a child's identifier is its place
// here plus one. Picture boxes are only what the labels lie on.
std::vector<size_t> ChildOrder(const NativeForm& native) {
    std::vector<size_t> order;
    for (int row : TabOrder(native.form->Layout())) {
        if (native.controls[static_cast<size_t>(row)].layout->kind != ControlKind::PictureBox) order.push_back(row);
    }
    return order;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

void SetChild(VARIANT* out, LONG id) {
    out->vt = VT_I4;
    out->lVal = id;
}

// A form's client area, or a text box under the name its layout gives it. Whatever it does
// not answer itself, the system's own object for the same window answers.
class Accessible final : public IAccessible {
public:
    Accessible(NativeForm& native, IAccessible* standard, const NativeControl* textBox)
        : native_(&native), standard_(standard), textBox_(textBox), order_(ChildOrder(native)) {}

    void Detach() {
        native_ = nullptr;
        if (standard_) std::exchange(standard_, nullptr)->Release();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            Detach();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients of Active Accessibility call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_ ? standard_->get_accParent(parent) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!OwnsChildren()) return standard_ ? standard_->get_accChildCount(count) : CO_E_OBJNOTCONNECTED;
        *count = static_cast<long>(order_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!OwnsChildren()) return standard_ ? standard_->get_accChild(child, object) : CO_E_OBJNOTCONNECTED;
        *object = nullptr;
        const NativeControl* control = ChildAt(child);
        if (!control) return E_INVALIDARG;
        if (!control->window) return S_FALSE;  // a simple element, answered by this object
        return Accessibility()->fromWindow(control->window, OBJID_WINDOW, __uuidof(IDispatch),
                                           reinterpret_cast<void**>(object));
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (IsSelf(child) && textBox_) return String(textBox_->layout->accessibleName, name);
        const NativeControl* label = LabelAt(child);
        if (!label) return Standard(child, &IAccessible::get_accName, name);
        const std::wstring_view given = label->layout->accessibleName;
        return String(given.empty() ? std::wstring_view(label->caption) : given, name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Standard(child, &IAccessible::get_accValue, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Standard(child, &IAccessible::get_accDescription, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Standard(child, &IAccessible::get_accRole, role);
        switch (label->layout->role) {
        case Role::MenuItem: SetChild(role, ROLE_SYSTEM_MENUITEM); break;
        case Role::PushButton: SetChild(role, ROLE_SYSTEM_PUSHBUTTON); break;
        case Role::StaticText: SetChild(role, ROLE_SYSTEM_STATICTEXT); break;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Standard(child, &IAccessible::get_accState, state);
        LONG bits = 0;
        if (!label->visible || (label->pane && !label->pane->visible)) bits |= STATE_SYSTEM_INVISIBLE;
        if (!Clickable(*label)) {
            bits |= STATE_SYSTEM_READONLY;
        } else {
            bits |= STATE_SYSTEM_FOCUSABLE;
            if (label->layout->role == Role::MenuItem) bits |= STATE_SYSTEM_SELECTABLE;
            if (native_->form->KeyboardSelection() == ControlOf(*native_, Index(*label))) {
                if (label->layout->role == Role::MenuItem) bits |= STATE_SYSTEM_SELECTED;
                if (GetFocus() == native_->frame) bits |= STATE_SYSTEM_FOCUSED;
            }
        }
        POINT pointer{};
        if (GetCursorPos(&pointer) && ScreenToClient(native_->frame, &pointer) &&
            HitTest(*native_, pointer) == ControlOf(*native_, Index(*label))) {
            bits |= STATE_SYSTEM_HOTTRACKED;
        }
        SetChild(state, bits);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Standard(child, &IAccessible::get_accHelp, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (LabelAt(child)) return DISP_E_MEMBERNOTFOUND;
        return standard_ ? standard_->get_accHelpTopic(file, child, topic) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return LabelAt(child) ? DISP_E_MEMBERNOTFOUND : Standard(child, &IAccessible::get_accKeyboardShortcut, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!OwnsChildren()) return standard_ ? standard_->get_accFocus(focus) : CO_E_OBJNOTCONNECTED;
        focus->vt = VT_EMPTY;
        HWND focused = GetFocus();
        if (focused == native_->frame) {
            const Control* selected = native_->form->KeyboardSelection();
            SetChild(focus, selected ? IdOf(*selected) : CHILDID_SELF);
        } else if (focused && IsChild(native_->frame, focused)) {
            focus->vt = VT_DISPATCH;
            return Accessibility()->fromWindow(focused, OBJID_WINDOW, __uuidof(IDispatch),
                                               reinterpret_cast<void**>(&focus->pdispVal));
        }
        return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!OwnsChildren()) return standard_ ? standard_->get_accSelection(selection) : CO_E_OBJNOTCONNECTED;
        selection->vt = VT_EMPTY;
        const Control* selected = native_->form->KeyboardSelection();
        if (!selected) return S_FALSE;
        SetChild(selection, IdOf(*selected));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Standard(child, &IAccessible::get_accDefaultAction, action);
        if (!Clickable(*label)) return DISP_E_MEMBERNOTFOUND;
        return String(label->layout->role == Role::PushButton ? L"Press" : L"Click", action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (LabelAt(child)) return DISP_E_MEMBERNOTFOUND;
        return standard_ ? standard_->accSelect(flags, child) : CO_E_OBJNOTCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        const NativeControl* label = LabelAt(child);
        if (!label) return standard_ ? standard_->accLocation(left, top, width, height, child) : CO_E_OBJNOTCONNECTED;
        POINT origin{label->rect.left, label->rect.top};
        ClientToScreen(native_->frame, &origin);
        *left = origin.x;
        *top = origin.y;
        *width = label->rect.right - label->rect.left;
        *height = label->rect.bottom - label->rect.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!OwnsChildren()) return standard_ ? standard_->accNavigate(direction, start, end) : CO_E_OBJNOTCONNECTED;
        end->vt = VT_EMPTY;
        const long count = static_cast<long>(order_.size());
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
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (!OwnsChildren()) return standard_ ? standard_->accHitTest(x, y, child) : CO_E_OBJNOTCONNECTED;
        child->vt = VT_EMPTY;
        POINT point{x, y};
        ScreenToClient(native_->frame, &point);
        if (point.x < 0 || point.y < 0 || point.x >= native_->client.cx || point.y >= native_->client.cy) {
            return S_FALSE;
        }
        HWND window = ChildWindowFromPointEx(native_->frame, point, CWP_SKIPINVISIBLE);
        if (window && window != native_->frame) {
            for (size_t i = 0; i < order_.size(); ++i) {
                if (native_->controls[order_[i]].window == window) return ChildVariant(static_cast<LONG>(i + 1), child);
            }
        }
        const Control* hit = HitTest(*native_, point);
        const bool label = hit && !HasOwnWindow(hit->Layout().kind) && hit->Layout().kind != ControlKind::PictureBox;
        SetChild(child, label ? IdOf(*hit) : CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const NativeControl* label = LabelAt(child);
        if (!label) return Standard(child, &IAccessible::accDoDefaultAction);
        if (!Clickable(*label)) return DISP_E_MEMBERNOTFOUND;
        // The click may show a message box or end the program: it runs once this call has
        // returned to the client, as the click of a mouse would.
        PostMessageW(native_->frame, kClickLater, Index(*label), 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        if (LabelAt(child)) return E_NOTIMPL;
        return standard_ ? standard_->put_accValue(child, value) : CO_E_OBJNOTCONNECTED;
    }

private:
    ~Accessible() = default;

    bool OwnsChildren() const { return native_ && !textBox_; }

    // Without allocating: nothing may throw out of a call that a client makes.
    LONG IdOf(const Control& control) const {
        const auto at = std::find(order_.begin(), order_.end(), static_cast<size_t>(control.Index()));
        return at == order_.end() ? CHILDID_SELF : static_cast<LONG>(at - order_.begin() + 1);
    }

    size_t Index(const NativeControl& control) const {
        return static_cast<size_t>(&control - native_->controls.data());
    }
    bool Clickable(const NativeControl& label) const {
        const Control* control = ControlOf(*native_, Index(label));
        return control && control->Click;
    }
    const NativeControl* ChildAt(const VARIANT& child) const {
        if (!OwnsChildren() || child.vt != VT_I4 || child.lVal < 1 || child.lVal > static_cast<LONG>(order_.size())) {
            return nullptr;
        }
        return &native_->controls[order_[static_cast<size_t>(child.lVal - 1)]];
    }
    // The windowless label that `child` names; nullptr for the object itself or a window.
    const NativeControl* LabelAt(const VARIANT& child) const {
        const NativeControl* control = ChildAt(child);
        return control && !control->window ? control : nullptr;
    }
    HRESULT ChildVariant(LONG id, VARIANT* out) const {
        const NativeControl& control = native_->controls[order_[static_cast<size_t>(id - 1)]];
        if (!control.window) {
            SetChild(out, id);
            return S_OK;
        }
        out->vt = VT_DISPATCH;
        return Accessibility()->fromWindow(control.window, OBJID_WINDOW, __uuidof(IDispatch),
                                           reinterpret_cast<void**>(&out->pdispVal));
    }
    template <class... Out>
    HRESULT Standard(VARIANT child, HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, Out...),
                     Out... out) const {
        if (!standard_) return CO_E_OBJNOTCONNECTED;
        if (OwnsChildren() && !IsSelf(child)) return E_INVALIDARG;  // a window child answers for itself
        return (standard_->*property)(child, out...);
    }
    static HRESULT String(std::wstring_view text, BSTR* out) {
        *out = nullptr;
        if (text.empty()) return S_FALSE;
        *out = Accessibility()->allocString(text.data(), static_cast<UINT>(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    LONG references_ = 1;
    NativeForm* native_;
    IAccessible* standard_;
    const NativeControl* textBox_;
    const std::vector<size_t> order_;
};

// The object for `window`, made at the first question; nullptr without the library.
Accessible* ObjectFor(NativeForm& native, void*& slot, HWND window, const NativeControl* textBox) {
    if (!slot) {
        const Library* library = Accessibility();
        IAccessible* standard = nullptr;
        if (!library || FAILED(library->createStandard(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                       reinterpret_cast<void**>(&standard)))) {
            return nullptr;
        }
        slot = new Accessible(native, standard, textBox);
    }
    return static_cast<Accessible*>(slot);
}

LRESULT Answer(NativeForm& native, void*& slot, HWND window, const NativeControl* textBox, WPARAM wParam,
               LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    try {
        Accessible* object = ObjectFor(native, slot, window, textBox);
        const LRESULT answer = object ? Accessibility()->lresultFromObject(__uuidof(IAccessible), wParam, object) : 0;
        // A failure comes back as an error code, which the window system must not see as an object.
        return FAILED(static_cast<HRESULT>(answer)) ? 0 : answer;
    } catch (...) {
        return 0;
    }
}

}  // namespace

LRESULT AnswerGetObject(NativeForm& native, WPARAM wParam, LPARAM lParam) {
    return Answer(native, native.accessible, native.frame, nullptr, wParam, lParam);
}

LRESULT AnswerGetObject(NativeForm& native, size_t index, WPARAM wParam, LPARAM lParam) {
    NativeControl& control = native.controls[index];
    return Answer(native, control.accessible, control.window, &control, wParam, lParam);
}

LONG ChildIdOf(const NativeForm& native, const Control& control) {
    const std::vector<size_t> order = ChildOrder(native);
    const auto at = std::find(order.begin(), order.end(), static_cast<size_t>(control.Index()));
    return at == order.end() ? CHILDID_SELF : static_cast<LONG>(at - order.begin() + 1);
}

void ReleaseAccessible(NativeForm& native) noexcept {
    auto release = [](void*& slot) {
        if (auto* object = static_cast<Accessible*>(std::exchange(slot, nullptr))) {
            object->Detach();
            object->Release();
        }
    };
    release(native.accessible);
    for (NativeControl& control : native.controls) release(control.accessible);
}

}  // namespace platform::win32
