// A frame of the form drawn as a group box: an etched edge whose top line runs through the middle
// of its title, the title set in from the left as the form's frames have it.
#pragma once

#include "platform/win32/win.h"

namespace torvexa::win32 {

// Paints the frame window `frame` into `dc` (from BeginPaint) at `dpi`, with its title in `font`
// and `textColor`.
void PaintGroupBox(HWND frame, HDC dc, UINT dpi, HFONT font, COLORREF textColor);

}  // namespace torvexa::win32
