// The Win32 kinds of the one owner (platform/owned_handle.h), each closed with the real function,
// and the scopes that pair a device context's calls: BeginPaint with EndPaint, a SelectObject with
// the one that puts the old object back. Each undoes its work on every path out, a throw included.
#pragma once

#include "platform/owned_handle.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

// A kind closed by the real function `Close`, with `kInvalid()` as its failure value.
template <typename T>
T Null() {
    return nullptr;
}
inline HANDLE InvalidHandle() {
    return INVALID_HANDLE_VALUE;
}
template <typename T, auto Close, T (*kInvalid)() = Null<T>>
struct CloseWith {
    static T Invalid() { return kInvalid(); }
    void operator()(T value) const { Close(value); }
};

// A window's device context is borrowed from the window and given back to it.
struct ReleaseWindowDc {
    HWND window;
    static HDC Invalid() { return nullptr; }
    void operator()(HDC dc) const { ::ReleaseDC(window, dc); }
};

// A kernel handle: a process, a thread or a pipe's end fails as NULL, a file or a snapshot as
// INVALID_HANDLE_VALUE.
using UniqueHandle = Owned<CloseWith<HANDLE, ::CloseHandle>>;
using UniqueFileHandle = Owned<CloseWith<HANDLE, ::CloseHandle, InvalidHandle>>;
using UniqueSnapshot = UniqueFileHandle;  // CreateToolhelp32Snapshot's
using UniqueKey = Owned<CloseWith<HKEY, ::RegCloseKey>>;
using UniqueFont = Owned<CloseWith<HFONT, ::DeleteObject>>;
using UniqueBitmap = Owned<CloseWith<HBITMAP, ::DeleteObject>>;
using MemoryDc = Owned<CloseWith<HDC, ::DeleteDC>>;
using WindowDc = Owned<ReleaseWindowDc>;

// The device context of `window`, the screen's for none, given back when the owner goes.
inline WindowDc BorrowDc(HWND window) {
    return {ReleaseWindowDc{window}, ::GetDC(window)};
}

// One WM_PAINT's drawing: BeginPaint now, EndPaint when the scope ends.
class PaintScope {
  public:
    explicit PaintScope(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintScope() { ::EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    PaintScope(PaintScope&&) = delete;
    PaintScope& operator=(PaintScope&&) = delete;
    HDC Dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// `object` selected into `dc` for the scope; what was selected before is put back when it ends,
// also after Select() has chosen another object meanwhile.
class SelectScope {
  public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~SelectScope() {
        if (old_ != nullptr) ::SelectObject(dc_, old_);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;
    SelectScope(SelectScope&&) = delete;
    SelectScope& operator=(SelectScope&&) = delete;
    void Select(HGDIOBJ object) const { ::SelectObject(dc_, object); }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace torvexa::win32
