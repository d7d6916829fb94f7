#include "platform/win32/text_lines.h"

#include <cstddef>
#include <string_view>

#include "platform/line_breaks.h"
#include "platform/win32/unique_handle.h"

namespace torvexa::win32 {
namespace {

// The width of `piece` as the system lays it out on one line with the font selected into `dc`.
int OneLineWidth(HDC dc, std::wstring_view piece) {
    RECT box{0, 0, 0, 0};
    DrawTextIn(dc, piece, box, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    return box.right - box.left;
}

std::wstring_view WithoutTrailingBlanks(std::wstring_view line) {
    const std::size_t last = line.find_last_not_of(L' ');
    return last == std::wstring_view::npos ? std::wstring_view{} : line.substr(0, last + 1);
}

}  // namespace

std::vector<std::wstring> BreakLines(HDC dc, const std::wstring& text, int width) {
    return BreakIntoLines(text, width,
                          [dc](std::wstring_view piece) { return OneLineWidth(dc, piece); });
}

void DrawLines(HDC dc, const std::vector<std::wstring>& lines, const RECT& box, bool alignRight) {
    const LONG lineHeight = LineHeight(dc);
    const int boxWidth = box.right - box.left;
    int top = box.top;
    for (const std::wstring& whole : lines) {
        const std::wstring_view line = WithoutTrailingBlanks(whole);
        const int count = static_cast<int>(line.size());
        if (count > 0) {
            std::vector<int> ends(line.size());
            SIZE extent{};
            CharacterEnds(dc, line, ends.data(), extent);
            int width = extent.cx;
            std::vector<int> advances;
            if (width > boxWidth) {
                // Each character ends where its own end falls when the line is shrunk to the box.
                advances.resize(line.size());
                int previous = 0;
                for (std::size_t i = 0; i < line.size(); ++i) {
                    const int end = MulDiv(ends[i], boxWidth, width);
                    advances[i] = end - previous;
                    previous = end;
                }
                width = boxWidth;
            }
            const int left = alignRight ? box.right - width : box.left;
            ExtTextOutW(dc, left, top, ETO_CLIPPED, &box, line.data(), static_cast<UINT>(count),
                        advances.empty() ? nullptr : advances.data());
        }
        top += lineHeight;
    }
}

void PaintWrappedLabel(HWND label, HDC dc, const WrappedLabel& how) {
    RECT box;
    GetClientRect(label, &box);
    HWND container = GetParent(label);
    const auto wParam = reinterpret_cast<WPARAM>(dc);
    const auto lParam = reinterpret_cast<LPARAM>(label);
    auto* brush = reinterpret_cast<HBRUSH>(Send(container, WM_CTLCOLORSTATIC, wParam, lParam));
    if (brush == nullptr) {
        brush = reinterpret_cast<HBRUSH>(
            DefaultProcedure(container, WM_CTLCOLORSTATIC, wParam, lParam));
    }
    FillRect(dc, &box, brush);
    if (!IsWindowEnabled(label)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    const std::wstring text = WindowText(label);
    const SelectScope font(dc, how.design);
    const std::vector<std::wstring> lines = BreakLines(dc, text, how.designWidth);
    font.Select(how.shown);
    DrawLines(dc, lines, box, how.alignRight);
}

bool OnWrappedLabelMessage(HWND label, UINT message, WPARAM wParam, LPARAM lParam,
                           const WrappedLabel& how, LRESULT& result) {
    switch (message) {
        case WM_PAINT: {
            const PaintScope paint(label);
            PaintWrappedLabel(label, paint.Dc(), how);
            result = 0;
            return true;
        }
        case WM_PRINTCLIENT:
            PaintWrappedLabel(label, reinterpret_cast<HDC>(wParam), how);
            result = 0;
            return true;
        case WM_SETTEXT:
            // A static control draws a new text at once, wrapped at the window's DPI. It keeps its
            // text as any window does; storing it that way leaves the drawing to WM_PAINT. The text
            // is in the form the label's procedure takes (8-bit on 9x) and goes on in that form.
            result = DefaultProcedure(label, message, wParam, lParam);
            InvalidateRect(label, nullptr, FALSE);
            return true;
        case WM_ENABLE:
        case WM_SYSCOLORCHANGE:
            // The static control draws itself at once here too; it is drawn over straight away.
            result = CallProcedure(how.controlProc, label, message, wParam, lParam);
            RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return true;
    }
    return false;
}

}  // namespace torvexa::win32
