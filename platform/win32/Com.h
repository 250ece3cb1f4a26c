#pragma once
// COM as the menu uses it, for screen readers and for the shell: functions of libraries loaded
// when first needed, a small owner for an interface pointer, and the thread's apartment.

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace platform::win32 {

// The library `name` (such as L"oleacc.dll") from the system folder, by its full path: never a file of that name
// beside the program, which is searched first where Windows lacks SetDefaultDllDirectories (XP, Vista, 7
// without its update). The libraries it needs in turn are looked for in the system folder first. nullptr if
// it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// `function` from `module` (loaded at run time), or nullptr.
template <class Function>
void FindFunction(HMODULE module, const char* name, Function& function) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// Holds one reference to a COM object: the one place where the menu gives references back.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference that the caller holds (a new object's first).
    explicit ComPtr(Interface* adopted) : object_(adopted) {}
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }

    Interface* Get() const { return object_; }
    Interface* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // For a call that hands out a new reference: the one held before is given back first.
    void** Put() {
        Reset();
        return reinterpret_cast<void**>(&object_);
    }
    void Reset() noexcept {
        if (Interface* object = std::exchange(object_, nullptr)) object->Release();
    }

private:
    Interface* object_ = nullptr;
};

// Sets up COM on the calling thread, in a single-threaded apartment, as the shell and the
// accessibility library need; ole32 is loaded at the first call. False where it cannot be.
bool InitialiseCom();
// Cuts `object` off from the clients that other processes hold, so that they get an error and
// it is freed at once.
void DisconnectObject(IUnknown* object);

}  // namespace platform::win32
