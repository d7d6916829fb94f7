// Where the advice label breaks, in the fonts the program meets: its first line must end after
// "desinfectalo!" wherever that word fits, however wide the fourteen blanks after it are drawn.
#include "platform/line_breaks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/prin_form.h"

namespace torvexa {
namespace {

using Lines = std::vector<std::wstring>;

const std::wstring kAdvice = PrinForm().controls[1].text;
constexpr std::wstring_view kFirstLine =
    L"Si tienes WinME o 98 no hagas caso al anuncio... desinfectalo!";
constexpr int kAdviceWidth = 345;  // the label's width at 96 DPI, in pixels

// A font with the widths measured for the advice's first line: `firstLine` pixels for it, and
// `withBlanks` for it and the fourteen blanks after it. Every blank is as wide as those; the
// other characters share the rest of the first line's width evenly.
struct MeasuredFont {
    int blank = 0, inked = 0, glyphs = 0;

    MeasuredFont(int firstLine, int withBlanks) : blank((withBlanks - firstLine) / 14) {
        const int blanks = Blanks(kFirstLine);
        glyphs = static_cast<int>(kFirstLine.size()) - blanks;
        inked = firstLine - blanks * blank;
    }

    static int Blanks(std::wstring_view piece) {
        return static_cast<int>(std::count(piece.begin(), piece.end(), L' '));
    }

    int operator()(std::wstring_view piece) const {
        const int blanks = Blanks(piece);
        const int pieceGlyphs = static_cast<int>(piece.size()) - blanks;
        return (pieceGlyphs * inked + glyphs / 2) / glyphs + blanks * blank;
    }
};

TEST(LineBreaks, TheAdviceEndsItsFirstLineAfterTheWordInEveryFontItFits) {
    const std::wstring first = std::wstring(kFirstLine) + L"              ";
    const Lines expected{first, L"y tambien reinica tu PC."};
    // Wine 8's Liberation Sans: 302 px, 344 px with the blanks; the blanks fit too.
    const MeasuredFont wine8(302, 344);
    ASSERT_EQ(wine8(kFirstLine), 302);
    EXPECT_EQ(BreakIntoLines(kAdvice, kAdviceWidth, wine8), expected);
    // Wine 10's Tahoma: 326 px, 368 px with the blanks, which do not fit: they stay on line 1.
    const MeasuredFont wine10(326, 368);
    ASSERT_EQ(wine10(kFirstLine), 326);
    EXPECT_EQ(BreakIntoLines(kAdvice, kAdviceWidth, wine10), expected);
    // One pixel either side of the word's own fit.
    EXPECT_EQ(BreakIntoLines(kAdvice, kAdviceWidth, MeasuredFont(345, 387)), expected);
    // A font in which the word does not fit: the line breaks at the blank before it.
    EXPECT_EQ(BreakIntoLines(kAdvice, kAdviceWidth, MeasuredFont(346, 388)),
              (Lines{L"Si tienes WinME o 98 no hagas caso al anuncio... ",
                     L"desinfectalo!              y tambien reinica tu PC."}));
}

TEST(LineBreaks, WordsStayWholeAndLineFeedsBreak) {
    const auto oneEach = [](std::wstring_view piece) { return static_cast<int>(piece.size()); };
    EXPECT_EQ(BreakIntoLines(L"", 10, oneEach), Lines{});
    // A word wider than the width stands alone, whole, with its blanks.
    EXPECT_EQ(BreakIntoLines(L"Desinfectame!!! Salir", 1, oneEach),
              (Lines{L"Desinfectame!!! ", L"Salir"}));
    // Exactly the width fits; blanks between words count, blanks after the last do not.
    EXPECT_EQ(BreakIntoLines(L"ab cd   ef", 5, oneEach), (Lines{L"ab cd   ", L"ef"}));
    EXPECT_EQ(BreakIntoLines(L"ab cd   ef", 4, oneEach), (Lines{L"ab ", L"cd   ", L"ef"}));
    EXPECT_EQ(BreakIntoLines(L"ab   ", 2, oneEach), (Lines{L"ab   "}));
    EXPECT_EQ(BreakIntoLines(L"Creado por:\r\nTomas\n\nVentura", 1000, oneEach),
              (Lines{L"Creado por:", L"Tomas", L"", L"Ventura"}));
    EXPECT_EQ(BreakIntoLines(L"uno\n", 1000, oneEach), (Lines{L"uno"}));
}

}  // namespace
}  // namespace torvexa
