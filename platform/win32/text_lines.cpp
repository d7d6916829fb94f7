#include "platform/win32/text_lines.h"

#include <cstddef>
#include <string_view>

#include "platform/win32/unique_handle.h"

namespace torvexa::win32 {
namespace {

constexpr UINT kWrapFormat = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

// Where the word that starts at `from` ends, with the blanks after it.
std::size_t AfterWord(std::wstring_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && text[i] != L' ') ++i;
    while (i < text.size() && text[i] == L' ') ++i;
    return i;
}

// The system's own wrapping in `width` pixels with the font selected into `dc`.
struct Wrapping {
    HDC dc = nullptr;
    int width = 0;
    int lineHeight = 0;

    bool OnOneLine(std::wstring_view text) const {
        RECT box{0, 0, width, 0};
        DrawTextIn(dc, text, box, kWrapFormat | DT_CALCRECT);
        return box.bottom <= lineHeight;
    }
};

// The system's own wrapping measures each longer candidate line, so that the lines are the ones
// its static control shows, whatever its rule for the blanks at a line's end.
void BreakParagraph(const Wrapping& wrapping, std::wstring_view text,
                    std::vector<std::wstring>& lines) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = AfterWord(text, start);
        while (end < text.size()) {
            const std::size_t next = AfterWord(text, end);
            if (!wrapping.OnOneLine(text.substr(start, next - start))) break;
            end = next;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end;
    }
}

std::wstring_view WithoutTrailingBlanks(std::wstring_view line) {
    const std::size_t last = line.find_last_not_of(L' ');
    return last == std::wstring_view::npos ? std::wstring_view{} : line.substr(0, last + 1);
}

}  // namespace

std::vector<std::wstring> BreakLines(HDC dc, const std::wstring& text, int width) {
    const Wrapping wrapping{dc, width, LineHeight(dc)};
    std::vector<std::wstring> lines;
    std::wstring_view rest = text;
    for (;;) {
        const std::size_t feed = rest.find(L'\n');
        std::wstring_view paragraph = rest.substr(0, feed);
        if (!paragraph.empty() && paragraph.back() == L'\r') paragraph.remove_suffix(1);
        const std::size_t before = lines.size();
        BreakParagraph(wrapping, paragraph, lines);
        if (lines.size() == before && feed != std::wstring_view::npos) lines.emplace_back();
        if (feed == std::wstring_view::npos) break;
        rest.remove_prefix(feed + 1);
    }
    return lines;
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
