// A frame of the form drawn as a group box: an etched edge whose top line runs through the middle
// of its title, the title set in from the left as the form's frames have it.
#pragma once

#include "platform/win32/win.h"

namespace torvexa::win32 {

// Paints the frame window `frame` into `dc` (from BeginPaint) with its title in `font` and
// `textColor`, at `dpi`.
void PaintGroupBox(HWND frame, HDC dc, HFONT font, COLORREF textColor, UINT dpi);

}  // namespace torvexa::win32
