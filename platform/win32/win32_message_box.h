// Modal message boxes owned by the program's active window.
#pragma once

#include "platform/message_box.h"

namespace torvexa::win32 {

class Win32MessageBox final : public MessageBoxApi {
  public:
    int MessageBox(const std::wstring& text, const std::wstring& title,
                   std::uint32_t type) override;
};

}  // namespace torvexa::win32
