// The lines of a wrapped label. Where the text breaks is decided at the design DPI, the DPI the
// form's twips were laid out at, and those lines are drawn at the window's DPI. A label then breaks
// at the same words at every display scaling, although its font's widths do not grow in step with
// its twips (hinting rounds each glyph's advance to whole pixels, differently at each size) and the
// system's wrapping of the scaled text would break elsewhere. Texts are shown as they stand: an '&'
// is a character, not a mnemonic.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/text_api.h"
#include "platform/win32/win.h"

namespace torvexa::win32 {

// A twip is 1/15 of a pixel at this DPI.
inline constexpr UINT kDesignDpi = 96;

// Where `text` breaks in `width` pixels with the font selected into `dc`, by the rule of
// platform/line_breaks.h: whole words that fit, each line with the blanks after its last word
// (which need not fit), a word wider than `width` alone on its line, a line feed a break. Each
// piece is measured as the system lays it out on one line.
std::vector<std::wstring> BreakLines(HDC dc, const std::wstring& text, int width);

// Draws `lines` one under another from the top of `box`, left- or right-aligned, with the font
// selected into `dc`. A line wider than the box has its characters moved closer together so that
// it spans the box exactly: nothing is clipped.
void DrawLines(HDC dc, const std::vector<std::wstring>& lines, const RECT& box, bool alignRight);

// How a wrapped label is drawn: with `shown`, in lines that `design` breaks its text into at
// `designWidth` pixels.
struct WrappedLabel {
    HFONT shown = nullptr;
    HFONT design = nullptr;
    int designWidth = 0;
    bool alignRight = false;
    WNDPROC controlProc = nullptr;  // the static control's own procedure, for what it still does
};

// Draws a wrapped label into `dc` as its static control would, in the colours and on the
// background its container gives it (WM_CTLCOLORSTATIC), but in the design DPI's lines.
void PaintWrappedLabel(HWND label, HDC dc, const WrappedLabel& how);

// Handles the messages of a wrapped label's subclassed static control that would draw its text:
// the label is painted by PaintWrappedLabel only. Returns false for the other messages.
bool OnWrappedLabelMessage(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                           const WrappedLabel& how, LRESULT& result);

}  // namespace torvexa::win32
