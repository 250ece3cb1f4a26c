#pragma once
// Small owners for the native handles: each closes its handle exactly once.

#include <windows.h>

#include <utility>

namespace platform::win32 {

template <class Handle, auto Close>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, Handle{});
        }
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void Reset(Handle handle = Handle{}) {
        if (handle_) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_{};
};

using OwnedFont = Owned<HFONT, &::DeleteObject>;
using OwnedBitmap = Owned<HBITMAP, &::DeleteObject>;
using OwnedBrush = Owned<HBRUSH, &::DeleteObject>;
using OwnedDc = Owned<HDC, &::DeleteDC>;
using OwnedIcon = Owned<HICON, &::DestroyIcon>;
using OwnedHandle = Owned<HANDLE, &::CloseHandle>;

// A DC from GetDC, given back to its window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a DC for one scope; the previous one is put back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, previous_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace platform::win32
