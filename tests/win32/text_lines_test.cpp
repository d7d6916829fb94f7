// A wrapped label's lines: at the design DPI they break and look exactly as the system's own
// static control breaks and draws them, at any width; a line wider than its box is drawn whole
// inside it.
#include "platform/win32/text_lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/prin_form.h"
#include "platform/win32/window_layout.h"
#include "tests/win32/window_support.h"

namespace torvexa {
namespace {

using win32::BreakLines;
using win32::DrawLines;
using win32::FormFonts;
using win32::kDesignDpi;

int Width(HDC dc, const std::wstring& text) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    return extent.cx;
}

// The widest word together with the blanks after it. In a narrower label the system splits a
// word or a run of blanks across lines, which the program's labels never ask of it.
int WidestWord(HDC dc, const std::wstring& text) {
    int widest = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(text.find(L' ', start), text.size());
        while (end < text.size() && text[end] == L' ') ++end;
        widest = std::max(widest, Width(dc, text.substr(start, end - start)));
        start = end;
    }
    return widest;
}

TEST(TextLines, AtTheDesignDpiALabelLooksAsItsStaticControlDrawsItAtAnyWidth) {
    const FormFonts fonts(kDesignDpi);
    // Two static controls in one hidden container, which gives both the same colours: one draws
    // itself, the other is drawn by the engine's label painting.
    HWND container = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 200, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(container, nullptr);
    auto label = [&] {
        return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOTIFY, 0, 0,
                               0, 0, container, nullptr, GetModuleHandleW(nullptr), nullptr);
    };
    HWND system = label(), drawn = label();
    struct Case {
        std::wstring text;
        bool bold;
    };
    std::vector<Case> cases = {{PrinForm().controls[1].text, false}};
    for (const wchar_t* status :
         {prin_texts::kInfected, prin_texts::kClean, prin_texts::kDisinfected,
          prin_texts::kNotChecked, prin_texts::kNotCheckedRunKey, prin_texts::kNotCheckedEither,
          prin_texts::kAlmostDone, prin_texts::kNotRemoved}) {
        cases.push_back({status, true});
    }
    const test::Canvas measuring(1, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        HFONT font = fonts.Of(c.bold);
        for (HWND hwnd : {system, drawn}) {
            SetWindowTextW(hwnd, c.text.c_str());
            SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
        SelectObject(measuring.Dc(), font);
        TEXTMETRICW metrics{};
        GetTextMetricsW(measuring.Dc(), &metrics);
        const int height = 6 * metrics.tmHeight;
        // From the widest word to past the whole text. At each width the engine draws its lines
        // as the static control draws those lines; where every line fits with the blanks after
        // its last word, they are the static control's own lines of the whole text too. (Where
        // only those blanks overflow, the system's wrapping differs between Windows versions: it
        // moves the word, or carries the blanks to the next line. The engine keeps both on the
        // line.)
        int differing = 0, ownLines = 0;
        for (int width = WidestWord(measuring.Dc(), c.text);
             width <= Width(measuring.Dc(), c.text) + 8; ++width) {
            const std::vector<std::wstring> lines = BreakLines(measuring.Dc(), c.text, width);
            std::wstring shown;
            bool blanksFit = true;
            for (const std::wstring& line : lines) {
                const std::wstring inked = line.substr(0, line.find_last_not_of(L' ') + 1);
                shown += (shown.empty() ? L"" : L"\r\n") + inked;
                blanksFit = blanksFit && Width(measuring.Dc(), line) <= width;
            }
            for (HWND hwnd : {system, drawn}) {
                SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
            }
            const test::Canvas byEngine(width, height);
            win32::PaintWrappedLabel(drawn, byEngine.Dc(), {font, font, width, false});
            for (const bool whole : {false, true}) {
                if (whole && !blanksFit) continue;
                SetWindowTextW(system, whole ? c.text.c_str() : shown.c_str());
                const test::Canvas bySystem(width, height);
                SendMessageW(system, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bySystem.Dc()),
                             PRF_CLIENT);
                ownLines += whole;
                if (!(bySystem.Pixels() == byEngine.Pixels()) && ++differing <= 3) {
                    ADD_FAILURE() << "drawn differently at " << width << " pixels"
                                  << (whole ? ", the whole text" : ", line by line");
                }
            }
        }
        EXPECT_EQ(differing, 0);
        EXPECT_GT(ownLines, 0);
    }
    // The advice's first line ends after "desinfectalo!" in the label's width at this DPI, in
    // whichever font draws the dialog font here.
    {
        SelectObject(measuring.Dc(), fonts.Of(false));
        const std::vector<std::wstring> lines =
            BreakLines(measuring.Dc(), PrinForm().controls[1].text, 345);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].substr(0, lines[0].find_last_not_of(L' ') + 1),
                  L"Si tienes WinME o 98 no hagas caso al anuncio... desinfectalo!");
        EXPECT_EQ(lines[1], L"y tambien reinica tu PC.");
    }
    DestroyWindow(container);
}

