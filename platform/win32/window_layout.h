// A form's layout at a DPI: the window's DPI, twips turned into pixels, the top-level frame around
// a client area, a label sized to its text, and the two fonts the controls use. Every Windows from
// XP has what this needs; the per-monitor DPI functions of Windows 10 are used where they exist.
#pragma once

#include <array>
#include <string>

#include "platform/form.h"
#include "platform/win32/text_api.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

// The per-monitor DPI functions of Windows 10 (1607 and later), looked up at run time so that the
// program also starts where they do not exist; each is null there, and the layout falls back to
// what every Windows has: the screen's DPI and the frame at that DPI.
struct DpiFunctions {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

    GetDpiForWindowFn getDpiForWindow = nullptr;
    AdjustWindowRectExForDpiFn adjustWindowRectExForDpi = nullptr;

    // The functions as this system's user32 exports them.
    static DpiFunctions FromSystem();
};

// The window's DPI: its own where the system knows it, otherwise the screen's.
UINT WindowDpi(const DpiFunctions& functions, HWND window);

// The size of a top-level window whose client area is `client` pixels, with the system's frame
// for `style` and `exStyle` drawn at the window's DPI.
SIZE WindowSize(const DpiFunctions& functions, HWND window, SIZE client, DWORD style,
                DWORD exStyle);

// Twips in pixels at `dpi`: 15 twips are one pixel at 96 DPI.
inline int Pixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

// Where a control sits in its container at `dpi`, as the table gives it.
RECT ControlRect(const ControlSpec& spec, UINT dpi);

// Where a label that follows its text sits at `dpi`, `text` pixels large: the edge the table keeps
// (left, or right at left + width) stays where it puts it.
RECT FittedRect(const ControlSpec& spec, SIZE text, UINT dpi);

// How large `text` is drawn with `font`: its width, and the font's line height.
SIZE TextSize(HWND window, HFONT font, const std::wstring& text);

// The two fonts a form's controls use, made for one DPI: "MS Sans Serif" 8.25 pt bold, and the
// platform's default dialog font at regular weight, each also underlined for a hot link. The
// window engine keeps one set at the window's DPI, for what it shows, and one at the design DPI,
// where its wrapped labels' lines are decided.

class FormFonts {
  public:
    FormFonts() = default;
    // Both fonts in pixels of `dpi`.
    explicit FormFonts(UINT dpi);

    // The bold face for a control that asks for it, otherwise the dialog font; underlined or not.
    HFONT Of(bool boldSansSerif, bool underline = false) const {
        return (boldSansSerif ? bold_ : dialog_)[underline ? 1 : 0].get();
    }

  private:
    std::array<UniqueFont, 2> bold_;  // plain, underlined
    std::array<UniqueFont, 2> dialog_;
};

}  // namespace torvexa::win32
