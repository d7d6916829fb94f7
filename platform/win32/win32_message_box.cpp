#include "platform/win32/win32_message_box.h"

#include "platform/win32/win.h"

namespace torvexa::win32 {

int Win32MessageBox::MessageBox(const std::wstring& text, const std::wstring& title,
                                std::uint32_t type) {
    // Not GetActiveWindow(): with another program's window active it answers none, and a box
    // without an owner leaves the window enabled beneath it.
    HWND owner = window_ != nullptr ? window_->Window() : nullptr;
    return ::MessageBoxW(owner, text.c_str(), title.c_str(), type);
}

}  // namespace torvexa::win32