TEST(TextLines, KeepsWordsWholeAndDrawsALineWiderThanItsBoxInsideIt) {
    const FormFonts fonts(kDesignDpi);
    const std::wstring line = L"Si tienes WinME o 98 no hagas caso al anuncio...";
    const test::Canvas measuring(1, 1);
    SelectObject(measuring.Dc(), fonts.Of(false));
    TEXTMETRICW metrics{};
    GetTextMetricsW(measuring.Dc(), &metrics);
    const int natural = Width(measuring.Dc(), line);
    const int margin = 10, height = metrics.tmHeight;

    using Lines = std::vector<std::wstring>;
    EXPECT_EQ(BreakLines(measuring.Dc(), L"", 100), Lines{});
    // A word wider than the width stands alone on its line, whole.
    EXPECT_EQ(BreakLines(measuring.Dc(), L"Desinfectame!!! Salir", 1),
              (Lines{L"Desinfectame!!! ", L"Salir"}));
    EXPECT_EQ(BreakLines(measuring.Dc(), L"Creado por:\r\nTomas\n\nVentura", 1000),
              (Lines{L"Creado por:", L"Tomas", L"", L"Ventura"}));

    for (const bool alignRight : {false, true}) {
        SCOPED_TRACE(alignRight ? "right-aligned" : "left-aligned");
        // In a box wider than the line, at its natural width from the aligned edge; in a
        // narrower one, across the whole box.
        for (const int width : {natural + 30, natural * 3 / 4}) {
            SCOPED_TRACE(testing::Message() << "in " << width << " of " << natural << " pixels");
            const test::Canvas canvas(width + 2 * margin, height);
            SelectObject(canvas.Dc(), fonts.Of(false));
            const RECT box{margin, 0, margin + width, height};
            DrawLines(canvas.Dc(), {line + L"   "}, box, alignRight);
            const test::Image image = canvas.Pixels();
            const auto [first, last] = image.TextColumns(0, image.height);
            const int drawnWidth = std::min(natural, width);
            const int left = alignRight ? box.right - drawnWidth : box.left;
            // The text starts at the aligned edge; it ends inside the box, trailing blanks not
            // counted, within a character of where its width puts the end.
            EXPECT_GE(first, left);
            EXPECT_LE(first, left + 2);
            EXPECT_LT(last, std::min<int>(box.right, left + drawnWidth));
            EXPECT_GE(last, left + drawnWidth - metrics.tmAveCharWidth);
            // Whole: its last text is the ellipsis's last dot, low on the line, not a cut letter.
            for (int y = 0; y < image.height; ++y) {
                if (image.At(last, y) != test::Rgb(GetSysColor(COLOR_BTNFACE))) {
                    EXPECT_GE(y, metrics.tmAscent * 2 / 3) << "row " << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace torvexa
