// The Win32 kinds of the one owner (platform/owned_handle.h), each closed with the real function,
// and the scopes that pair a device context's calls: BeginPaint with EndPaint, a SelectObject with
// the one that puts the old object back. Each undoes its work on every path out, a throw included.
#pragma once

#include "platform/owned_handle.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

// A kernel handle whose failure value is NULL: a process, a thread, a pipe's end.
struct CloseKernelHandle {
    static HANDLE Invalid() { return nullptr; }
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
// A kernel handle whose failure value is INVALID_HANDLE_VALUE: a file, a snapshot.
struct CloseFileHandle {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
struct CloseRegistryKey {
    static HKEY Invalid() { return nullptr; }
    void operator()(HKEY key) const { ::RegCloseKey(key); }
};
template <typename Object>
struct DeleteGdiObject {
    static Object Invalid() { return nullptr; }
    void operator()(Object object) const { ::DeleteObject(object); }
};
struct DeleteMemoryDc {
    static HDC Invalid() { return nullptr; }
    void operator()(HDC dc) const { ::DeleteDC(dc); }
};
// A window's device context is borrowed from the window and given back to it.
struct ReleaseWindowDc {
    HWND window;
    static HDC Invalid() { return nullptr; }
    void operator()(HDC dc) const { ::ReleaseDC(window, dc); }
};

using UniqueHandle = Owned<CloseKernelHandle>;    // a process, a thread, a pipe's end
using UniqueFileHandle = Owned<CloseFileHandle>;  // a file, a snapshot
using UniqueKey = Owned<CloseRegistryKey>;
using UniqueFont = Owned<DeleteGdiObject<HFONT>>;
using UniqueBitmap = Owned<DeleteGdiObject<HBITMAP>>;
using MemoryDc = Owned<DeleteMemoryDc>;
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
