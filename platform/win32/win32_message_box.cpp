#include "platform/win32/win32_message_box.h"

#include "platform/win32/win.h"

namespace torvexa::win32 {

int Win32MessageBox::MessageBox(const std::wstring& text, const std::wstring& title,
                                std::uint32_t type) {
    return ::MessageBoxW(::GetActiveWindow(), text.c_str(), title.c_str(), type);
}

}  // namespace torvexa::win32
