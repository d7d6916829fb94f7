// Modal message boxes owned by the program's main window.
#pragma once

#include "platform/message_box.h"
#include "platform/win32/window_engine.h"

namespace torvexa::win32 {

class Win32MessageBox final : public MessageBoxApi {
  public:
    // Boxes without an owner, for a program without a window.
    Win32MessageBox() = default;
    // Boxes owned by `window`'s main window, whatever window is active when one is raised: the
    // window is disabled while a box is open, so that nothing of it can be pressed under the box.
    explicit Win32MessageBox(const WindowEngine& window) : window_(&window) {}

    int MessageBox(const std::wstring& text, const std::wstring& title,
                   std::uint32_t type) override;

  private:
    const WindowEngine* window_ = nullptr;
};

}  // namespace torvexa::win32
