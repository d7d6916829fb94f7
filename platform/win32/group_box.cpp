#include "platform/win32/group_box.h"

#include <string>

#include "platform/win32/text_lines.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window_layout.h"

namespace torvexa::win32 {

void PaintGroupBox(HWND frame, HDC dc, UINT dpi, HFONT font, COLORREF textColor) {
    RECT box;
    GetClientRect(frame, &box);
    const SelectScope selected(dc, font);
    const LONG lineHeight = LineHeight(dc);
    box.top += lineHeight / 2;
    DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
    const std::wstring title = WindowText(frame);
    if (!title.empty()) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
        // 90 twips in, with a gap of 30 twips on each side of the title cut out of the edge.
        const int gap = Pixels(30, dpi);
        RECT text{Pixels(90, dpi), 0, Pixels(90, dpi) + extent.cx + 2 * gap, lineHeight};
        FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, textColor);
        TextOutW(dc, text.left + gap, 0, title.c_str(), static_cast<int>(title.size()));
    }
}

}  // namespace torvexa::win32
