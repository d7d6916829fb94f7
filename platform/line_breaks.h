// Where a wrapped label's text breaks into lines, given how wide a piece of it is drawn on one
// line. Portable: the window engine measures with the label's font, the tests with the widths of
// the fonts the program meets.
//
// The rule is the one a reader expects of a static control, whatever font draws it:
// - a line is the longest run of whole words that fits the width, blanks between them included;
// - the blanks after a line's last word need not fit, and stay on that line: the program's texts
//   use such blanks to end a line, and they never start the next one;
// - where the next word does not fit, the line breaks at the last blank before it;
// - a word wider than the width stands on a line of its own, whole (the drawing fits it in);
// - a line feed (with or without its carriage return) ends a line; an empty paragraph is an
//   empty line.
// So a font a few pixels wider or narrower moves a break only where a word itself stops fitting,
// never where only the blanks after it do.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace torvexa {

namespace line_breaks_detail {

// Where the word that starts at `from` ends (before the blanks after it).
inline std::size_t WordEnd(std::wstring_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && text[i] == L' ') ++i;  // blanks before the first word
    while (i < text.size() && text[i] != L' ') ++i;
    return i;
}

inline std::size_t BlanksEnd(std::wstring_view text, std::size_t from) {
    while (from < text.size() && text[from] == L' ') ++from;
    return from;
}

template <typename Measure>
void BreakParagraph(std::wstring_view text, int width, const Measure& measure,
                    std::vector<std::wstring>& lines) {
    std::size_t start = 0;
    while (start < text.size()) {
        // The first word stands on the line whatever its width.
        std::size_t end = BlanksEnd(text, WordEnd(text, start));
        while (end < text.size()) {
            const std::size_t word = WordEnd(text, end);
            if (measure(text.substr(start, word - start)) > width) break;
            end = BlanksEnd(text, word);
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end;
    }
}

}  // namespace line_breaks_detail

// The lines of `text` in `width` pixels; `measure(piece)` is the width of `piece` drawn on one
// line (a piece never ends in a blank). Each line keeps the blanks after its last word.
template <typename Measure>
std::vector<std::wstring> BreakIntoLines(std::wstring_view text, int width,
                                         const Measure& measure) {
    std::vector<std::wstring> lines;
    for (;;) {
        const std::size_t feed = text.find(L'\n');
        std::wstring_view paragraph = text.substr(0, feed);
        if (!paragraph.empty() && paragraph.back() == L'\r') paragraph.remove_suffix(1);
        const std::size_t before = lines.size();
        line_breaks_detail::BreakParagraph(paragraph, width, measure, lines);
        if (lines.size() == before && feed != std::wstring_view::npos) lines.emplace_back();
        if (feed == std::wstring_view::npos) break;
        text.remove_prefix(feed + 1);
    }
    return lines;
}

}  // namespace torvexa
